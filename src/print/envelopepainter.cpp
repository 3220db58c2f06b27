#include "print/envelopepainter.h"

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

// Draws a block as the text call of a printer DC does with no format flags
// but "no prefix": left-aligned from the top, one line per line of text,
// each one font height (ascent plus descent) below the last, no wrapping,
// no tab stops, clipped to the rectangle, ampersands as they are.
void DrawBlock(QPainter& painter, const EdgeRect& rect, const QString& text, const QFont& font) {
    if (rect.right <= rect.left || rect.bottom <= rect.top || text.isEmpty())
        return;
    painter.save();
    painter.setFont(font);
    painter.setClipRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top));
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = rect.right - rect.left;
    int top = rect.top;
    for (QString line : SplitLines(text)) {
        if (top >= rect.bottom)
            break;
        // Without tab stops a tab takes the room of one blank.
        line.replace(u'\t', u' ');
        const QString visible = VisiblePart(line, metrics, width);
        if (!visible.isEmpty())
            painter.drawText(QPoint(rect.left, top + metrics.ascent()), visible);
        top += metrics.height();
    }
    painter.restore();
}

LOGFONTW WithHeight(LOGFONTW description, int32_t height) {
    description.lfHeight = height;
    return description;
}

} // namespace

CEnvelopePainter::CEnvelopePainter(const EnvelopeJob& job, const PrinterMetrics& metrics,
                                   const QPaintDevice* device)
    : m_returnAddress(job.returnAddress) {
    DialogGeometry dialog;
    dialog.clientSize = job.clientSize;
    dialog.returnBoxTopLeft = job.returnBoxTopLeft;
    dialog.mailingBoxTopLeft = job.mailingBoxTopLeft;
    dialog.screenDpiY = job.screenDpiY;
    m_layout = ComputeEnvelopeLayout(metrics, dialog, job.envelopeIndex, job.returnLogFont.lfHeight,
                                     job.mailingLogFont.lfHeight);
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

void CEnvelopePainter::DrawPage(QPainter& painter, const QString& mailingAddress) const {
    painter.setPen(Qt::black);
    DrawBlock(painter, m_layout.returnRect, m_returnAddress, m_returnFont);
    DrawBlock(painter, m_layout.mailingRect, mailingAddress, m_mailingFont);
}
