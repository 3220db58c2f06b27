#pragma once

#include <QByteArray>
#include <QString>

// An .xlsx workbook of the rows of a CSV text (comma separated, no quoting),
// as a spreadsheet program writes it: text as shared strings, numbers of
// five digits as numbers in the "00000" format that keeps a ZIP code's
// zeros. False when it could not be written.
bool WriteSampleXlsx(const QString& path, const QByteArray& csv);
