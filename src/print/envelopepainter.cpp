#include "print/envelopepainter.h"

#include "print/blockplacement.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

// Lines end at CR LF, as the address boxes hand them over; a lone CR or LF
// also ends a line, so pasted text prints line by line as well.
QStringList SplitLines(const QString& text) {
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(line);
            line.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            line.append(c);
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

// The part of a line that reaches into the space up to `width`: whole
// characters, the last of them possibly cut by the clip. Characters wholly
// beyond the edge are left out, so they are not in the document at all.
QString VisiblePart(const QString& line, const QFontMetrics& metrics, int width) {
    // Measuring a line shapes it, as drawing it does again: a short line of
    // letters the font has, none wider than its widest, fits unmeasured.
    // Other scripts may come from a fallback font with wider letters.
    if (line.size() * qint64(metrics.maxWidth()) <= width &&
        std::all_of(line.cbegin(), line.cend(), [](QChar c) { return c.unicode() < 0x0250; }))
        return line;
    if (metrics.horizontalAdvance(line) <= width)
        return line;
    // Where each character starts; a binary search keeps long pasted lines
    // cheap to measure.
    std::vector<qsizetype> starts{0};
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, line);
    for (qsizetype p = finder.toNextBoundary(); p > 0 && p < line.size();
         p = finder.toNextBoundary())
        starts.push_back(p);
    // The first character that starts at or beyond the edge ends the part.
    std::size_t low = 0;
    std::size_t high = starts.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (metrics.horizontalAdvance(line.left(starts[middle])) >= width)
            high = middle;
        else
            low = middle + 1;
    }
    return low < starts.size() ? line.left(starts[low]) : line;
}

// Walks a block's lines as the text call of a printer DC lays them out with
// no format flags but "no prefix": left-aligned from the top, one line per
// line of text, each one font height (ascent plus descent) below the last,
// no wrapping, no tab stops. visit(line, visible part, top) for each line
// until it returns false.
template <typename Visit>
void ForEachLine(const EdgeRect& rect, const QString& text, const QFontMetrics& metrics,
                 Visit visit) {
    const int width = rect.right - rect.left;
    int top = rect.top;
    for (QString line : SplitLines(text)) {
        // Without tab stops a tab takes the room of one blank.
        line.replace(u'\t', u' ');
        if (!visit(line, VisiblePart(line, metrics, width), top))
            return;
        top += metrics.height();
    }
}

// Draws a block clipped to its rectangle, ampersands as they are.
void DrawBlock(QPainter& painter, const EdgeRect& rect, const QString& text, const QFont& font) {
    if (rect.right <= rect.left || rect.bottom <= rect.top || text.isEmpty())
        return;
    painter.save();
    painter.setFont(font);
    painter.setClipRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top));
    const QFontMetrics metrics = painter.fontMetrics();
    ForEachLine(rect, text, metrics, [&](const QString&, const QString& visible, int top) {
        if (top >= rect.bottom)
            return false;
        if (!visible.isEmpty())
            painter.drawText(QPoint(rect.left, top + metrics.ascent()), visible);
        return true;
    });
    painter.restore();
}

// The lines of a block that its edges cut: a line whose ink reaches past
// the right edge or below the bottom, or that starts below it.
QStringList CutLinesOf(const EdgeRect& rect, const QString& text, const QFont& font,
                       const QPaintDevice* device) {
    QStringList cut;
    if (text.isEmpty())
        return cut;
    const QFontMetrics metrics(font, device);
    const int width = rect.right - rect.left;
    ForEachLine(rect, text, metrics, [&](const QString& line, const QString&, int top) {
        // Blanks at the end of a line print nothing, wherever they fall.
        qsizetype end = line.size();
        while (end > 0 && line[end - 1].isSpace())
            --end;
        const QString ink = line.left(end);
        if (!ink.isEmpty() && (top + metrics.height() > rect.bottom || width <= 0 ||
                               metrics.horizontalAdvance(ink) > width))
            cut.append(ink);
        return true;
    });
    return cut;
}

LOGFONTW WithHeight(LOGFONTW description, int32_t height) {
    description.lfHeight = height;
    return description;
}

} // namespace

