#include "print/envelopepainter.h"

#include "print/blockplacement.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QTextBoundaryFinder>

#include <algorithm>
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

QString CEnvelopePainter::DrawPage(QPainter& painter, const QString& mailingAddress) const {
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
        const MailingPage page = m_mailingPage(mailingAddress, EnvelopeInches());
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

MailingPage CEnvelopePainter::PageOf(const QString& mailingAddress) const {
    return m_mailingPage ? m_mailingPage(mailingAddress, EnvelopeInches())
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

void CEnvelopePainter::DrawTestPage(QPainter& painter, const QString& caption) const {
    // Millimetres in printer pixels, across and down.
    const double mmX = m_metrics.dpiX / 25.4;
    const double mmY = m_metrics.dpiY / 25.4;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(qMax(1, qRound(2.5 * mmY)));
    QPen pen(Qt::black);
    pen.setWidthF(0.15 * mmX);
    painter.save();
    painter.setPen(pen);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());

    // The arrow stands on the sheet itself. A page taller than wide goes in
    // top edge first; one turned to landscape is printed a quarter turn
    // counter-clockwise, so its right edge goes first.
    const QRectF sheet(-m_metrics.offsetX, -m_metrics.offsetY, m_metrics.width, m_metrics.height);
    const bool upward = m_metrics.height >= m_metrics.width;
    const QPointF tip = upward ? QPointF(sheet.center().x(), sheet.top() + 8 * mmY)
                               : QPointF(sheet.right() - 8 * mmX, sheet.center().y());
    const QPointF back = upward ? QPointF(0, 25 * mmY) : QPointF(-25 * mmX, 0);
    const QPointF side = upward ? QPointF(3 * mmX, 0) : QPointF(0, 3 * mmY);
    const QPointF head = back * 0.2;
    painter.drawLine(tip, tip + back);
    painter.drawLine(tip, tip + head + side);
    painter.drawLine(tip, tip + head - side);
    const QString feed = QStringLiteral("Feed");
    painter.drawText(
        upward ? tip + back + QPointF(-metrics.horizontalAdvance(feed) / 2, metrics.ascent() + mmY)
               : tip + back -
                     QPointF(metrics.horizontalAdvance(feed) + mmX,
                             -(metrics.ascent() - metrics.descent()) / 2),
        feed);

    // The rest lies on the envelope, wherever the alignment puts it.
    painter.setTransform(m_page.transform, true);
    const QRectF envelope = m_page.envelope;
    painter.drawRect(envelope);
    const std::pair<const EdgeRect&, QString> blocks[] = {
        {m_layout.returnRect, QStringLiteral("Return address")},
        {m_layout.mailingRect, QStringLiteral("Mailing address")},
    };
    for (const auto& [edges, label] : blocks) {
        const QRectF block =
            QRectF(QPointF(edges.left, edges.top), QPointF(edges.right, edges.bottom))
                .intersected(envelope);
        if (block.isEmpty())
            continue;
        QPen dashed = pen;
        dashed.setStyle(Qt::DashLine);
        painter.setPen(dashed);
        painter.drawRect(block);
        painter.setPen(pen);
        painter.drawText(block.topLeft() + QPointF(6 * mmX, metrics.ascent() + 6 * mmY), label);
    }

    // A tick each millimetre, longer each 5 and 10, and the number of each
    // 10 under or beside its tick, from the outline's top left corner.
    const auto tick = [](int n) { return n % 10 == 0 ? 3.0 : n % 5 == 0 ? 2.0 : 1.0; };
    for (int n = 1; n * mmX < envelope.width(); ++n) {
        const double x = envelope.left() + n * mmX;
        painter.drawLine(QPointF(x, envelope.top()), QPointF(x, envelope.top() + tick(n) * mmY));
        const QString number = QString::number(n);
        if (n % 10 == 0)
            painter.drawText(QPointF(x - metrics.horizontalAdvance(number) / 2,
                                     envelope.top() + 3.5 * mmY + metrics.ascent()),
                             number);
    }
    for (int n = 1; n * mmY < envelope.height(); ++n) {
        const double y = envelope.top() + n * mmY;
        painter.drawLine(QPointF(envelope.left(), y), QPointF(envelope.left() + tick(n) * mmX, y));
        if (n % 10 == 0)
            painter.drawText(QPointF(envelope.left() + 3.5 * mmX,
                                     y + (metrics.ascent() - metrics.descent()) / 2),
                             QString::number(n));
    }
    // Marks beyond each corner, in line with the edges, to find them when
    // the envelope covers the outline.
    for (const QPointF& corner :
         {envelope.topLeft(), envelope.topRight(), envelope.bottomLeft(), envelope.bottomRight()}) {
        const double outX = corner.x() < envelope.center().x() ? -1 : 1;
        const double outY = corner.y() < envelope.center().y() ? -1 : 1;
        painter.drawLine(corner + QPointF(outX * 2 * mmX, 0), corner + QPointF(outX * 7 * mmX, 0));
        painter.drawLine(corner + QPointF(0, outY * 2 * mmY), corner + QPointF(0, outY * 7 * mmY));
    }
    painter.drawText(envelope.bottomLeft() + QPointF(6 * mmX, -6 * mmY - metrics.descent()),
                     caption);
    painter.restore();
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
