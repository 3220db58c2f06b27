#include "print/blockplacement.h"

#include "print/logging.h"
#include "settings/settingsstore.h"

#include <QStringList>

#include <cmath>

namespace {

// Our own key beside the stored values, one value an envelope size.
const QString kPlacementKey = QStringLiteral("Block Placement");

QSizeF PageInches(const PrinterMetrics& page) {
    return page.dpiX > 0 ? QSizeF(double(page.width) / page.dpiX, double(page.height) / page.dpiX)
                         : QSizeF();
}

} // namespace

std::optional<QPointF> ParseBlockStart(const QString& text, const PaperSize& size) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 2)
        return std::nullopt;
    bool xIsNumber = false;
    bool yIsNumber = false;
    const double x = parts[0].trimmed().toDouble(&xIsNumber);
    const double y = parts[1].trimmed().toDouble(&yIsNumber);
    // A start on or past the far edge would print nothing of the block.
    if (!xIsNumber || !yIsNumber || !(x >= 0 && x < size.longSide) ||
        !(y >= 0 && y < size.shortSide))
        return std::nullopt;
    return QPointF(size.ToInches(x), size.ToInches(y));
}

QString FormatBlockStart(const QPointF& inches, const PaperSize& size) {
    return QStringLiteral("%1,%2").arg(size.FormatDistance(inches.x()),
                                       size.FormatDistance(inches.y()));
}

QString FormatPlacement(const BlockPlacement& placement, const PaperSize& size) {
    return QStringLiteral("%1;%2").arg(
        placement.returnStart ? FormatBlockStart(*placement.returnStart, size) : QString(),
        placement.mailingStart ? FormatBlockStart(*placement.mailingStart, size) : QString());
}

std::optional<BlockPlacement> ParsePlacement(const QString& text, const PaperSize& size) {
    const QStringList parts = text.split(u';');
    if (parts.size() != 2)
        return std::nullopt;
    BlockPlacement placement;
    std::optional<QPointF>* starts[] = {&placement.returnStart, &placement.mailingStart};
    for (int i = 0; i < 2; ++i) {
        if (parts[i].isEmpty())
            continue;
        *starts[i] = ParseBlockStart(parts[i], size);
        if (!*starts[i])
            return std::nullopt;
    }
    return placement;
}

BlockPlacement ReadBlockPlacement(const CSettingsStore& settings, const PaperSize& size) {
    const std::optional<QString> stored = settings.ReadOwnString(kPlacementKey, size.Key());
    if (!stored)
        return {};
    const std::optional<BlockPlacement> placement = ParsePlacement(*stored, size);
    if (!placement)
        qCInfo(LogPrint) << "block placement of" << size.Key()
                         << "is damaged and not used:" << *stored;
    return placement.value_or(BlockPlacement());
}

BlockPlacements ReadBlockPlacements(const CSettingsStore& settings) {
    BlockPlacements placements;
    for (const PaperSize& size : PaperSizes()) {
        if (!size.IsEnvelope())
            continue;
        const BlockPlacement placement = ReadBlockPlacement(settings, size);
        if (!placement.IsEmpty())
            placements.insert(size.Key(), placement);
    }
    return placements;
}

bool WriteBlockPlacement(CSettingsStore& settings, const PaperSize& size,
                         const BlockPlacement& placement) {
    if (placement.IsEmpty())
        return settings.DeleteOwnValue(kPlacementKey, size.Key());
    return settings.WriteOwnString(kPlacementKey, size.Key(), FormatPlacement(placement, size));
}

const PaperSize& PlacementSizeOf(const PrinterMetrics& page, int envelopeIndex) {
    const PaperSize* paper = MatchPaperSize(PageInches(page));
    return paper && paper->IsEnvelope() ? *paper : PaperSizeOfRow(envelopeIndex);
}

bool PageIsEnvelope(const PrinterMetrics& page, const PaperSize& size) {
    return MatchPaperSize(PageInches(page)) == &size;
}

void PlaceBlocks(EnvelopeLayout& layout, const QRectF& envelope, double dpi,
                 const BlockPlacement& placement) {
    const auto place = [&](EdgeRect& rect, const QPointF& start) {
        // Nothing is printed outside the printable area, whose corner is the
        // layout's origin.
        rect.left =
            std::max(0, static_cast<int32_t>(std::lround(envelope.left() + start.x() * dpi)));
        rect.top = std::max(0, static_cast<int32_t>(std::lround(envelope.top() + start.y() * dpi)));
    };
    if (placement.returnStart)
        place(layout.returnRect, *placement.returnStart);
    if (placement.mailingStart)
        place(layout.mailingRect, *placement.mailingStart);
}
