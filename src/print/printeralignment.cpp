#include "print/printeralignment.h"

#include "print/envelopesizes.h"
#include "print/logging.h"
#include "settings/settingsstore.h"

#include <QRegularExpression>
#include <QStringList>

#include <array>
#include <cstdlib>

namespace {

// Our own key beside the stored values, one value a printer.
const QString kAlignmentKey = QStringLiteral("Printer Alignment");

struct FeedNames {
    EnvelopeFeed feed;
    const char* name;
    const char* description;
};
constexpr std::array<FeedNames, 6> kFeeds = {{
    {EnvelopeFeed::AcrossLeft, "across-left", "Lying across, at the left edge"},
    {EnvelopeFeed::AcrossCentre, "across-centre", "Lying across, in the centre"},
    {EnvelopeFeed::AcrossRight, "across-right", "Lying across, at the right edge"},
    {EnvelopeFeed::StandingLeft, "standing-left", "Standing, at the left edge"},
    {EnvelopeFeed::StandingCentre, "standing-centre", "Standing, in the centre"},
    {EnvelopeFeed::StandingRight, "standing-right", "Standing, at the right edge"},
}};

const FeedNames& Names(EnvelopeFeed feed) {
    for (const FeedNames& names : kFeeds) {
        if (names.feed == feed)
            return names;
    }
    return kFeeds[2];
}

} // namespace

QString FeedName(EnvelopeFeed feed) {
    return QString::fromLatin1(Names(feed).name);
}

std::optional<EnvelopeFeed> FeedFromName(const QString& name) {
    for (const FeedNames& names : kFeeds) {
        if (name == QLatin1String(names.name))
            return names.feed;
    }
    return std::nullopt;
}

QString FeedDescription(EnvelopeFeed feed) {
    return QString::fromLatin1(Names(feed).description);
}

bool IsStanding(EnvelopeFeed feed) {
    return feed == EnvelopeFeed::StandingLeft || feed == EnvelopeFeed::StandingCentre ||
           feed == EnvelopeFeed::StandingRight;
}

QString FormatShift(int tenths) {
    return QStringLiteral("%1%2.%3")
        .arg(tenths < 0 ? QStringLiteral("-") : QString())
        .arg(std::abs(tenths) / 10)
        .arg(std::abs(tenths) % 10);
}

std::optional<int> ParseShift(const QString& text) {
    static const QRegularExpression kNumber(QStringLiteral("^([+-]?)([0-9]{1,3})(?:\\.([0-9]))?$"));
    const QRegularExpressionMatch match = kNumber.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    int tenths = match.captured(2).toInt() * 10 + match.captured(3).toInt();
    if (match.captured(1) == QLatin1String("-"))
        tenths = -tenths;
    if (tenths < -PrinterAlignment::kMaxShift || tenths > PrinterAlignment::kMaxShift)
        return std::nullopt;
    return tenths;
}

QString FormatAlignment(const PrinterAlignment& alignment) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(FeedName(alignment.feed),
             alignment.turned ? QStringLiteral("yes") : QStringLiteral("no"),
             FormatShift(alignment.shiftRight), FormatShift(alignment.shiftDown));
}

std::optional<PrinterAlignment> ParseAlignment(const QString& text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    const std::optional<EnvelopeFeed> feed = FeedFromName(parts[0]);
    const std::optional<int> right = ParseShift(parts[2]);
    const std::optional<int> down = ParseShift(parts[3]);
    if (!feed || !right || !down || (parts[1] != u"yes" && parts[1] != u"no"))
        return std::nullopt;
    return PrinterAlignment{*feed, parts[1] == u"yes", *right, *down};
}

QString DescribeAlignment(const PrinterAlignment& alignment) {
    return QStringLiteral("%1, %2, shift %3 mm right, %4 mm down")
        .arg(FeedName(alignment.feed),
             alignment.turned ? QStringLiteral("turned round") : QStringLiteral("not turned"),
             FormatShift(alignment.shiftRight), FormatShift(alignment.shiftDown));
}

