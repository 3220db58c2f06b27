#include "cli/printcommand.h"

#include "cli/commandcontext.h"
#include "cli/joboptions.h"
#include "cli/optionnames.h"
#include "postal/intelligentmail.h"
#include "postal/postaloptions.h"
#include "print/jobwarnings.h"
#include "print/printjob.h"

#include <QImage>
#include <QPrinter>

using namespace OptionNames;

namespace {

const char* const kHelpText =
    R"help(Usage: pelvaro-cli print (--to TEXT | --to-label LABEL) [OPTIONS]

Prints one envelope as Pelvaro's Print button does: both addresses where the
window shows their boxes, in the fonts, on the printer and with the envelope
size chosen in Pelvaro. In a TEXT, \n starts a new line and \\ is a backslash.

Options:
  --to TEXT           the mailing address
  --to-label LABEL    the mailing address of that address book entry
  --from TEXT         the return address (default: the last one Pelvaro showed)
  --from-label LABEL  the return address of that address book entry
  --size SIZE         the envelope size: 0 or "No. 10", 1 or "No. 6 3/4"
                      (default: the last one Pelvaro showed)
  --paper NAME        the paper in the printer for this job: an envelope
                      fed as the page (DL, C5, C6, C4, B5, No. 10, Monarch,
                      Chou 3...; case, blanks and full stops do not count),
                      lying or standing as 'pelvaro-cli align' says; or a
                      sheet (A4, A5, Letter, Legal) with the --size envelope
                      placed on it
  --printer QUEUE     print on that printer (default: the one configured in
                      Pelvaro)
  --pdf FILE          write the envelope to a PDF file instead
  --png FILE          write the envelope as a picture of the whole page
                      instead of printing it
  --dpi N             the picture's resolution (default: the printer's)
  --shift X,Y         move the whole envelope X mm right and Y mm down for
                      this job, in place of the shift stored with
                      'pelvaro-cli align' (from -25.0 to 25.0)
  --postal-style      print the mailing address in capitals without
                      punctuation, a foreign country alone on the last line
  --imb BARCODEID,SERVICE,MAILERID,SERIAL
                      print an Intelligent Mail barcode in the clear zone
                      of a US envelope size, routed by the address's ZIP
                      code (an address without one, abroad, goes without
                      a barcode): a 2-digit barcode
                      identifier (second digit 0-4), a 3-digit service type,
                      the Mailer ID the postal service assigned you (6 digits,
                      or 9 beginning with 9) and a serial number (up to 9
                      digits, or 6 with a 9-digit Mailer ID)
  -h, --help          show this help
)help";

} // namespace

CPrintCommand::CPrintCommand(CCommandContext& context)
    : CCommand(context, "print", "print one envelope", kHelpText) {}

void CPrintCommand::AddOptions(QCommandLineParser& parser) const {
    CJobOptions::AddOptions(parser);
}

ExitStatus CPrintCommand::Run(const QCommandLineParser& parser) {
    const CJobOptions options(Context().Settings(), Context().BookFor(parser));
    const EnvelopeJob job = options.MakeJob(parser);
    for (const QString& note : options.Notes())
        Context().Tell(note);
    if (options.Postal().barcode && RoutingCode(job.mailingAddress).isEmpty())
        Context().Tell(NoBarcodeAbroadLine(BarcodeRun{0, 1, {}, {}, false}));
    // Lines cut at a block's edge print without a word otherwise.
    if (QPrinter printer(QPrinter::HighResolution); ConfigureJobPrinter(printer, job)) {
        if (const QString cut = CutLinesWarning(job, printer, {job.mailingAddress}); !cut.isEmpty())
            Context().Tell(cut);
    }
    Context().Err().flush();
    Print(job, parser);
    return ExitStatus::Success;
}

void CPrintCommand::Print(const EnvelopeJob& job, const QCommandLineParser& parser) {
    PrintFailure failure;
    if (const std::optional<QString> png = SingleValue(parser, kPng)) {
        QString why;
        const PrintResult result = RenderEnvelopes(
            job, 1, [&](qsizetype) { return job.mailingAddress; }, CJobOptions::Dpi(parser),
            [&](const QImage& page, int) { return SavePicture(page, *png, &why); }, &failure);
        CJobOptions::CheckResult(result, job, failure, true);
        if (!why.isEmpty())
            Fail(ExitStatus::PrintFailed, why);
        return;
    }
    CJobOptions::CheckResult(PrintEnvelope(job, &failure), job, failure);
}
