#include "print/jobwarnings.h"

#include "print/envelopejob.h"
#include "print/envelopepainter.h"
#include "print/envelopesizes.h"
#include "print/papersizes.h"

#include <QPageLayout>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace {

// How far two edges may lie apart and still be one: paper sizes are given in
// whole millimetres or in fractions of an inch.
constexpr double kSameSizeInches = 0.08;

// The envelope's name as the size list starts it: "No. 10".
QString EnvelopeName(const EnvelopeSize& size) {
    return QString::fromUtf16(size.name).section(u':', 0, 0);
}

QString Inches(double value) {
    return QString::number(value, 'f', 2);
}

// The paper's size: inches as the page size gives them are rounded to the
// hundredth, too coarse to tell sizes 1 mm apart.
QSizeF PaperInches(const QPrinter& printer) {
    return printer.pageLayout().pageSize().size(QPageSize::Millimeter) / 25.4;
}

// "A4 (297 × 210 mm)" for a size people name, in its own unit and long side
// first; else "8.27 × 11.69 in", with the printer's name for it if it has one.
QString PaperDescription(const QPrinter& printer) {
    const QPageSize page = printer.pageLayout().pageSize();
    const QSizeF inches = page.size(QPageSize::Inch);
    if (const PaperSize* named = MatchPaperSize(PaperInches(printer)))
        return named->Description();
    const QString size =
        QStringLiteral("%1 \u00D7 %2 in").arg(Inches(inches.width()), Inches(inches.height()));
    return page.id() == QPageSize::Custom ? size : QStringLiteral("%1 (%2)").arg(page.name(), size);
}

// A quoted line, shortened to what a line under the preview can hold.
QString Quoted(const QString& line) {
    constexpr qsizetype kLongest = 40;
    return QStringLiteral("\u201C%1\u201D")
        .arg(line.size() > kLongest ? line.left(kLongest - 1) + QChar(0x2026) : line);
}

// Which font to choose smaller, by the blocks the cut lines are in.
QString CutLinesRemedy(qsizetype lines, bool returnCut, bool mailingCut) {
    const QString font = !mailingCut  ? QStringLiteral("Return Address Font...")
                         : !returnCut ? QStringLiteral("Mailing Address Font...")
                                      : QStringLiteral("the address fonts");
    return QStringLiteral(
               " Shorten or remove %1, or choose a smaller font with %2 (in the configuration "
               "menu).")
        .arg(lines == 1 ? QStringLiteral("the line") : QStringLiteral("them"), font);
}

QString CutLinesSentence(const QList<std::pair<int, QString>>& cut, qsizetype envelopes) {
    constexpr qsizetype kListed = 3;
    QStringList listed;
    for (qsizetype i = 0; i < std::min(kListed, cut.size()); ++i) {
        listed << (envelopes == 1 ? Quoted(cut[i].second)
                                  : QStringLiteral("envelope %1, %2")
                                        .arg(cut[i].first + 1)
                                        .arg(Quoted(cut[i].second)));
    }
    QString text = cut.size() == 1
                       ? QStringLiteral("A line is cut at the edge of its block: %1").arg(listed[0])
                       : QStringLiteral("%1 lines are cut at the edge of their block: %2")
                             .arg(QString::number(cut.size()), listed.join(QStringLiteral("; ")));
    if (cut.size() > kListed)
        text += QStringLiteral("; and %1 more").arg(cut.size() - kListed);
    return text + u'.';
}

} // namespace

QString CutLinesWarning(const EnvelopeJob& job, const QPrinter& printer,
                        const QStringList& mailingAddresses, MailingLinesChecked checked) {
    const CEnvelopePainter envelope(job, CEnvelopePainter::MetricsOf(printer), &printer);
    // The return address is the same on every envelope: its lines count once.
    QList<std::pair<int, QString>> cut;
    for (const QString& line : envelope.CutReturnLines())
        cut.append({0, line});
    const qsizetype returnLines = cut.size();
    for (qsizetype i = 0; checked == MailingLinesChecked::No && i < mailingAddresses.size(); ++i) {
        for (const QString& line : envelope.CutMailingLines(mailingAddresses[i]))
            cut.append({static_cast<int>(i), line});
    }
    if (cut.isEmpty())
        return QString();
    return CutLinesSentence(cut, mailingAddresses.size()) +
           CutLinesRemedy(cut.size(), returnLines > 0, cut.size() > returnLines);
}

QStringList PaperWarnings(const EnvelopeJob& job, const QPrinter& printer) {
    QStringList warnings;
    const EnvelopeSize& size = EnvelopeSizeRow(job.envelopeIndex);
    const CEnvelopePainter envelope(job, CEnvelopePainter::MetricsOf(printer), &printer);
    const QRectF sheet = envelope.Sheet();
    const QRectF onSheet = envelope.EnvelopeOnSheet();
    const double dpi = CEnvelopePainter::MetricsOf(printer).dpiX;

    // On a sheet it does not take for larger than an envelope, the layout
    // takes the sheet for the envelope, whatever the one chosen.
    const auto same = [](double a, double b) { return std::abs(a - b) <= kSameSizeInches; };
    const double placedLong = std::max(onSheet.width(), onSheet.height()) / dpi;
    const double placedShort = std::min(onSheet.width(), onSheet.height()) / dpi;
    // A paper that is itself an envelope is the envelope fed as the page,
    // whichever the size list names.
    const PaperSize* paper = MatchPaperSize(PaperInches(printer));
    if (dpi > 0 && !(paper && paper->IsEnvelope()) &&
        !(same(placedLong, size.width) && same(placedShort, size.height))) {
        warnings << QStringLiteral("The envelope chosen is %1 (%2 \u00D7 %3 in), but the "
                                   "printer's paper is %4: the addresses are placed for the "
                                   "paper.")
                        .arg(EnvelopeName(size), Inches(size.width), Inches(size.height),
                             PaperDescription(printer));
    }
    const double slack = kSameSizeInches * dpi;
    if (!sheet.adjusted(-slack, -slack, slack, slack).contains(onSheet)) {
        warnings << QStringLiteral("The %1 envelope does not fit on the printer's paper, %2: "
                                   "what lies beyond the sheet is not printed. Choose the "
                                   "envelope itself, or a sheet lying across, as the paper "
                                   "with Printer... (in the configuration menu).")
                        .arg(EnvelopeName(size), PaperDescription(printer));
    }
    return warnings;
}

QStringList JobWarnings(const EnvelopeJob& job, const QPrinter& printer,
                        const QStringList& mailingAddresses, MailingLinesChecked checked) {
    QStringList warnings = PaperWarnings(job, printer);
    if (const QString cut = CutLinesWarning(job, printer, mailingAddresses, checked);
        !cut.isEmpty())
        warnings << cut;
    return warnings;
}
