#pragma once

#include "print/envelopelayout.h"
#include "print/papersizes.h"

#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

class CSettingsStore;

// Where the user put the blocks on one envelope size: each block's start,
// in inches from the envelope's left and top edges. A block without one is
// placed as it always was.
struct BlockPlacement {
    std::optional<QPointF> returnStart;
    std::optional<QPointF> mailingStart;

    bool IsEmpty() const { return !returnStart && !mailingStart; }
    friend bool operator==(const BlockPlacement&, const BlockPlacement&) = default;
};
// By the size's key (PaperSize::key).
using BlockPlacements = QHash<QString, BlockPlacement>;

// "X,Y" in the size's own unit, each at least 0 and inside the envelope;
// nothing otherwise.
std::optional<QPointF> ParseBlockStart(const QString& text, const PaperSize& size);
QString FormatBlockStart(const QPointF& inches, const PaperSize& size);
// The stored form, "X,Y;X,Y" (return, mailing; either may be empty), in the
// size's own unit, and back; nothing when the text is damaged.
QString FormatPlacement(const BlockPlacement& placement, const PaperSize& size);
std::optional<BlockPlacement> ParsePlacement(const QString& text, const PaperSize& size);

// Stored in our own key, one value a size; a damaged value is as none.
BlockPlacements ReadBlockPlacements(const CSettingsStore& settings);
BlockPlacement ReadBlockPlacement(const CSettingsStore& settings, const PaperSize& size);
// An empty placement removes what is stored.
bool WriteBlockPlacement(CSettingsStore& settings, const PaperSize& size,
                         const BlockPlacement& placement);

// The size a page's blocks are placed for: the envelope the page itself is
// (its sides within 1 mm of one in the table), else the size list's row.
// page: as the envelope lies in it.
const PaperSize& PlacementSizeOf(const PrinterMetrics& page, int envelopeIndex);
// Whether that size is the page itself rather than the row on a sheet.
bool PageIsEnvelope(const PrinterMetrics& page, const PaperSize& size);
// Moves the starts of the blocks the placement gives, inside the printable
// area; envelope: where the envelope lies in the layout's coordinates, dpi
// its pixels an inch.
void PlaceBlocks(EnvelopeLayout& layout, const QRectF& envelope, double dpi,
                 const BlockPlacement& placement);
