#include "printjob.h"

#include "envelopelayout.h"
#include "printerblocks.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QTextBoundaryFinder>

#include <vector>

#ifdef PELVARO_HAVE_CUPS
#include <cups/cups.h>
#endif

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

// Why the PDF writer could not open its file. It does not say, so the file is
// opened once more, for appending, which changes nothing that is there.
QString WhyFileCannotBeWritten(const QString& path) {
    const bool existed = QFileInfo::exists(path);
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
        return probe.errorString();
    probe.close();
    if (!existed)
        QFile::remove(path);
    return QStringLiteral("the file could not be opened");
}

// The PDF writer does not check its writes: a file that does not end the way
// every PDF it writes ends was cut short, by a full disk for one.
bool PdfWrittenWhole(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 6 || !file.seek(file.size() - 6))
        return false;
    return file.read(6) == "%%EOF\n";
}

// What the print server said to the last request of this thread, which is
// the job's submission when the painter has just ended: Qt drops the answer.
QString PrintServerRefusal() {
#ifdef PELVARO_HAVE_CUPS
    if (cupsLastError() >= IPP_STATUS_REDIRECTION_OTHER_SITE) {
        const char* message = cupsLastErrorString();
        return message && *message ? QString::fromUtf8(message)
                                   : QString::fromUtf8(ippErrorString(cupsLastError()));
    }
#endif
    return {};
}

} // namespace

QString PrintFailureMessage(const PrintFailure& failure) {
    QString cause = failure.cause.trimmed();
    while (cause.endsWith(QLatin1Char('.')))
        cause.chop(1);
    return (failure.toFile ? QStringLiteral("The envelope was not printed to the file %1: %2.")
                           : QStringLiteral("The envelope was not printed on %1: %2."))
        .arg(failure.printer, cause);
}

PrintResult PrintEnvelope(const CEnvelopeJob& job, PrintFailure* failure) {
    // No fall-back to the default printer: without a configured one the user
    // has to choose it first.
    if (job.devNames.isNull())
        return PrintResult::InvalidSetup;
    QPrinter printer(QPrinter::HighResolution);
    if (!ConfigurePrinterFromBlocks(printer, job.devMode, job.devNames))
        return PrintResult::InvalidSetup;
    // The painter's origin is the corner of the printable area, as positions
    // are computed in those coordinates.
    printer.setFullPage(false);
    printer.setDocName(QStringLiteral("Pelvaro"));

    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    const QString output = toFile ? printer.outputFileName() : printer.printerName();
    const auto failed = [&](const QString& cause) {
        if (failure)
            *failure = PrintFailure{output, toFile, cause};
        return PrintResult::Failed;
    };

    QPainter painter;
    if (!painter.begin(&printer)) {
        return failed(toFile ? WhyFileCannotBeWritten(output)
                             : QStringLiteral("the print job could not be started"));
    }

    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    PrinterMetrics metrics;
    metrics.width = qRound(paper.width());
    metrics.height = qRound(paper.height());
    metrics.offsetX = qRound(page.left() - paper.left());
    metrics.offsetY = qRound(page.top() - paper.top());
    metrics.dpiX = printer.logicalDpiX();
    metrics.dpiY = printer.logicalDpiY();

    DialogGeometry dialog;
    dialog.clientSize = job.clientSize;
    dialog.returnBoxTopLeft = job.returnBoxTopLeft;
    dialog.mailingBoxTopLeft = job.mailingBoxTopLeft;
    dialog.screenDpiY = job.screenDpiY;
    const EnvelopeLayout layout =
        ComputeEnvelopeLayout(metrics, dialog, job.envelopeIndex, job.returnLogFont.lfHeight,
                              job.mailingLogFont.lfHeight);

    painter.setPen(Qt::black);
    DrawBlock(painter, layout.returnRect, job.returnAddress,
              FontFromLogFont(WithHeight(job.returnLogFont, layout.returnFontHeight), &printer));
    DrawBlock(painter, layout.mailingRect, job.mailingAddress,
              FontFromLogFont(WithHeight(job.mailingLogFont, layout.mailingFontHeight), &printer));
    // Ending the painter writes the file or hands the job to the print server.
    if (!painter.end())
        return failed(QStringLiteral("the printer did not take the job"));
    if (toFile && !PdfWrittenWhole(output))
        return failed(QStringLiteral("the file could not be written whole"));
    if (const QString refusal = toFile ? QString() : PrintServerRefusal(); !refusal.isEmpty())
        return failed(refusal);
    return PrintResult::Printed;
}
