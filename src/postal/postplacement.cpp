#include "postal/postplacement.h"

#include "postal/postalareas.h"

#include <QFontMetricsF>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMm = 1 / 25.4;
// Lines an address is planned for, and the most the machines read.
constexpr int kPlannedLines = 4;
constexpr int kMostLines = 6;
// Fonts are measured at a printer's resolution, not a screen's.
constexpr int kMeasureDpi = 1200;

// One line's height in inches, as the print job steps from line to line.
double LineHeight(LOGFONTW font, int screenDpiY) {
    QImage device(1, 1, QImage::Format_Mono);
    const int dotsPerMetre = qRound(kMeasureDpi / 0.0254);
    device.setDotsPerMeterX(dotsPerMetre);
    device.setDotsPerMeterY(dotsPerMetre);
    font.lfHeight = static_cast<int32_t>(int64_t(font.lfHeight) * kMeasureDpi /
                                         (screenDpiY > 0 ? screenDpiY : 96));
    return QFontMetricsF(FontFromLogFont(font, &device), &device).height() / kMeasureDpi;
}

// Up to the step the stored form keeps: further into the read area, by
// less than its inset.
double RoundedUp(double inches, const PaperSize& size) {
    const double step = size.IsMetric() ? 0.1 * kMm : 0.01;
    return std::ceil(inches / step - 1e-6) * step;
}

} // namespace

BlockPlacement PlaceForPost(const PaperSize& size, const LOGFONTW& returnFont,
                            const LOGFONTW& mailingFont, int screenDpiY) {
    const QSizeF envelope = size.Inches();
    const PostalAreas areas = PostalAreasFor(envelope);
    const QRectF& area = areas.readArea;
    const bool metric = areas.rules == PostalRules::Iso;
    // Away from the edges by what the printers cannot print on, and inside
    // the read area by a little more than a printer's rounding.
    const double edge = metric ? 8 * kMm : 0.25;
    const double inset = 1 * kMm;
    const double returnLine = LineHeight(returnFont, screenDpiY);
    const double line = LineHeight(mailingFont, screenDpiY);

    BlockPlacement placement;
    placement.returnStart = QPointF(edge, edge);
    const double returnBottom = edge + kPlannedLines * returnLine;

    // The longest address the machines read, centred in the area; below the
    // return block; and in any case four lines above the area's bottom and
    // the first line inside it.
    double top =
        area.top() + inset + std::max(0.0, (area.height() - 2 * inset - kMostLines * line) / 2);
    top = std::max(top, returnBottom + line / 2);
    top = std::min(top, area.bottom() - inset - kPlannedLines * line);
    top = std::max(top, area.top() + inset);
    // Left of the middle, with room for lines as wide as the machines read
    // (the US post sets no limit: four inches do for any address).
    const double room = areas.maxBlockWidth > 0 ? areas.maxBlockWidth : 3.5;
    double left = std::min(envelope.width() * (metric ? 0.45 : 0.42), area.right() - inset - room);
    left = std::max(left, area.left() + inset);
    placement.mailingStart = QPointF(RoundedUp(left, size), RoundedUp(top, size));
    return placement;
}

QString PostRulesDescription(const PaperSize& size) {
    return PostalAreasFor(size.Inches()).rules == PostalRules::Iso
               ? QStringLiteral("European postal operators' rules: the address at least 40 mm "
                                "from the top and 15 mm from the sides and the bottom, at most "
                                "100 mm wide")
               : QStringLiteral("US Postal Service rules: the address between 5/8 and 2 3/4 in "
                                "above the bottom edge and 1/2 in from the sides");
}