CEnvelopePainter::CEnvelopePainter(const EnvelopeJob& job, const PrinterMetrics& metrics,
                                   const QPaintDevice* device)
    : m_returnAddress(job.returnAddress), m_mailingPage(job.mailingPage), m_device(device),
      m_metrics(metrics) {
    // The layout is worked out as it always was, on the page as the
    // envelope lies in it; the alignment moves the whole drawing after.
    m_page = AlignPage(metrics, job.envelopeIndex, job.alignment);
    // Blocks the user placed are placed on the envelope the page is, or on
    // the size list's envelope on a sheet. An envelope fed as the page is
    // then the envelope even when it is 8 inches tall or more.
    const PaperSize& size = PlacementSizeOf(m_page.layoutMetrics, job.envelopeIndex);
    const BlockPlacement placement = job.placements.value(size.Key());
    const bool pageIsEnvelope = !placement.IsEmpty() && PageIsEnvelope(m_page.layoutMetrics, size);
    if (pageIsEnvelope)
        m_page = AlignPage(metrics, job.envelopeIndex, job.alignment, true);
    m_layout = ComputeEnvelopeLayout(m_page.layoutMetrics, job.window, job.envelopeIndex,
                                     job.returnLogFont.lfHeight, job.mailingLogFont.lfHeight,
                                     pageIsEnvelope);
    PlaceBlocks(m_layout, m_page.envelope, m_page.layoutMetrics.dpiX, placement);
    m_returnFont =
        FontFromLogFont(WithHeight(job.returnLogFont, m_layout.returnFontHeight), device);
    m_mailingFont =
        FontFromLogFont(WithHeight(job.mailingLogFont, m_layout.mailingFontHeight), device);
}

PrinterMetrics CEnvelopePainter::MetricsOf(const QPrinter& printer) {
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    PrinterMetrics metrics;
    metrics.width = qRound(paper.width());
    metrics.height = qRound(paper.height());
    metrics.offsetX = qRound(page.left() - paper.left());
    metrics.offsetY = qRound(page.top() - paper.top());
    metrics.dpiX = printer.logicalDpiX();
    metrics.dpiY = printer.logicalDpiY();
    return metrics;
}

QString CEnvelopePainter::DrawPage(QPainter& painter, const QString& mailingAddress,
                                   qsizetype pageIndex) const {
    // Without an alignment the page is drawn exactly as it always was.
    const bool aligned = !m_page.transform.isIdentity();
    if (aligned) {
        painter.save();
        painter.setTransform(m_page.transform, true);
    }
    painter.setPen(Qt::black);
    DrawBlock(painter, m_layout.returnRect, m_returnAddress, m_returnFont);
    QString problem;
    if (!m_mailingPage) {
        DrawBlock(painter, m_layout.mailingRect, mailingAddress, m_mailingFont);
    } else {
        const MailingPage page = m_mailingPage(mailingAddress, EnvelopeInches(), pageIndex);
        DrawBlock(painter, m_layout.mailingRect, page.text, m_mailingFont);
        const QTransform toLayout = LayoutFromInches();
        for (const QRectF& bar : page.bars)
            painter.fillRect(toLayout.mapRect(bar), Qt::black);
        problem = page.problem;
    }
    if (aligned)
        painter.restore();
    return problem;
}

MailingPage CEnvelopePainter::PageOf(const QString& mailingAddress, qsizetype page) const {
    return m_mailingPage ? m_mailingPage(mailingAddress, EnvelopeInches(), page)
                         : MailingPage{mailingAddress, {}, {}};
}

QTransform CEnvelopePainter::LayoutFromInches() const {
    // The envelope's rectangle is laid out with the horizontal resolution
    // both ways, so its inches are too.
    const double dpi = m_page.layoutMetrics.dpiX;
    return QTransform(dpi, 0, 0, dpi, m_page.envelope.left(), m_page.envelope.top());
}

QTransform CEnvelopePainter::FromInches() const {
    return LayoutFromInches() * m_page.transform;
}

QSizeF CEnvelopePainter::EnvelopeInches() const {
    const double dpi = m_page.layoutMetrics.dpiX;
    return dpi > 0 ? m_page.envelope.size() / dpi : QSizeF();
}

