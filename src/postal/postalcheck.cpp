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

// The remedies, as the window's menus name the means.
const char* const kSmallerFont =
    "choose a smaller font with Mailing Address Font... (in the configuration menu)";
const char* const kLargerFont =
    "choose a larger font with Mailing Address Font... (in the configuration menu)";

// Where a line's ink leaves the area, the farthest side first.
struct Outside {
    double by = 0; // inches; 0 inside
    const char* side = "";
    const char* remedy = "";
};

Outside OutsideOf(const QRectF& ink, const QRectF& area) {
    const Outside sides[] = {
        {ink.bottom() - area.bottom(), "below", "Remove a line or a blank line above it, or "},
        {area.top() - ink.top(), "above", "Add a blank line at the top of the address, or "},
        {area.left() - ink.left(), "to the left of", "Remove the spaces at its start."},
        {ink.right() - area.right(), "to the right of", "Shorten the line, or "},
    };
    const Outside* worst =
        std::max_element(std::begin(sides), std::end(sides),
                         [](const Outside& a, const Outside& b) { return a.by < b.by; });
    // Rounding in the layout moves a line by a printer pixel.
    return worst->by <= 0.002 ? Outside() : *worst;
}

// A line quoted in a finding: long ones by their start.
QString Quoted(const QString& text) {
    constexpr qsizetype kShown = 40;
    return QStringLiteral("\"%1\"").arg(text.size() > kShown ? text.first(kShown - 1) + u'\u2026'
                                                             : text);
}

// "Line 7" or "Lines 7 to 40", for a run of lines with the same fault.
QString LinesNamed(int first, int last, const QString& quoted) {
    return first == last ? QStringLiteral("Line %1 (%2)").arg(first).arg(quoted)
                         : QStringLiteral("Lines %1 to %2").arg(first).arg(last);
}

// A line that is printed: where it leaves the read area or enters the
// strip; empty when it does neither.
QString LineFinding(const PrintedLine& line, const QString& which, const PostalAreas& areas) {
    if (line.ink.intersects(areas.barcodeStrip)) {
        const QString strip = areas.rules == PostalRules::Us
                                  ? QStringLiteral("the barcode clear zone at the bottom right")
                                  : QStringLiteral("the strip along the bottom kept for the "
                                                   "sorting code");
        return QStringLiteral("%1 runs into %2, which must stay free of print. Remove a line or "
                              "a blank line above it, or %3.")
            .arg(which, strip, kSmallerFont);
    }
    const Outside outside = OutsideOf(line.ink, areas.readArea);
    if (outside.by <= 0)
        return QString();
    QString remedy = QLatin1String(outside.remedy);
    if (remedy.endsWith(u' '))
        remedy +=
            QLatin1String(outside.side == QLatin1String("above") ? kLargerFont : kSmallerFont) +
            u'.';
    return QStringLiteral("%1 lies %2 %3 the area the sorting machines read. %4")
        .arg(which, Distance(outside.by, areas.rules), QLatin1String(outside.side), remedy);
}

// A line the block's right edge cuts: how much of it is printed.
QString CutLineFinding(const PrintedLine& line, const QString& which) {
    return QStringLiteral("%1 is cut at the right edge of the address block: %2 of its %3 "
                          "characters are printed. Shorten the line, or %4.")
        .arg(which)
        .arg(line.text.size())
        .arg(line.length)
        .arg(QLatin1String(kSmallerFont));
}

// The lines with text, as the block's findings need them.
struct LinesSeen {
    QStringList texts;
    QRectF inked;
};

// A finding for each printed line outside its area; lines not printed, or
// off the envelope, said as one run each: a pasted page of text is one
// finding, not thousands.
LinesSeen CheckLines(const PrintedBlock& block, const PostalAreas& areas, QStringList& findings) {
    LinesSeen seen;
    int runFirst = 0;
    int runLast = 0;
    QString runText;
    bool runOffEnvelope = false;
    const auto endRun = [&] {
        if (runFirst == 0)
            return;
        const bool one = runFirst == runLast;
        findings.append(QStringLiteral("%1 %2 and %3 not printed. Remove %4, or %5.")
                            .arg(LinesNamed(runFirst, runLast, runText),
                                 runOffEnvelope ? (one ? "lies below the envelope's edge"
                                                       : "lie below the envelope's edge")
                                                : (one ? "falls below the address block"
                                                       : "fall below the address block"),
                                 one ? "is" : "are", one ? "a line" : "lines", kSmallerFont));
        runFirst = 0;
    };
    for (const PrintedLine& line : block.lines) {
        if (line.text.trimmed().isEmpty())
            continue;
        seen.texts.append(line.text.trimmed());
        const int number = static_cast<int>(seen.texts.size());
        const bool offEnvelope = line.drawn && line.ink.top() >= block.envelope.height();
        if (!line.drawn || offEnvelope) {
            if (runFirst != 0 && runOffEnvelope != offEnvelope)
                endRun();
            if (runFirst == 0) {
                runFirst = number;
                runText = Quoted(line.text.trimmed());
                runOffEnvelope = offEnvelope;
            }
            runLast = number;
            continue;
        }
        endRun();
        seen.inked |= line.ink;
        const QString which = LinesNamed(number, number, Quoted(line.text.trimmed()));
        // Where the clipped part lies says nothing of the line: that it is cut does.
        const QString finding =
            line.cut ? CutLineFinding(line, which) : LineFinding(line, which, areas);
        if (!finding.isEmpty())
            findings.append(finding);
    }
    endRun();
    return seen;
}

} // namespace

QStringList CheckMailingBlock(const PrintedBlock& block, const QString& userCountry) {
    const PostalAreas areas = PostalAreasFor(block.envelope);
    QStringList findings;
    const LinesSeen seen = CheckLines(block, areas, findings);
    const QStringList& texts = seen.texts;
    const QRectF& inked = seen.inked;
    const qsizetype number = texts.size();
    if (number > 0 && block.capHeight < kMinCapHeight - 0.001)
        findings.append(QStringLiteral("The capital letters are %1 mm tall; the machines read "
                                       "them from 2 mm (about 8 pt). %2, 8 pt or more.")
                            .arg(block.capHeight / kMm, 0, 'f', 1)
                            .arg(QStringLiteral("Choose a larger font with Mailing Address "
                                                "Font... (in the configuration menu)")));
    if (number > kMaxLines)
        findings.append(QStringLiteral("The address has %1 lines; the machines read at most %2. "
                                       "Remove %3.")
                            .arg(number)
                            .arg(kMaxLines)
                            .arg(number - kMaxLines == 1
                                     ? QStringLiteral("a line")
                                     : QStringLiteral("%1 lines").arg(number - kMaxLines)));
    if (const qsizetype country = ForeignCountryLine(texts, userCountry);
        country >= 0 && country != texts.size() - 1)
        findings.append(QStringLiteral("The country (%1) is not on the last line: a foreign "
                                       "address ends with its country alone. Move it to the "
                                       "last line.")
                            .arg(Quoted(texts[country])));
    if (areas.maxBlockWidth > 0 && inked.width() > areas.maxBlockWidth + 0.002)
        findings.append(QStringLiteral("The address block is %1 wide; the machines read at "
                                       "most %2. Shorten the longest line, or %3.")
                            .arg(Distance(inked.width(), areas.rules),
                                 Distance(areas.maxBlockWidth, areas.rules), kSmallerFont));
    return findings;
}
