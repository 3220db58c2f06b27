#pragma once

#include "print/printjob.h"

#include <QString>
#include <QStringList>

// What would make the post office's machines fail on a printed mailing
// block, one plain sentence each: lines outside the read area, ink in the
// barcode strip, capitals under 2 mm, more than 6 lines, a foreign
// country not on the last line, an ISO block wider than 100 mm. The
// block's own bars are the barcode and belong in the strip. userCountry:
// the user's own country as an ISO 3166 code.
QStringList CheckMailingBlock(const PrintedBlock& block, const QString& userCountry);
