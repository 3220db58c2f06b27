#include "postal/postalareas.h"

#include "print/papersizes.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kMm = 1 / 25.4;

// The ISO envelope sizes in millimetres, short side first.
constexpr std::pair<double, double> kIsoSizes[] = {
    {81, 114},  {114, 162}, {114, 229}, {110, 220}, {162, 229}, {229, 324},
    {324, 458}, {125, 176}, {176, 250}, {250, 353}, {280, 400},
};

} // namespace

PostalRules RulesForEnvelope(const QSizeF& envelope) {
    const double shortSide = std::min(envelope.width(), envelope.height()) / kMm;
    const double longSide = std::max(envelope.width(), envelope.height()) / kMm;
    // Printers report their pages to the nearest point or so.
    constexpr double kTolerance = 1.5;
    for (const auto& [isoShort, isoLong] : kIsoSizes) {
        if (std::abs(shortSide - isoShort) <= kTolerance &&
            std::abs(longSide - isoLong) <= kTolerance)
            return PostalRules::Iso;
    }
    // The Japanese sizes are metric too, and read by the same margins.
    if (const PaperSize* named = MatchPaperSize(envelope); named && named->IsEnvelope())
        return named->IsMetric() ? PostalRules::Iso : PostalRules::Us;
    return PostalRules::Us;
}

PostalAreas PostalAreasFor(const QSizeF& envelope) {
    const double w = envelope.width();
    const double h = envelope.height();
    PostalAreas areas;
    areas.rules = RulesForEnvelope(envelope);
    if (areas.rules == PostalRules::Us) {
        // The OCR read area: 5/8 in to 2 3/4 in above the bottom edge, 1/2 in
        // in from the sides; the clear zone: the bottom 5/8 in of the
        // rightmost 4 3/4 in.
        areas.readArea = QRectF(QPointF(0.5, h - 2.75), QPointF(w - 0.5, h - 0.625));
        areas.barcodeStrip = QRectF(QPointF(std::max(0.0, w - 4.75), h - 0.625), QPointF(w, h));
    } else {
        // At least 15 mm from the sides and the bottom, 40 mm from the top,
        // no wider than 100 mm; the bottom 15 mm carry the sorting code.
        areas.readArea = QRectF(QPointF(15 * kMm, 40 * kMm), QPointF(w - 15 * kMm, h - 15 * kMm));
        areas.barcodeStrip = QRectF(QPointF(0, h - 15 * kMm), QPointF(w, h));
        areas.maxBlockWidth = 100 * kMm;
    }
    return areas;
}
