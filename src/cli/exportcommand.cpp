#include "cli/exportcommand.h"

#include "addressbook/addressbook.h"
#include "cli/commandcontext.h"
#include "cli/optionnames.h"
#include "contacts/contactswriter.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace OptionNames;

namespace {

const char* const kHelpText = R"help(Usage: pelvaro-cli export FILE [--format vcf|csv]

Writes the whole address book to FILE as vCard 4.0 or as CSV (columns Label
and Address), which Pelvaro and other programs read back; FILE - writes it
to standard output. FILE is replaced only once the export is whole, and
never when it is Pelvaro's own data, a folder, a device or read-only. An
earlier export is not replaced when the address book could not be read
whole (status 5) or is not there at all (status 3).

Options:
  --format vcf|csv   the format (default: csv for a name ending in .csv,
                     else vcf)
  -h, --help         show this help
)help";

// An export is most often a backup: an earlier one is not replaced by one
// that holds less than the book did, because the book was damaged or is
// not where this program looks (another user's, another data folder).
void RefuseToReplaceWithLess(const QString& path, const CAddressBook& book) {
    const QFileInfo target(path);
    if (!target.exists() || target.size() == 0)
        return;
    if (book.LoadWasIncomplete())
        Fail(ExitStatus::Damaged,
             QStringLiteral("%1 was not replaced, as the address book could not be read whole; "
                            "export to a new file to keep what could be read")
                 .arg(path));
    if (!QFileInfo::exists(book.AddressBookPath()))
        Fail(ExitStatus::BadInput,
             QStringLiteral("%1 was not replaced: there is no address book at %2")
                 .arg(path, book.AddressBookPath()));
}

} // namespace

CExportCommand::CExportCommand(CCommandContext& context)
    : CCommand(context, "export", "write the address book as a vCard or CSV file", kHelpText) {}

void CExportCommand::AddOptions(QCommandLineParser& parser) const {
    parser.addOption({kFormat, QString(), QStringLiteral("FORMAT")});
}

ExitStatus CExportCommand::Run(const QCommandLineParser& parser) {
    RequirePositionals(parser, 1, QStringLiteral("file to export to"));
    const QString path = parser.positionalArguments().constFirst();
    if (path.isEmpty())
        Fail(ExitStatus::Usage, QStringLiteral("the name of the file to export to is empty"));
    if (path != QLatin1String("-") && !QFileInfo(path).absoluteDir().exists())
        Fail(ExitStatus::Failure, QStringLiteral("%1 was not written: the folder %2 does not exist")
                                      .arg(path, QFileInfo(path).absolutePath()));
    const ContactsFormat format =
        Choice(parser, kFormat, CContactsWriter::FormatForPath(path),
               {{"vcf", ContactsFormat::VCard}, {"csv", ContactsFormat::Csv}});
    const CAddressBook& book = Context().Book();
    if (path != QLatin1String("-")) {
        RefuseToReplaceWithLess(path, book);
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
