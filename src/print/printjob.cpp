#include "print/printjob.h"

#include "platform/outputfile.h"
#include "print/envelopepainter.h"
#include "print/logging.h"
#include "print/printerblocks.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLibrary>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>

#include <type_traits>

#ifdef PELVARO_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace {

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

#ifdef PELVARO_HAVE_CUPS
// The print server's library is opened when a job on a queue needs it, by
// which time Qt's print support has loaded it: a program that starts, or
// prints only to a file, goes without it and the twenty libraries it brings.
struct CupsCalls {
    decltype(&cupsLastError) lastError = nullptr;
    decltype(&cupsLastErrorString) lastErrorString = nullptr;
    decltype(&ippErrorString) errorString = nullptr;
    decltype(&cupsGetJobs2) getJobs = nullptr;
    decltype(&cupsCancelJob2) cancelJob = nullptr;
    decltype(&cupsFreeJobs) freeJobs = nullptr;
};

// Every call, or none when the library cannot be had.
const std::optional<CupsCalls>& Cups() {
    static const std::optional<CupsCalls> calls = []() -> std::optional<CupsCalls> {
        QLibrary library(QStringLiteral("cups"), 2);
        const auto resolve = [&library](auto& call, const char* name) {
            call = reinterpret_cast<std::remove_reference_t<decltype(call)>>(library.resolve(name));
            return call != nullptr;
        };
        CupsCalls found;
        if (resolve(found.lastError, "cupsLastError") &&
            resolve(found.lastErrorString, "cupsLastErrorString") &&
            resolve(found.errorString, "ippErrorString") &&
            resolve(found.getJobs, "cupsGetJobs2") && resolve(found.cancelJob, "cupsCancelJob2") &&
            resolve(found.freeJobs, "cupsFreeJobs"))
            return found;
        qCWarning(LogPrint) << "the print server's library could not be used:"
                            << library.errorString();
        return std::nullopt;
    }();
    return calls;
}
#endif

// What the print server said to the last request of this thread, which is
// the job's submission when the painter has just ended: Qt drops the answer.
QString PrintServerRefusal() {
#ifdef PELVARO_HAVE_CUPS
    if (const auto& cups = Cups(); cups && cups->lastError() >= IPP_STATUS_REDIRECTION_OTHER_SITE) {
        const char* message = cups->lastErrorString();
        return message && *message ? QString::fromUtf8(message)
                                   : QString::fromUtf8(cups->errorString(cups->lastError()));
    }
#endif
    return {};
}

// Withdraws the job that ending the painter is about to hand to the print
// server. Qt's CUPS engine writes the whole job to a file and submits it
// when the painter ends, and takes no abort: the job goes on hold under a
// name of its own, so that it never prints and can be found and cancelled
// once it is there.
class CJobWithdrawal {
public:
    explicit CJobWithdrawal(QPrinter& printer) : m_queue(printer.printerName()) {
#ifdef PELVARO_HAVE_CUPS
        static int count = 0;
        m_title = QStringLiteral("Pelvaro (withdrawn %1-%2)")
                      .arg(QCoreApplication::applicationPid())
                      .arg(++count);
        // The print server options of Qt's CUPS engine; read when the job is
        // handed over.
        constexpr auto kCupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
        printer.printEngine()->setProperty(
            kCupsOptions,
            QStringList{QStringLiteral("job-hold-until"), QStringLiteral("indefinite")});
        printer.printEngine()->setProperty(QPrintEngine::PPK_DocumentName, m_title);
#else
        // Elsewhere the system's spooler takes the pages as they come and
        // drops them on an abort.
        printer.abort();
#endif
    }

    // After the painter has ended: cancels what reached the queue.
    void Cancel() const {
#ifdef PELVARO_HAVE_CUPS
        // Without the library the job stays held, never printed.
        const auto& cups = Cups();
        if (!cups)
            return;
        cups_job_t* jobs = nullptr;
        const QByteArray queue = m_queue.section(u'/', 0, 0).toLocal8Bit();
        const int count =
            cups->getJobs(CUPS_HTTP_DEFAULT, &jobs, queue.constData(), 1, CUPS_WHICHJOBS_ACTIVE);
        for (int i = 0; i < count; ++i) {
            if (QString::fromUtf8(jobs[i].title) == m_title)
                cups->cancelJob(CUPS_HTTP_DEFAULT, queue.constData(), jobs[i].id, 0);
        }
        cups->freeJobs(count, jobs);
#endif
    }

private:
    QString m_queue;
    QString m_title;
};

