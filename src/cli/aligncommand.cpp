#include "cli/aligncommand.h"

#include "addressbook/addressbook.h"
#include "cli/commandcontext.h"
#include "cli/joboptions.h"
#include "cli/optionnames.h"
#include "postal/jobfromsettings.h"
#include "print/printjob.h"
#include "settings/registryfile.h"
#include "settings/settingsstore.h"
#include "settings/storedvalues.h"

#include <QPrinterInfo>
#include <QTextStream>

using namespace OptionNames;

namespace {

const char* const kHelpText =
    R"help(Usage: pelvaro-cli align [--printer QUEUE] [--feed FEED] [--turned yes|no] [--shift X,Y]
       pelvaro-cli align [--printer QUEUE] --show
       pelvaro-cli align [--printer QUEUE] --reset
       pelvaro-cli align --test-page [--printer QUEUE | --pdf FILE] [--paper NAME]

Stores how a printer takes envelopes, as Pelvaro's Printer Alignment dialog
does; print, merge and the window then draw every envelope there. A printer
with nothing stored prints as Pelvaro always has. Options not given keep
what is stored; with none, what is stored is shown.

Options:
  --printer QUEUE   the printer (default: the one configured in Pelvaro);
                    "PDF file" stands for PDF files
  --feed FEED       how the envelope lies on the page: across-left,
                    across-centre, across-right (the first placement),
                    standing-left, standing-centre or standing-right
                    (long side along the feed, drawn a quarter turn)
  --turned yes|no   drawn upside down, for printers that take the flap first
  --shift X,Y       move the whole envelope X mm right and Y mm down, each
                    from -25.0 to 25.0 in steps of 0.1
  --show            show what is stored
  --reset           remove what is stored
  --test-page       print the test page: the envelope's outline where
                    Pelvaro draws it, with millimetre rulers from its edges.
                    Lay an envelope on it (or feed one instead of the
                    sheet), read where its edges lie on the rulers, and add
                    that to the shift stored with --shift. --feed, --turned
                    and --shift try an alignment without storing it. A
                    sheet that cannot hold the whole envelope is refused
                    (status 4)
  --pdf FILE        write the test page to a PDF file
  --size SIZE       the envelope size, as for print
  --paper NAME      the paper in the printer, as for print
  -h, --help        show this help
)help";

} // namespace

CAlignCommand::CAlignCommand(CCommandContext& context)
    : CCommand(context, "align", "store where a printer puts the envelope, and print a test page",
               kHelpText) {}

void CAlignCommand::AddOptions(QCommandLineParser& parser) const {
    parser.addOptions({
        {kFeed, QString(), QStringLiteral("FEED")},
        {kTurned, QString(), QStringLiteral("yes|no")},
        {kShow, QString()},
        {kReset, QString()},
        {kTestPage, QString()},
    });
    // The job's options, --shift among them, for the test page.
    CJobOptions::AddJobOptions(parser);
}

ExitStatus CAlignCommand::Run(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        Fail(ExitStatus::Usage,
             QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    for (const QString& option : {kFrom, kFromLabel, kDpi}) {
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
        return ExitStatus::Success;
    }
    const QString printer = PrinterName(parser);
    // Stored under a name that prints nowhere, an alignment would never be
    // used, and one shown for it would say nothing: a mistyped queue is
    // said at once. One stored for a printer since removed may be shown
    // and reset.
    if (printer != kPdfPrinterName && QPrinterInfo::printerInfo(printer).isNull() &&
        (changes || !HasStoredAlignment(Context().Settings(), printer)))
        Fail(ExitStatus::Usage, QStringLiteral("--printer: there is no printer '%1'; the "
                                               "printers are those 'lpstat -e' lists, and "
                                               "\"%2\" for PDF files")
                                    .arg(printer, kPdfPrinterName));
    if (parser.isSet(kReset)) {
        if (!RemovePrinterAlignment(Context().Settings(), printer))
            Fail(ExitStatus::Failure,
                 QStringLiteral("%1 could not be written").arg(CRegistryFile::DefaultPath()));
        return ExitStatus::Success;
    }
    if (changes) {
        if (!WritePrinterAlignment(Context().Settings(), printer, Alignment(parser, printer)))
            Fail(ExitStatus::Failure,
                 QStringLiteral("%1 could not be written").arg(CRegistryFile::DefaultPath()));
        return ExitStatus::Success;
    }
    return Show(printer);
}

QString CAlignCommand::PrinterName(const QCommandLineParser& parser) const {
    if (const std::optional<QString> printer = SingleValue(parser, kPrinter)) {
        if (printer->isEmpty())
            Fail(ExitStatus::Usage, QStringLiteral("--printer takes a printer's name"));
        return *printer;
    }
    QString configured = AlignmentPrinterName(PrintTarget::FromDevNames(
        Context().Settings().ReadBinaryValue(StoredValues::kDevNames).value_or(QByteArray())));
    if (configured.isEmpty())
        Fail(ExitStatus::Usage, QStringLiteral("no printer is configured in Pelvaro: name one "
                                               "with --printer"));
    return configured;
}

PrinterAlignment CAlignCommand::Alignment(const QCommandLineParser& parser,
                                          const QString& printer) const {
    PrinterAlignment alignment =
        ReadPrinterAlignment(Context().Settings(), printer).value_or(PrinterAlignment());
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
    if (const std::optional<std::pair<int, int>> shift = CJobOptions::Shift(parser))
        std::tie(alignment.shiftRight, alignment.shiftDown) = *shift;
    return alignment;
}

ExitStatus CAlignCommand::Show(const QString& printer) const {
    const std::optional<PrinterAlignment> stored =
        ReadPrinterAlignment(Context().Settings(), printer);
    const bool damaged = !stored && HasStoredAlignment(Context().Settings(), printer);
    const PrinterAlignment alignment = stored.value_or(PrinterAlignment());
    Context().Out() << "printer: " << printer << '\n'
                    << "stored: "
                    << (stored    ? "yes"
                        : damaged ? "damaged"
                                  : "no")
                    << '\n'
                    << "feed: " << FeedName(alignment.feed) << '\n'
                    << "turned: " << (alignment.turned ? "yes" : "no") << '\n'
                    << "shift: " << FormatShift(alignment.shiftRight) << ','
                    << FormatShift(alignment.shiftDown) << '\n';
    if (!damaged)
        return ExitStatus::Success;
    Context().Tell(QStringLiteral("the alignment stored for %1 is damaged and is not used: store "
                                  "it again, or --reset it")
                       .arg(printer));
    return ExitStatus::Damaged;
}

void CAlignCommand::PrintTestPage(const QCommandLineParser& parser) const {
    // The page is that of an envelope as print makes it, on the printer
    // or file given, with that printer's alignment as changed here.
    const CAddressBook none;
    const CJobOptions print(Context().Settings(), none);
    EnvelopeJob job = print.MakeSharedJob(parser);
    const QString printer = AlignmentPrinterName(job.target);
    job.alignment = Alignment(parser, printer);
    // The paper lies as the feed tried here says.
    if (const PaperSize* paper = CJobOptions::Paper(parser))
        FeedPaper(job, *paper);
    if (const QString refusal = TestPageRefusal(job); !refusal.isEmpty())
        Fail(ExitStatus::PrintFailed, refusal);
    PrintFailure failure;
    CJobOptions::CheckResult(
        ::PrintTestPage(job, TestPageCaption(printer, job.alignment), &failure), job, failure);
}