PrintedBlock CEnvelopePainter::MailingBlock(const QString& mailingAddress) const {
    const MailingPage page = PageOf(mailingAddress);
    PrintedBlock block;
    block.envelope = EnvelopeInches();
    block.bars = page.bars;
    const QTransform toInches = LayoutFromInches().inverted();
    // The lines as DrawBlock lays them out.
    const EdgeRect& rect = m_layout.mailingRect;
    const QFontMetrics metrics(m_mailingFont, m_device);
    const QFontMetricsF exact(m_mailingFont, m_device);
    block.capHeight = m_metrics.dpiY > 0 ? exact.capHeight() / m_metrics.dpiY : 0;
    const int width = rect.right - rect.left;
    ForEachLine(rect, page.text, metrics,
                [&](const QString& line, const QString& visible, int top) {
                    PrintedLine printed;
                    printed.drawn = top < rect.bottom && width > 0;
                    printed.text = printed.drawn ? visible : line;
                    printed.length = line.size();
                    // Blanks past the edge print nothing: the line is whole.
                    printed.cut = printed.drawn && visible.size() < line.size() &&
                                  !QStringView(line).sliced(visible.size()).trimmed().isEmpty();
                    if (!printed.text.trimmed().isEmpty()) {
                        const QRectF ink = exact.tightBoundingRect(printed.text)
                                               .translated(rect.left, top + metrics.ascent());
                        printed.ink = toInches.mapRect(ink);
                    }
                    block.lines.append(printed);
                    return true;
                });
    return block;
}