// Ends a job that was stopped. Nothing of it may look printed: no PDF that
// a reader would take for the whole, no job that the printer prints.
void Withdraw(QPrinter& printer, QPainter& painter, COutputFile& pdf) {
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        painter.end();
        pdf.Discard();
        return;
    }
    const CJobWithdrawal withdrawal(printer);
    painter.end();
    withdrawal.Cancel();
}

// Draws page i of a job; why it falls short of what was asked, or nothing.
using DrawPageOf = std::function<QString(QPainter&, const CEnvelopePainter&, qsizetype)>;

// Prints a job of `pages` pages, each drawn by draw, on a printer set up for
// the job, with what every job needs around them: the file written whole, a
// cancelled job withdrawn, a refusal read back.
PrintResult PrintPages(const EnvelopeJob& job, QPrinter& printer, qsizetype pages,
                       const DrawPageOf& draw, const PageDone& pageDone, PrintFailure* failure);

// The same on a printer of its own.
PrintResult PrintPages(const EnvelopeJob& job, qsizetype pages, const DrawPageOf& draw,
                       const PageDone& pageDone, PrintFailure* failure) {
    QPrinter printer(QPrinter::HighResolution);
    if (!ConfigureJobPrinter(printer, job))
        return PrintResult::InvalidSetup;
    return PrintPages(job, printer, pages, draw, pageDone, failure);
}

} // namespace

QString PrintFailureMessage(const PrintFailure& failure) {
    QString cause = failure.cause.trimmed();
    while (cause.endsWith(QLatin1Char('.')))
        cause.chop(1);
    const QString what = failure.envelopes == 1
                             ? QStringLiteral("The envelope was")
                             : QStringLiteral("The %1 envelopes were").arg(failure.envelopes);
    return (failure.toFile ? QStringLiteral("%1 not printed to the file %2: %3.")
                           : QStringLiteral("%1 not printed on %2: %3."))
        .arg(what, failure.printer, cause);
}

bool ConfigureJobPrinter(QPrinter& printer, const EnvelopeJob& job) {
    // No fall-back to the default printer: without a configured one the user
    // has to choose it first.
    if (!ConfigurePrinter(printer, job.target, job.devMode)) {
        qCInfo(LogPrint) << "no printer to be had from the stored blocks:"
                         << (job.target.kind == PrintTarget::Kind::None ? "none stored"
                                                                        : "they do not fit here");
        return false;
    }
    qCInfo(LogPrint) << "printer" << printer.printerName() << "file" << printer.outputFileName()
                     << "page" << printer.pageLayout().fullRect(QPageLayout::Millimeter)
                     << "mm, orientation" << printer.pageLayout().orientation() << "resolution"
                     << printer.resolution();
    // The painter's origin is the corner of the printable area, as positions
    // are computed in those coordinates.
    printer.setFullPage(false);
    printer.setDocName(QStringLiteral("Pelvaro"));
    return true;
}

void DrawPictureOfPage(QImage& image, const EnvelopeJob& job, const QString& mailingAddress,
                       const PageOverlay& overlay) {
    PrinterMetrics page;
    page.width = image.width();
    page.height = image.height();
    page.dpiX = qRound(image.dotsPerMeterX() * 0.0254);
    page.dpiY = qRound(image.dotsPerMeterY() * 0.0254);
    const CEnvelopePainter envelope(job, page, &image);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    envelope.DrawPage(painter, mailingAddress);
    if (overlay)
        overlay(painter, envelope.FromInches(), envelope.EnvelopeInches(), mailingAddress);
}

const PaperSize& PlacementSizeOfJob(const EnvelopeJob& job) {
    QPrinter printer;
    if (!ConfigureJobPrinter(printer, job))
        return PaperSizeOfRow(job.envelopeIndex);
    return PlacementSizeOf(
        AlignPage(CEnvelopePainter::MetricsOf(printer), job.envelopeIndex, job.alignment)
            .layoutMetrics,
        job.envelopeIndex);
}

