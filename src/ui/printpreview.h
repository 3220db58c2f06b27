#pragma once

#include <QStringList>

struct EnvelopeJob;
class QWidget;

// Shows the pages a job would print, one per mailing address, on the
// configured printer's page, drawn by the print job's own code. False,
// showing nothing, when the printer setup is invalid.
bool ShowPrintPreview(QWidget* owner, const EnvelopeJob& job, const QStringList& mailingAddresses);
