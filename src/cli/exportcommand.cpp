#include "cli/exportcommand.h"

#include "addressbook/addressbook.h"
#include "cli/commandcontext.h"
#include "cli/optionnames.h"
#include "contacts/contactswriter.h"

#include <cstdio>

using namespace OptionNames;

namespace {

const char* const kHelpText = R"help(Usage: pelvaro-cli export FILE [--format vcf|csv]

Writes the whole address book to FILE as vCard 4.0 or as CSV (columns Label
and Address), which Pelvaro and other programs read back; FILE - writes it
to standard output. FILE is replaced only once the export is whole, and
never when it is Pelvaro's own data, a folder, a device or read-only.

Options:
  --format vcf|csv   the format (default: csv for a name ending in .csv,
                     else vcf)
  -h, --help         show this help
)help";

} // namespace

CExportCommand::CExportCommand(CCommandContext& context)
    : CCommand(context, "export", "write the address book as a vCard or CSV file", kHelpText) {}

void CExportCommand::AddOptions(QCommandLineParser& parser) const {
    parser.addOption({kFormat, QString(), QStringLiteral("FORMAT")});
}

ExitStatus CExportCommand::Run(const QCommandLineParser& parser) {
    RequirePositionals(parser, 1, QStringLiteral("file to export to"));
    const QString path = parser.positionalArguments().constFirst();
    const ContactsFormat format =
        Choice(parser, kFormat, CContactsWriter::FormatForPath(path),
               {{"vcf", ContactsFormat::VCard}, {"csv", ContactsFormat::Csv}});
    const CAddressBook& book = Context().Book();
    if (path != QLatin1String("-")) {
        CContactsWriter::WriteFile(path, book, format);
        return ExitStatus::Success;
    }
    // "-" is standard output, written as it is: a pipe or a device there is
    // the user's choice.
    QList<CAddress> entries;
    for (int i = 0; i < book.GetSize(); ++i)
        entries.append(book.GetAt(i));
    const QByteArray bytes = format == ContactsFormat::Csv ? CContactsWriter::ToCsv(entries)
                                                           : CContactsWriter::ToVCard(entries);
    Context().Out().flush();
    if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
            static_cast<size_t>(bytes.size()) ||
        std::fflush(stdout) != 0)
        Fail(ExitStatus::Failure,
             QStringLiteral("the export could not be written to standard output"));
    return ExitStatus::Success;
}