void PaintEnvelopes(QPrinter& printer, const EnvelopeJob& job, const QStringList& mailingAddresses,
                    bool outline, const PageOverlay& overlay) {
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const CEnvelopePainter envelope(job, CEnvelopePainter::MetricsOf(printer), &printer);
    // An envelope that is the sheet needs no outline: the page's edge is its.
    const double slack = printer.resolution() / 25.4;
    const QRectF sheet = envelope.Sheet();
    outline &= !envelope.EnvelopeOnSheet().contains(sheet.adjusted(slack, slack, -slack, -slack));
    for (qsizetype i = 0; i < mailingAddresses.size(); ++i) {
        if (i > 0)
            printer.newPage();
        if (outline)
            envelope.DrawOutline(painter);
        envelope.DrawPage(painter, mailingAddresses[i], i);
        if (overlay) {
            painter.save();
            overlay(painter, envelope.FromInches(), envelope.EnvelopeInches(), mailingAddresses[i]);
            painter.restore();
        }
    }
}

std::optional<QList<PrintedBlock>> MeasureMailingBlocks(const EnvelopeJob& job,
                                                        const QStringList& mailingAddresses) {
    QPrinter printer(QPrinter::HighResolution);
    if (!ConfigureJobPrinter(printer, job))
        return std::nullopt;
    return MeasureMailingBlocks(job, printer, mailingAddresses);
}

QList<PrintedBlock> MeasureMailingBlocks(const EnvelopeJob& job, const QPrinter& printer,
                                         const QStringList& mailingAddresses) {
    const CEnvelopePainter envelope(job, CEnvelopePainter::MetricsOf(printer), &printer);
    QList<PrintedBlock> blocks;
    blocks.reserve(mailingAddresses.size());
    for (const QString& address : mailingAddresses)
        blocks.append(envelope.MailingBlock(address));
    return blocks;
}

PrintResult PrintEnvelope(const EnvelopeJob& job, PrintFailure* failure) {
    return PrintEnvelopes(job, {job.mailingAddress}, {}, failure);
}

PrintResult PrintEnvelope(const EnvelopeJob& job, QPrinter& printer, PrintFailure* failure) {
    return PrintPages(
        job, printer, 1,
        [&](QPainter& painter, const CEnvelopePainter& envelope, qsizetype) {
            return envelope.DrawPage(painter, job.mailingAddress);
        },
        {}, failure);
}

PrintResult PrintEnvelopes(const EnvelopeJob& job, const QStringList& mailingAddresses,
                           const PageDone& pageDone, PrintFailure* failure) {
    return PrintEnvelopes(
        job, mailingAddresses.size(), [&](qsizetype i) { return mailingAddresses[i]; }, pageDone,
        failure);
}

PrintResult PrintEnvelopes(const EnvelopeJob& job, qsizetype pages,
                           const MailingAddressOf& mailingAddressOf, const PageDone& pageDone,
                           PrintFailure* failure) {
    return PrintPages(
        job, pages,
        [&](QPainter& painter, const CEnvelopePainter& envelope, qsizetype i) {
            return envelope.DrawPage(painter, mailingAddressOf(i), i);
        },
        pageDone, failure);
}

namespace {

QString TestPageRefusal(const EnvelopeJob& job, const QPrinter& printer) {
    return TestPageMisfit(
        CEnvelopePainter::MetricsOf(printer), job.envelopeIndex, job.alignment,
        // "Letter / ANSI A" is Letter to most.
        printer.pageLayout().pageSize().name().section(QStringLiteral(" / "), 0, 0));
}

} // namespace

QString TestPageRefusal(const EnvelopeJob& job) {
    QPrinter printer(QPrinter::HighResolution);
    return ConfigureJobPrinter(printer, job) ? TestPageRefusal(job, printer) : QString();
}

PrintResult PrintTestPage(const EnvelopeJob& job, const QString& caption, PrintFailure* failure) {
    QPrinter printer(QPrinter::HighResolution);
    if (!ConfigureJobPrinter(printer, job))
        return PrintResult::InvalidSetup;
    // Refused before the file or the job is started: nothing comes out.
    if (const QString refusal = TestPageRefusal(job, printer); !refusal.isEmpty()) {
        const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
        if (failure)
            *failure = PrintFailure{toFile ? printer.outputFileName() : printer.printerName(),
                                    toFile, refusal, 1};
        return PrintResult::Failed;
    }
    return PrintPages(
        job, printer, 1,
        [&](QPainter& painter, const CEnvelopePainter& envelope, qsizetype) {
            envelope.DrawTestPage(painter, caption);
            return QString();
        },
        {}, failure);
}

