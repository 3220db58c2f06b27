#include "cli/importcommand.h"

#include "cli/commandcontext.h"
#include "cli/contactsfileoptions.h"
#include "cli/optionnames.h"
#include "contacts/contactsimport.h"
#include "platform/exception.h"

using namespace OptionNames;

namespace {

const char* const kHelpText =
    R"help(Usage: pelvaro-cli import FILE [--on-duplicate skip|replace|rename]
                           [--address home|work|preferred]
                           [--sheet NAME] [--columns MAPPING]

Adds every contact of a vCard (2.1, 3.0, 4.0), CSV, Excel (.xlsx) or
LibreOffice (.ods) file that has an address to the address book, and saves
the book once. Problems in the file are shown with its name and line (the
row of a sheet); the rest of the file is still read. Contacts without a
name or a postal address are counted, not problems. The exit status is 3
only when the file has problems.

Options:
  --on-duplicate skip|replace|rename
                 a contact whose label the book already holds is left out
                 (skip, the default), replaces the entry's address (replace),
                 or is added under a new label such as "Smith (2)" (rename)
  --address home|work|preferred
                 which address of a contact that has several becomes its
                 entry: the home or the work one where it has one, else the
                 preferred one (preferred, the default: the one its file
                 marks preferred, else the home one, else the first)
  --sheet NAME   read that sheet of a workbook (default: the first shown
                 sheet whose header row names a name and an address)
  --columns MAPPING
                 which column holds what, for a list whose header the
                 program does not know: name=COLUMN,street=COLUMN,... with
                 the fields name, organization, street, locality, region,
                 postcode and country, each COLUMN a header's text or the
                 column's letters (name=A,street=B); a field given twice
                 takes both columns. Remembered for files with the same
                 header row, which then need no --columns
  -h, --help     show this help
)help";

} // namespace

CImportCommand::CImportCommand(CCommandContext& context)
    : CCommand(context, "import",
               "add the contacts of a vCard, CSV, .xlsx or .ods file to the address book",
               kHelpText) {}

void CImportCommand::AddOptions(QCommandLineParser& parser) const {
    parser.addOption({kOnDuplicate, QString(), QStringLiteral("POLICY")});
    parser.addOption({kAddress, QString(), QStringLiteral("ADDRESS")});
    ContactsFileOptions::AddOptions(parser);
}

ExitStatus CImportCommand::Run(const QCommandLineParser& parser) {
    RequirePositionals(parser, 1, QStringLiteral("contacts file to import"));
    const DuplicateLabels policy = Choice(parser, kOnDuplicate, DuplicateLabels::Skip,
                                          {{"skip", DuplicateLabels::Skip},
                                           {"replace", DuplicateLabels::Replace},
                                           {"rename", DuplicateLabels::Rename}});
    const AddressChoice choice = AddressChoiceOf(parser);
    const ContactsFileOptions options = ContactsFileOptions::Of(parser);

    const QString path = parser.positionalArguments().constFirst();
    CContactsImport import(CAddressFormatter::SystemCountry(), choice);
    options.ApplyTo(import, Context().Settings());
    ReadContactsFile(import, path);
    const ImportResult result = import.MergeInto(Context().Book(), policy);
    options.Remember(Context().Settings(), import);
    Context().Out() << result.Summary() << '\n';
    for (const QString& note : import.Report().NoteLines())
        Context().Out() << note << '\n';
    Context().Out().flush();
    const QStringList problems = import.Report().Lines();
    for (const QString& problem : problems)
        Context().Tell(problem);
    return problems.isEmpty() ? ExitStatus::Success : ExitStatus::BadInput;
}
