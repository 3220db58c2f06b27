#pragma once

#include <QRectF>
#include <QSizeF>

// Whose rules an envelope is read by: the US postal service's for the inch
// sizes, the European operators' for the ISO sizes (DL, C6, C5...) and the
// other metric envelopes.
enum class PostalRules { Us, Iso };

// Where the sorting machines look on one envelope, in inches from its top
// left corner as its text reads.
struct PostalAreas {
    PostalRules rules = PostalRules::Us;
    // Where every line of the mailing address must lie.
    QRectF readArea;
    // Where the post office prints its barcode: kept free of anything else.
    QRectF barcodeStrip;
    // The widest an address block may be; 0 for no limit.
    double maxBlockWidth = 0;
};

// The rules an envelope of this size (inches, either way round) is read by:
// ISO when it is one of the ISO or Japanese envelope sizes, else US.
PostalRules RulesForEnvelope(const QSizeF& envelope);
PostalAreas PostalAreasFor(const QSizeF& envelope);