namespace {

PrintResult PrintPages(const EnvelopeJob& job, QPrinter& printer, qsizetype pages,
                       const DrawPageOf& draw, const PageDone& pageDone, PrintFailure* failure) {
    if (pages == 0)
        return PrintResult::Printed;

    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    const QString output = toFile ? printer.outputFileName() : printer.printerName();
    const auto failed = [&](const QString& cause) {
        qCInfo(LogPrint) << "job failed:" << output << cause;
        if (failure)
            *failure = PrintFailure{output, toFile, cause, static_cast<int>(pages)};
        return PrintResult::Failed;
    };

    // The PDF writer empties its file as it starts: it writes a file of its
    // own, which takes the output's name once the job came out whole, so a
    // job that fails or is cancelled costs no file that was there.
    COutputFile pdf(output);
    if (toFile) {
        if (!pdf.Open())
            return failed(pdf.Why());
        printer.setOutputFileName(pdf.TemporaryPath());
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return failed(toFile ? WhyFileCannotBeWritten(pdf.TemporaryPath())
                             : QStringLiteral("the print job could not be started"));
    }
    const CEnvelopePainter envelope(job, CEnvelopePainter::MetricsOf(printer), &printer);
    bool cancelled = false;
    QString problem;
    for (qsizetype i = 0; i < pages && !cancelled && problem.isEmpty(); ++i) {
        if (i > 0)
            printer.newPage();
        problem = draw(painter, envelope, i);
        cancelled = pageDone && !pageDone(static_cast<int>(i + 1));
    }
    if (cancelled || !problem.isEmpty()) {
        Withdraw(printer, painter, pdf);
        if (!problem.isEmpty())
            return failed(problem);
        qCInfo(LogPrint) << "job cancelled:" << output;
        return PrintResult::Cancelled;
    }
    // Ending the painter writes the file or hands the job to the print server.
    if (!painter.end())
        return failed(QStringLiteral("the printer did not take the job"));
    if (toFile && !PdfWrittenWhole(pdf.TemporaryPath()))
        return failed(QStringLiteral("the file could not be written whole"));
    if (toFile && !pdf.Commit())
        return failed(pdf.Why());
    if (const QString refusal = toFile ? QString() : PrintServerRefusal(); !refusal.isEmpty())
        return failed(refusal);
    qCInfo(LogPrint) << "job printed:" << output << pages << "pages";
    return PrintResult::Printed;
}

} // namespace

PrintResult RenderEnvelopes(const EnvelopeJob& job, qsizetype pages,
                            const MailingAddressOf& mailingAddressOf, int dpi,
                            const std::function<bool(const QImage& page, int index)>& picture,
                            PrintFailure* failure) {
    QPrinter printer(QPrinter::HighResolution);
    if (!ConfigureJobPrinter(printer, job))
        return PrintResult::InvalidSetup;
    if (dpi > 0)
        printer.setResolution(dpi);
    const PrinterMetrics metrics = CEnvelopePainter::MetricsOf(printer);
    // Grey levels are all that black text on white needs, at a quarter of
    // the memory of colour.
    QImage page(qMax(1, metrics.width), qMax(1, metrics.height), QImage::Format_Grayscale8);
    const int dotsPerMeter = qRound(metrics.dpiY / 0.0254);
    page.setDotsPerMeterX(dotsPerMeter);
    page.setDotsPerMeterY(dotsPerMeter);
    const CEnvelopePainter envelope(job, metrics, &page);
    for (qsizetype i = 0; i < pages; ++i) {
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.translate(metrics.offsetX, metrics.offsetY);
        const QString problem = envelope.DrawPage(painter, mailingAddressOf(i), i);
        painter.end();
        if (!problem.isEmpty()) {
            if (failure)
                *failure = PrintFailure{job.target.name, job.target.IsFile(), problem,
                                        static_cast<int>(pages)};
            return PrintResult::Failed;
        }
        if (!picture(page, static_cast<int>(i)))
            return PrintResult::Cancelled;
    }
    return PrintResult::Printed;
}

bool SavePicture(const QImage& page, const QString& path, QString* why) {
    // Encoded in memory first, so that every write to the file is checked.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    COutputFile file(path);
    if (!QImageWriter(&buffer, "png").write(page)) {
        *why = QStringLiteral("%1: the picture could not be made").arg(path);
        return false;
    }
    if (file.Open() && file.Write(png) && file.Commit())
        return true;
    *why = file.Failure().GetErrorMessage();
    return false;
}