QString ShiftNote(const PrinterAlignment& alignment) {
    const auto part = [](int tenths, const char* plus, const char* minus) {
        return tenths == 0 ? QString()
                           : QStringLiteral("%1 mm %2")
                                 .arg(FormatShift(std::abs(tenths)),
                                      QLatin1String(tenths > 0 ? plus : minus));
    };
    QStringList parts = {part(alignment.shiftRight, "right", "left"),
                         part(alignment.shiftDown, "down", "up")};
    parts.removeAll(QString());
    return parts.isEmpty() ? QString() : QStringLiteral("shifted ") + parts.join(u", ");
}

QString TestPageCaption(const QString& printer, const PrinterAlignment& alignment) {
    return QStringLiteral("Pelvaro test page for %1: %2")
        .arg(printer.isEmpty() ? QStringLiteral("no printer") : printer,
             DescribeAlignment(alignment));
}

QString AlignmentPrinterName(const PrintTarget& target) {
    switch (target.kind) {
    case PrintTarget::Kind::File:
        return kPdfPrinterName;
    case PrintTarget::Kind::Queue:
        return target.name;
    case PrintTarget::Kind::None:
    case PrintTarget::Kind::Damaged:
        break;
    }
    return {};
}

std::optional<PrinterAlignment> ReadPrinterAlignment(const CSettingsStore& settings,
                                                     const QString& printer) {
    if (printer.isEmpty())
        return std::nullopt;
    const std::optional<QString> stored = settings.ReadOwnString(kAlignmentKey, printer);
    if (!stored)
        return std::nullopt;
    std::optional<PrinterAlignment> alignment = ParseAlignment(*stored);
    if (!alignment)
        qCInfo(LogPrint) << "alignment of" << printer << "is damaged and not used:" << *stored;
    return alignment;
}

bool HasStoredAlignment(const CSettingsStore& settings, const QString& printer) {
    return !printer.isEmpty() && settings.ReadOwnString(kAlignmentKey, printer).has_value();
}

bool WritePrinterAlignment(CSettingsStore& settings, const QString& printer,
                           const PrinterAlignment& alignment) {
    return !printer.isEmpty() &&
           settings.WriteOwnString(kAlignmentKey, printer, FormatAlignment(alignment));
}

bool RemovePrinterAlignment(CSettingsStore& settings, const QString& printer) {
    return !printer.isEmpty() && settings.DeleteOwnValue(kAlignmentKey, printer);
}

AlignedPage AlignPage(const PrinterMetrics& page, int envelopeIndex,
                      const PrinterAlignment& alignment, bool pageIsEnvelope) {
    const EnvelopeSize& size = EnvelopeSizeRow(envelopeIndex);
    const bool standing = IsStanding(alignment.feed);
    AlignedPage aligned;
    PrinterMetrics& m = aligned.layoutMetrics;
    m = page;
    if (standing) {
        std::swap(m.width, m.height);
        std::swap(m.offsetX, m.offsetY);
    }
    // The layout's own test for a sheet larger than the envelope; on one
    // it puts the envelope at the right edge, centred up and down. Its
    // coordinates start at the corner of the printable area.
    const double D = m.dpiX;
    const bool largeSheet = m.dpiX != 0 && m.height / m.dpiX >= 8 && !pageIsEnvelope;
    if (largeSheet)
        aligned.envelope =
            QRectF(m.width - D * size.width - m.offsetX,
                   (m.height - D * size.height) * 0.5 - m.offsetY, D * size.width, D * size.height);
    else
        aligned.envelope = QRectF(-m.offsetX, -m.offsetY, m.width, m.height);

    const QPointF shift(alignment.shiftRight * page.dpiX / 254.0,
                        alignment.shiftDown * page.dpiY / 254.0);
    QTransform& transform = aligned.transform;
    if (alignment.feed == EnvelopeFeed::AcrossRight && !alignment.turned) {
        if (!shift.isNull())
            transform.translate(shift.x(), shift.y());
        return aligned;
    }
    // Where the envelope lies on the real page, then its middle in the
    // printer's coordinates.
    const double w = standing ? aligned.envelope.height() : aligned.envelope.width();
    const double h = standing ? aligned.envelope.width() : aligned.envelope.height();
    double x = 0;
    double y = 0;
    if (largeSheet) {
        y = (page.height - h) * 0.5;
        if (alignment.feed == EnvelopeFeed::AcrossCentre ||
            alignment.feed == EnvelopeFeed::StandingCentre)
            x = (page.width - w) * 0.5;
        else if (alignment.feed == EnvelopeFeed::AcrossRight ||
                 alignment.feed == EnvelopeFeed::StandingRight)
            x = page.width - w;
    }
    const QPointF middle(x + w * 0.5 - page.offsetX, y + h * 0.5 - page.offsetY);
    transform.translate(middle.x() + shift.x(), middle.y() + shift.y());
    transform.rotate((standing ? 90 : 0) + (alignment.turned ? 180 : 0));
    transform.translate(-aligned.envelope.center().x(), -aligned.envelope.center().y());
    return aligned;
}

