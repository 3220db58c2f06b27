#include "cli/aligncommand.h"

#include "addressbook/addressbook.h"
#include "cli/printcommand.h"
#include "cli/toolfailure.h"
#include "platform/registryfile.h"
#include "print/printjob.h"
#include "settings/settingsstore.h"
#include "settings/storedvalues.h"

#include <QCommandLineParser>
#include <QPrinterInfo>
#include <QTextStream>

namespace {

const QString kFeed = QStringLiteral("feed");
const QString kTurned = QStringLiteral("turned");
const QString kShift = QStringLiteral("shift");
const QString kShow = QStringLiteral("show");
const QString kReset = QStringLiteral("reset");
const QString kTestPage = QStringLiteral("test-page");
const QString kPrinter = QStringLiteral("printer");
const QString kPdf = QStringLiteral("pdf");

} // namespace

CAlignCommand::CAlignCommand(CSettingsStore& settings, QTextStream& out)
    : m_settings(settings), m_out(out) {}

void CAlignCommand::AddOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {kFeed, QString(), QStringLiteral("FEED")},
        {kTurned, QString(), QStringLiteral("yes|no")},
        {kShow, QString()},
        {kReset, QString()},
        {kTestPage, QString()},
    });
    // The job's options, --shift among them, for the test page.
    CPrintCommand::AddJobOptions(parser);
}

void CAlignCommand::Run(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        Fail(ExitStatus::Usage,
             QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    for (const QString& option :
         {QStringLiteral("from"), QStringLiteral("from-label"), QStringLiteral("dpi")}) {
        if (parser.isSet(option))
            Fail(ExitStatus::Usage, QStringLiteral("--%1 is not for align").arg(option));
    }
    const bool changes = parser.isSet(kFeed) || parser.isSet(kTurned) || parser.isSet(kShift);
    const int actions = int(parser.isSet(kShow)) + int(parser.isSet(kReset)) +
                        int(parser.isSet(kTestPage)) + int(changes && !parser.isSet(kTestPage));
    if (actions > 1 || (changes && (parser.isSet(kShow) || parser.isSet(kReset))))
        Fail(ExitStatus::Usage,
             QStringLiteral("give one of --show, --reset, --test-page or the alignment to store"));
    if (parser.isSet(kPdf) && !parser.isSet(kTestPage))
        Fail(ExitStatus::Usage, QStringLiteral("--pdf is for --test-page"));
    if (parser.isSet(kPdf) && parser.isSet(kPrinter))
        Fail(ExitStatus::Usage, QStringLiteral("--printer and --pdf cannot both be given"));

    if (parser.isSet(kTestPage)) {
        PrintTestPage(parser);
        return;
    }
    const QString printer = PrinterName(parser);
    if (parser.isSet(kReset)) {
        if (!RemovePrinterAlignment(m_settings, printer))
            Fail(ExitStatus::Failure,
                 QStringLiteral("%1 could not be written").arg(CRegistryFile::DefaultPath()));
        return;
    }
    if (changes) {
        // Stored under a name that prints nowhere, an alignment would never
        // be used: a mistyped queue is said at once.
        if (printer != kPdfPrinterName && QPrinterInfo::printerInfo(printer).isNull())
            Fail(ExitStatus::Usage, QStringLiteral("--printer: there is no printer '%1'; the "
                                                   "printers are those 'lpstat -e' lists, and "
                                                   "\"%2\" for PDF files")
                                        .arg(printer, kPdfPrinterName));
        if (!WritePrinterAlignment(m_settings, printer, Alignment(parser, printer)))
            Fail(ExitStatus::Failure,
                 QStringLiteral("%1 could not be written").arg(CRegistryFile::DefaultPath()));
        return;
    }
    Show(printer);
}

QString CAlignCommand::PrinterName(const QCommandLineParser& parser) const {
    if (const std::optional<QString> printer = SingleValue(parser, kPrinter)) {
        if (printer->isEmpty())
            Fail(ExitStatus::Usage, QStringLiteral("--printer takes a printer's name"));
        return *printer;
    }
    QString configured = AlignmentPrinterName(PrintTarget::FromDevNames(
        m_settings.ReadBinaryValue(StoredValues::kDevNames).value_or(QByteArray())));
    if (configured.isEmpty())
        Fail(ExitStatus::Usage, QStringLiteral("no printer is configured in Pelvaro: name one "
                                               "with --printer"));
    return configured;
}

PrinterAlignment CAlignCommand::Alignment(const QCommandLineParser& parser,
                                          const QString& printer) const {
    PrinterAlignment alignment =
        ReadPrinterAlignment(m_settings, printer).value_or(PrinterAlignment());
    if (const std::optional<QString> feed = SingleValue(parser, kFeed)) {
        const std::optional<EnvelopeFeed> chosen = FeedFromName(*feed);
        if (!chosen)
            Fail(ExitStatus::Usage,
                 QStringLiteral("--feed takes across-left, across-centre, across-right, "
                                "standing-left, standing-centre or standing-right, not '%1'")
                     .arg(*feed));
        alignment.feed = *chosen;
    }
    if (const std::optional<QString> turned = SingleValue(parser, kTurned)) {
        if (*turned != u"yes" && *turned != u"no")
            Fail(ExitStatus::Usage,
                 QStringLiteral("--turned takes yes or no, not '%1'").arg(*turned));
        alignment.turned = *turned == u"yes";
    }
    if (const std::optional<std::pair<int, int>> shift = CPrintCommand::Shift(parser))
        std::tie(alignment.shiftRight, alignment.shiftDown) = *shift;
    return alignment;
}

void CAlignCommand::Show(const QString& printer) const {
    const std::optional<PrinterAlignment> stored = ReadPrinterAlignment(m_settings, printer);
    const PrinterAlignment alignment = stored.value_or(PrinterAlignment());
    m_out << "printer: " << printer << '\n'
          << "stored: " << (stored ? "yes" : "no") << '\n'
          << "feed: " << FeedName(alignment.feed) << '\n'
          << "turned: " << (alignment.turned ? "yes" : "no") << '\n'
          << "shift: " << FormatShift(alignment.shiftRight) << ','
          << FormatShift(alignment.shiftDown) << '\n';
}

void CAlignCommand::PrintTestPage(const QCommandLineParser& parser) const {
    // The page is that of an envelope as print makes it, on the printer
    // or file given, with that printer's alignment as changed here.
    const CAddressBook none;
    const CPrintCommand print(m_settings, none);
    EnvelopeJob job = print.MakeSharedJob(parser);
    const QString printer = AlignmentPrinterName(job.target);
    job.alignment = Alignment(parser, printer);
    PrintFailure failure;
    CPrintCommand::CheckResult(
        ::PrintTestPage(job, TestPageCaption(printer, job.alignment), &failure), job, failure);
}
