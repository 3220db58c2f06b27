#include "cli/checkcommand.h"

#include "cli/commandcontext.h"
#include "cli/joboptions.h"
#include "cli/optionnames.h"
#include "contacts/addressformatter.h"
#include "postal/intelligentmail.h"
#include "postal/postaloptions.h"
#include "print/jobwarnings.h"
#include "print/printjob.h"

#include <QPrinter>

namespace {

const char* const kHelpText =
    R"help(Usage: pelvaro-cli check (--to TEXT | --to-label LABEL) [OPTIONS]

Checks the envelope that 'print' would print with the same options against
what the post office's sorting machines read: every line of the mailing
address inside the read area, nothing in the barcode strip, capitals of
2 mm (about 8 pt) or more, at most 6 lines, a foreign country alone on the
last line. US sizes are read by the US postal service's rules, ISO sizes
(DL, C6, C5...) and the other metric ones by the European operators'; give
the envelope in the printer with --paper. A paper that does not match the
envelope chosen is said on stderr. Prints one line a finding;
nothing is printed on paper.

Options: those of print. Exit status: 0 no findings, 5 findings.
)help";

} // namespace

CCheckCommand::CCheckCommand(CCommandContext& context)
    : CCommand(context, "check", "tell what would make the post office's machines misread one",
               kHelpText) {}

void CCheckCommand::AddOptions(QCommandLineParser& parser) const {
    CJobOptions::AddOptions(parser);
}

ExitStatus CCheckCommand::Run(const QCommandLineParser& parser) {
    const CJobOptions options(Context().Settings(), Context().BookFor(parser));
    const EnvelopeJob job = options.MakeJob(parser);
    for (const QString& note : options.Notes())
        Context().Tell(note);
    const std::optional<QStringList> findings = CheckPostalAddress(
        job, job.mailingAddress, options.Postal(), CAddressFormatter::SystemCountry());
    // The areas are those of the printer's page: without a printer there is
    // nothing to check against.
    if (!findings) {
        // Nothing was to be printed: the words are the check's own.
        QString why = CJobOptions::InvalidSetupMessage(job, parser.isSet(OptionNames::kPng));
        why.replace(QLatin1String("was not printed on"), QLatin1String("could not be checked for"));
        why.replace(QLatin1String("was not printed to"), QLatin1String("could not be checked for"));
        Fail(ExitStatus::PrintFailed, why);
    }
    // Said as print says it: a letter abroad is no fault of its address.
    if (options.Postal().barcode && RoutingCode(job.mailingAddress).isEmpty())
        Context().Tell(NoBarcodeAbroadLine(BarcodeRun{0, 1, {}, {}, false}));
    // The paper and the envelope disagreeing is no finding of the post's,
    // but the envelope would not come out as checked.
    QPrinter printer;
    if (ConfigureJobPrinter(printer, job)) {
        for (const QString& warning : PaperWarnings(job, printer))
            Context().Tell(warning);
    }
    for (const QString& finding : *findings)
        Context().Out() << finding << '\n';
    return findings->isEmpty() ? ExitStatus::Success : ExitStatus::Findings;
}