bool PageHoldsEnvelope(const PrinterMetrics& page, int envelopeIndex,
                       const PrinterAlignment& alignment) {
    PrinterAlignment unshifted = alignment;
    unshifted.shiftRight = unshifted.shiftDown = 0;
    const AlignedPage aligned = AlignPage(page, envelopeIndex, unshifted);
    const QRectF sheet(-page.offsetX, -page.offsetY, page.width, page.height);
    // Half a millimetre for a page size the printer rounds.
    const double slack = page.dpiX / 50.8;
    return sheet.adjusted(-slack, -slack, slack, slack)
        .contains(aligned.transform.mapRect(aligned.envelope));
}

namespace {

PrinterMetrics Turned(PrinterMetrics page) {
    std::swap(page.width, page.height);
    std::swap(page.offsetX, page.offsetY);
    return page;
}

// The same place on the page, the envelope lying the other way.
EnvelopeFeed OtherWay(EnvelopeFeed feed) {
    const int index = static_cast<int>(feed);
    return static_cast<EnvelopeFeed>(index < 3 ? index + 3 : index - 3);
}

QString Millimetres(double inches) {
    return QString::number(qRound(inches * 25.4));
}

} // namespace

QString TestPageMisfit(const PrinterMetrics& page, int envelopeIndex,
                       const PrinterAlignment& alignment, const QString& paperName) {
    if (page.dpiX <= 0 || PageHoldsEnvelope(page, envelopeIndex, alignment))
        return QString();
    const EnvelopeSize& size = EnvelopeSizeRow(envelopeIndex);
    const QString envelope = QString::fromUtf16(size.name).section(u':', 0, 0);
    const bool portrait = page.height >= page.width;
    QStringList choices = {QStringLiteral("the %1 envelope itself as the paper").arg(envelope)};
    if (PageHoldsEnvelope(Turned(page), envelopeIndex, alignment))
        choices.append(portrait ? QStringLiteral("the paper in landscape")
                                : QStringLiteral("the paper in portrait"));
    PrinterAlignment other = alignment;
    other.feed = OtherWay(alignment.feed);
    if (PageHoldsEnvelope(page, envelopeIndex, other))
        choices.append(QStringLiteral("the feed \"%1\" in Printer Alignment")
                           .arg(FeedDescription(other.feed)));
    const QString last = choices.takeLast();
    return QStringLiteral("A %1 envelope (%2 \u00D7 %3 mm), \"%4\", does not fit on %5 paper in "
                          "%6 (%7 \u00D7 %8 mm): part of the test page would be cut off. "
                          "Choose %9.")
        .arg(envelope, Millimetres(size.width), Millimetres(size.height),
             FeedDescription(alignment.feed).toLower(),
             paperName.isEmpty() ? QStringLiteral("the") : paperName,
             portrait ? QStringLiteral("portrait") : QStringLiteral("landscape"),
             Millimetres(double(page.width) / page.dpiX),
             Millimetres(double(page.height) / page.dpiX),
             choices.isEmpty()
                 ? last
                 : choices.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last);
}
