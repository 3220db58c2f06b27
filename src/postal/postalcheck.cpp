#include "postal/postalcheck.h"

#include "postal/postalareas.h"
#include "postal/postalstyle.h"

#include <algorithm>

namespace {

constexpr double kMm = 1 / 25.4;
constexpr double kMinCapHeight = 2 * kMm;
constexpr int kMaxLines = 6;

// A distance as the envelope's rules measure it: inches for the US sizes,
// millimetres for the ISO ones.
QString Distance(double inches, PostalRules rules) {
    return rules == PostalRules::Us ? QStringLiteral("%1 in").arg(inches, 0, 'f', 2)
                                    : QStringLiteral("%1 mm").arg(inches / kMm, 0, 'f', 1);
}

// Where a line's ink leaves the area, the farthest first; empty inside.
QString Outside(const QRectF& ink, const QRectF& area, PostalRules rules) {
    const std::pair<double, const char*> sides[] = {
        {ink.bottom() - area.bottom(), "below"},
        {area.top() - ink.top(), "above"},
        {area.left() - ink.left(), "to the left of"},
        {ink.right() - area.right(), "to the right of"},
    };
    const auto worst =
        std::max_element(std::begin(sides), std::end(sides),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    // Rounding in the layout moves a line by a printer pixel.
    if (worst->first <= 0.002)
        return QString();
    return QStringLiteral("%1 %2").arg(Distance(worst->first, rules), QLatin1String(worst->second));
}

} // namespace

QStringList CheckMailingBlock(const PrintedBlock& block, const QString& userCountry) {
    const PostalAreas areas = PostalAreasFor(block.envelope);
    const QString strip = areas.rules == PostalRules::Us
                              ? QStringLiteral("the barcode clear zone at the bottom right")
                              : QStringLiteral("the strip along the bottom kept for the "
                                               "sorting code");
    QStringList findings;
    QStringList texts;
    QRectF inked;
    int number = 0;
    for (const PrintedLine& line : block.lines) {
        if (line.text.trimmed().isEmpty())
            continue;
        ++number;
        texts.append(line.text.trimmed());
        const QString which =
            QStringLiteral("Line %1 (\"%2\")").arg(number).arg(line.text.trimmed());
        if (!line.drawn) {
            findings.append(QStringLiteral("%1 falls off the page and is not printed.").arg(which));
            continue;
        }
        inked |= line.ink;
        if (line.ink.intersects(areas.barcodeStrip)) {
            findings.append(QStringLiteral("%1 runs into %2, which must stay free of print.")
                                .arg(which, strip));
        } else if (const QString outside = Outside(line.ink, areas.readArea, areas.rules);
                   !outside.isEmpty()) {
            findings.append(QStringLiteral("%1 lies %2 the area the sorting machines read.")
                                .arg(which, outside));
        }
    }
    if (number > 0 && block.capHeight < kMinCapHeight - 0.001)
        findings.append(QStringLiteral("The capital letters are %1 mm tall; the machines read "
                                       "them from 2 mm (about 8 pt).")
                            .arg(block.capHeight / kMm, 0, 'f', 1));
    if (number > kMaxLines)
        findings.append(QStringLiteral("The address has %1 lines; the machines read at most %2.")
                            .arg(number)
                            .arg(kMaxLines));
    if (const qsizetype country = ForeignCountryLine(texts, userCountry);
        country >= 0 && country != texts.size() - 1)
        findings.append(QStringLiteral("The country (\"%1\") is not on the last line: a foreign "
                                       "address ends with its country alone.")
                            .arg(texts[country]));
    if (areas.maxBlockWidth > 0 && inked.width() > areas.maxBlockWidth + 0.002)
        findings.append(QStringLiteral("The address block is %1 wide; the machines read at "
                                       "most %2.")
                            .arg(Distance(inked.width(), areas.rules),
                                 Distance(areas.maxBlockWidth, areas.rules)));
    return findings;
}