namespace {

// What the test page draws with: millimetres in printer pixels across and
// down, and its one small font.
struct TestPageInk {
    double mmX = 0;
    double mmY = 0;
    QFont font;
};

// An arrow to the edge of the sheet that goes into the printer first, and
// what it means. A page taller than wide goes in top edge first; one
// turned to landscape is printed a quarter turn counter-clockwise, so its
// right edge goes first. Above the outline, clear of its corners, or
// inside it away from the rulers.
void DrawFeedArrow(QPainter& painter, const QRectF& sheet, const QRectF& outline,
                   const TestPageInk& ink) {
    const QFontMetricsF metrics(ink.font, painter.device());
    const bool upward = sheet.height() >= sheet.width();
    double x = sheet.center().x();
    if (upward && qMin(qAbs(x - outline.left()), qAbs(x - outline.right())) < 12 * ink.mmX)
        x = outline.left() - sheet.left() > sheet.right() - outline.right()
                ? (sheet.left() + outline.left()) / 2
                : (outline.right() + sheet.right()) / 2;
    const QPointF tip =
        upward ? QPointF(x, sheet.top() + 8 * ink.mmY)
               : QPointF(sheet.right() - 8 * ink.mmX, sheet.top() + 0.3 * sheet.height());
    const QPointF back = upward ? QPointF(0, 15 * ink.mmY) : QPointF(-15 * ink.mmX, 0);
    const QPointF side = upward ? QPointF(3 * ink.mmX, 0) : QPointF(0, 3 * ink.mmY);
    const QPointF head = back * 0.25;
    painter.drawLine(tip, tip + back);
    painter.drawLine(tip, tip + head + side);
    painter.drawLine(tip, tip + head - side);
    const QString words = QStringLiteral("This edge goes into the printer");
    const double middle = (metrics.ascent() - metrics.descent()) / 2;
    painter.drawText(upward ? tip + QPointF(2 * ink.mmX, 5 * ink.mmY + middle)
                            : tip + back +
                                  QPointF(-metrics.horizontalAdvance(words) - ink.mmX, middle),
                     words);
}

// A tick each millimetre, longer each 5 and 10, from 10 mm before the
// outline's corner on; the number of each 10 past the ticks, where the
// printer can print it however the page is shifted: 0 at the outline's
// edge. Along the outline's top edge, then down its left edge.
void DrawRulers(QPainter& painter, const QRectF& outline, const QRectF& printable,
                const TestPageInk& ink) {
    const QFontMetricsF metrics(ink.font, painter.device());
    const auto tick = [](int n) { return n % 10 == 0 ? 3.5 : n % 5 == 0 ? 2.5 : 1.5; };
    // The numbers' row: a little inside the outline, and inside what the
    // printer prints.
    const double rowTop = qMax(outline.top(), printable.top()) + 4 * ink.mmY;
    const double rowLeft = qMax(outline.left(), printable.left()) + 4 * ink.mmX;
    for (int n = -10; n * ink.mmX < outline.width(); ++n) {
        const double x = outline.left() + n * ink.mmX;
        const double end = qMax(outline.top(), printable.top()) + tick(n) * ink.mmY;
        painter.drawLine(QPointF(x, outline.top()), QPointF(x, end));
        if (n % 10 != 0)
            continue;
        // Centred under its tick; the 0 beside it, so that an envelope fed
        // as the paper has it whole.
        const QString number = n < 0 ? QStringLiteral("\u2212%1").arg(-n) : QString::number(n);
        const double width = metrics.horizontalAdvance(number);
        const double left = n == 0 ? x + 0.5 * ink.mmX : x - width / 2;
        if (left + width <= printable.right())
            painter.drawText(QPointF(left, rowTop + metrics.ascent()), number);
    }
    for (int n = -10; n * ink.mmY < outline.height(); ++n) {
        const double y = outline.top() + n * ink.mmY;
        const double end = qMax(outline.left(), printable.left()) + tick(n) * ink.mmX;
        painter.drawLine(QPointF(outline.left(), y), QPointF(end, y));
        if (n % 10 != 0 || n == 0)
            continue;
        const QString number = n < 0 ? QStringLiteral("\u2212%1").arg(-n) : QString::number(n);
        painter.drawText(QPointF(rowLeft, y + (metrics.ascent() - metrics.descent()) / 2), number);
    }
}

// Marks beyond each corner, in line with the edges, to find them when
// the envelope covers the outline.
void DrawCornerMarks(QPainter& painter, const QRectF& outline, const TestPageInk& ink) {
    for (const QPointF& corner :
         {outline.topLeft(), outline.topRight(), outline.bottomLeft(), outline.bottomRight()}) {
        const double outX = corner.x() < outline.center().x() ? -1 : 1;
        const double outY = corner.y() < outline.center().y() ? -1 : 1;
        painter.drawLine(corner + QPointF(outX * 2 * ink.mmX, 0),
                         corner + QPointF(outX * 7 * ink.mmX, 0));
        painter.drawLine(corner + QPointF(0, outY * 2 * ink.mmY),
                         corner + QPointF(0, outY * 7 * ink.mmY));
    }
}

// How to read the rulers, with the sign worked through, and the caption
// under it: in the first corner of the outline that no address area
// takes, clear of the rulers.
void DrawTestPageText(QPainter& painter, const QRectF& outline, const QRectF& printable,
                      const QList<QRectF>& areas, const QString& caption, const TestPageInk& ink) {
    const QString text =
        QStringLiteral("Lay an envelope on the outline, or feed one in place of the paper. Read "
                       "where its left edge lies on the top ruler and its top edge on the left "
                       "ruler. If its left edge lies at +3, add 3 to Shift right (at \u22123, "
                       "take 3 off); its top edge read the same way goes to Shift down.\n") +
        caption;
    const QRectF room = outline.intersected(printable).adjusted(12 * ink.mmX, 12 * ink.mmY,
                                                                -4 * ink.mmX, -4 * ink.mmY);
    const double width = qMin(room.width(), 160 * ink.mmX);
    const int flags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignBottom;
    const QRectF needed = painter.boundingRect(QRectF(0, 0, width, 1e6), flags, text);
    const QSizeF size(width, needed.height());
    const QRectF corners[] = {
        QRectF(QPointF(room.left(), room.bottom() - size.height()), size),
        QRectF(room.bottomRight() - QPointF(size.width(), size.height()), size),
        QRectF(QPointF(room.right() - size.width(), room.top()), size),
        QRectF(room.topLeft(), size),
    };
    const QRectF* place = &corners[0];
    for (const QRectF& corner : corners) {
        if (std::none_of(areas.cbegin(), areas.cend(),
                         [&](const QRectF& area) { return area.intersects(corner); })) {
            place = &corner;
            break;
        }
    }
    painter.drawText(*place, flags, text);
}

} // namespace

void CEnvelopePainter::DrawTestPage(QPainter& painter, const QString& caption) const {
    TestPageInk ink;
    ink.mmX = m_metrics.dpiX / 25.4;
    ink.mmY = m_metrics.dpiY / 25.4;
    ink.font = QFont(QStringLiteral("Liberation Sans"));
    ink.font.setPixelSize(qMax(1, qRound(2.5 * ink.mmY)));
    QPen pen(Qt::black);
    pen.setWidthF(0.15 * ink.mmX);
    painter.save();
    painter.setPen(pen);
    painter.setFont(ink.font);
    // Nothing beyond the sheet: an envelope fed as the paper has its
    // rulers' far side cut off there.
    const QRectF sheet = Sheet();
    painter.setClipRect(sheet);
    const QRectF printable = sheet.adjusted(m_metrics.offsetX, m_metrics.offsetY,
                                            -m_metrics.offsetX, -m_metrics.offsetY);

    // The outline and the address areas lie where the alignment puts the
    // envelope; the rulers, the marks and the words stand upright on the
    // sheet, so that right and down on them are right and down for the
    // shift too.
    const QRectF outline = EnvelopeOnSheet();
    DrawFeedArrow(painter, sheet, outline, ink);
    painter.drawRect(outline);
    const QList<QRectF> areas = DrawAddressAreas(painter, ink.mmX);
    DrawRulers(painter, outline, printable, ink);
    DrawCornerMarks(painter, outline, ink);
    DrawTestPageText(painter, outline, printable, areas, caption, ink);
    painter.restore();
}

QList<QRectF> CEnvelopePainter::DrawAddressAreas(QPainter& painter, double mm) const {
    // Each block's area as big as a few lines of its own font: where the
    // address's first lines go.
    const std::tuple<const EdgeRect&, const QFont&, QString> blocks[] = {
        {m_layout.returnRect, m_returnFont, QStringLiteral("Return address")},
        {m_layout.mailingRect, m_mailingFont, QStringLiteral("Mailing address")},
    };
    QList<QRectF> onSheet;
    QPen dashed = painter.pen();
    dashed.setStyle(Qt::DashLine);
    for (const auto& [edges, font, label] : blocks) {
        const QFontMetricsF lines(font, m_device);
        const QRectF area =
            QRectF(edges.left, edges.top, 24 * lines.averageCharWidth(), 4 * lines.height())
                .intersected(m_page.envelope);
        if (area.isEmpty())
            continue;
        painter.save();
        painter.setTransform(m_page.transform, true);
        const QPen solid = painter.pen();
        painter.setPen(dashed);
        painter.drawRect(area);
        painter.setPen(solid);
        // At the area's foot, clear of a ruler along the top edge.
        const QFontMetricsF metrics(painter.font(), painter.device());
        painter.drawText(area.bottomLeft() + QPointF(mm, -mm - metrics.descent()), label);
        painter.restore();
        onSheet.append(m_page.transform.mapRect(area));
    }
    return onSheet;
}

QRectF CEnvelopePainter::Sheet() const {
    return QRectF(-m_metrics.offsetX, -m_metrics.offsetY, m_metrics.width, m_metrics.height);
}

QRectF CEnvelopePainter::EnvelopeOnSheet() const {
    return m_page.transform.mapRect(m_page.envelope);
}

QStringList CEnvelopePainter::CutReturnLines() const {
    return CutLinesOf(m_layout.returnRect, m_returnAddress, m_returnFont, m_device);
}

QStringList CEnvelopePainter::CutMailingLines(const QString& mailingAddress) const {
    return CutLinesOf(m_layout.mailingRect, PageOf(mailingAddress).text, m_mailingFont, m_device);
}

void CEnvelopePainter::DrawOutline(QPainter& painter) const {
    painter.save();
    QPen pen(QColor(160, 160, 160));
    pen.setWidthF(0.25 * m_metrics.dpiX / 25.4);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.setTransform(m_page.transform, true);
    painter.drawRect(m_page.envelope);
    painter.restore();
}
