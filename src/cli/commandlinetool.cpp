#include "cli/commandlinetool.h"

#include "addressbook/addressbook.h"
#include "cli/aligncommand.h"
#include "cli/contactsfileoptions.h"
#include "cli/logging.h"
#include "cli/mergecommand.h"
#include "cli/printcommand.h"
#include "cli/toolfailure.h"
#include "contacts/addressformatter.h"
#include "contacts/contactsimport.h"
#include "contacts/contactswriter.h"
#include "platform/exception.h"
#include "platform/registryfile.h"
#include "postal/intelligentmail.h"
#include "postal/postaloptions.h"
#include "settings/settingsstore.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

const QString kProgram = QStringLiteral("pelvaro-cli");
const QString kOnDuplicate = QStringLiteral("on-duplicate");
const QString kAddress = QStringLiteral("address");
const QString kFormat = QStringLiteral("format");
const QString kJson = QStringLiteral("json");

const char* const kToolHelp = R"help(Usage: pelvaro-cli COMMAND [OPTIONS]

Prints envelopes and keeps Pelvaro's address book, without a window.

Commands:
  print    print one envelope
  check    tell what would make the post office's machines misread one
  merge    print many envelopes in one job, from contacts files or the book
  import   add the contacts of a vCard, CSV, .xlsx or .ods file to the
           address book
  export   write the address book as a vCard or CSV file
  list     list the address book
  align    store where a printer puts the envelope, and print a test page

Options:
  -h, --help   show this help; 'pelvaro-cli COMMAND --help' shows a command's
  --version    show the version

Exit status:
  0  done
  1  a file could not be written, or another program kept the address book
     busy: nothing was changed
  2  a command line not understood
  3  bad input (merge: some records left out)
  4  no envelope was printed
  5  check: the envelope has findings; any command: the address book or the
     settings file is damaged or could not be read
     (said on stderr): a book that could not be read at all is not used, and
     nothing is changed or written; of a damaged one, what could be read is
     listed, exported or printed, and an import keeps the damaged file as a
     backup before it saves. 5 takes the place of 0 and 3.
)help";

const char* const kPrintHelp =
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
                      print an Intelligent Mail barcode in the clear zone,
                      routed by the address's ZIP code: a 2-digit barcode
                      identifier (second digit 0-4), a 3-digit service type,
                      the Mailer ID the postal service assigned you (6 digits,
                      or 9 beginning with 9) and a serial number (up to 9
                      digits, or 6 with a 9-digit Mailer ID)
  -h, --help          show this help
)help";

const char* const kCheckHelp =
    R"help(Usage: pelvaro-cli check (--to TEXT | --to-label LABEL) [OPTIONS]

Checks the envelope that 'print' would print with the same options against
what the post office's sorting machines read: every line of the mailing
address inside the read area, nothing in the barcode strip, capitals of
2 mm (about 8 pt) or more, at most 6 lines, a foreign country alone on the
last line. US sizes are read by the US postal service's rules, ISO sizes
(DL, C6, C5...) by the European operators'. Prints one line a finding;
nothing is printed on paper.

Options: those of print. Exit status: 0 no findings, 5 findings.
)help";

const char* const kMergeHelp =
    R"help(Usage: pelvaro-cli merge [FILE...] [--book | --labels L1,L2 | --label L...] [OPTIONS]

Prints one job of many envelopes, one a page, each laid out as 'print' lays
out one: first the address book's entries (--book or --labels), then the
contacts of each vCard, CSV, .xlsx or .ods FILE in order. Problems in the
files, and entries of the book without an address, are listed on stderr and
left out; the rest is printed, and the exit status is then 3. Contacts of a
file without a name or a postal address are counted on stderr and left out.

Options:
  --book              every entry of the address book
  --labels L1,L2      the address book entries with these labels
  --label LABEL       the address book entry with this label, which may
                      hold a comma; may be given many times
  --dry-run           list the envelopes instead of printing them
  --from TEXT         the return address (default: the last one Pelvaro showed)
  --from-label LABEL  the return address of that address book entry
  --size SIZE         the envelope size, as for print
  --printer QUEUE     print on that printer (default: Pelvaro's)
  --pdf FILE          write the envelopes to a PDF file instead
  --png-dir DIR       write each page as a picture (envelope-0001.png...)
                      into DIR instead of printing
  --dpi N             the pictures' resolution (default: the printer's)
  --shift X,Y         move each envelope X mm right and Y mm down, in place
                      of the stored shift (from -25.0 to 25.0)
  --postal-style      as for print
  --imb BARCODEID,SERVICE,MAILERID,SERIAL
                      as for print: every envelope carries these fields,
                      each routed by its own address's ZIP code
  --address home|work|preferred
                      which address of a contact in a FILE goes on its
                      envelope, as for import
  --sheet NAME        the sheet of a workbook FILE, as for import
  --columns MAPPING   which column of a FILE holds what, as for import
  -h, --help          show this help
)help";

const char* const kAlignHelp =
    R"help(Usage: pelvaro-cli align [--printer QUEUE] [--feed FEED] [--turned yes|no] [--shift X,Y]
       pelvaro-cli align [--printer QUEUE] --show
       pelvaro-cli align [--printer QUEUE] --reset
       pelvaro-cli align --test-page [--printer QUEUE | --pdf FILE]

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
                    Pelvaro draws it, with millimetre rulers. Lay an
                    envelope on it (or feed one instead of the sheet), read
                    how far off it is, and store that with --shift. --feed,
                    --turned and --shift try an alignment without storing it
  --pdf FILE        write the test page to a PDF file
  --size SIZE       the envelope size, as for print
  -h, --help        show this help
)help";

const char* const kImportHelp =
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

const char* const kExportHelp = R"help(Usage: pelvaro-cli export FILE [--format vcf|csv]

Writes the whole address book to FILE as vCard 4.0 or as CSV (columns Label
and Address), which Pelvaro and other programs read back; FILE - writes it
to standard output. FILE is replaced only once the export is whole, and
never when it is Pelvaro's own data, a folder, a device or read-only.

Options:
  --format vcf|csv   the format (default: csv for a name ending in .csv,
                     else vcf)
  -h, --help         show this help
)help";

const char* const kListHelp = R"help(Usage: pelvaro-cli list [--json]

Shows the labels of the address book, one a line, in the book's order.

Options:
  --json       the whole book as JSON: an array of {"label", "address"}, the
               lines of an address joined by \n
  -h, --help   show this help
)help";

// Each command's parser knows its own options and -h/--help.
void SetUpParser(QCommandLineParser& parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QString()});
}

void RequirePositionals(const QCommandLineParser& parser, int count, const QString& what) {
    const QStringList given = parser.positionalArguments();
    if (given.size() < count)
        Fail(ExitStatus::Usage, QStringLiteral("give the %1").arg(what));
    if (given.size() > count)
        Fail(ExitStatus::Usage, QStringLiteral("unexpected argument '%1'").arg(given.at(count)));
}

// An option that takes one of a few words; `fallback` when it is not given.
template <class T>
T Choice(const QCommandLineParser& parser, const QString& option, T fallback,
         std::initializer_list<std::pair<const char*, T>> choices) {
    const QStringList values = parser.values(option);
    if (values.isEmpty())
        return fallback;
    if (values.size() > 1)
        Fail(ExitStatus::Usage, QStringLiteral("--%1 is given more than once").arg(option));
    const QString& value = values.constFirst();
    QStringList words;
    for (const auto& [word, choice] : choices) {
        if (value == QLatin1String(word))
            return choice;
        words.append(QLatin1String(word));
    }
    const QString last = words.takeLast();
    Fail(ExitStatus::Usage, QStringLiteral("--%1 takes %2 or %3, not '%4'")
                                .arg(option, words.join(QStringLiteral(", ")), last, value));
}

// Which of a contact's addresses import and merge take.
AddressChoice AddressChoiceOf(const QCommandLineParser& parser) {
    return Choice(parser, kAddress, AddressChoice::Preferred,
                  {{"home", AddressChoice::Home},
                   {"work", AddressChoice::Work},
                   {"preferred", AddressChoice::Preferred}});
}

// Whether the command line takes anything from the address book.
bool UsesBook(const QCommandLineParser& parser) {
    const QStringList bookOptions = {QStringLiteral("to-label"), QStringLiteral("from-label"),
                                     QStringLiteral("book"), QStringLiteral("labels"),
                                     QStringLiteral("label")};
    for (const QString& option : parser.optionNames()) {
        if (bookOptions.contains(option))
            return true;
    }
    return false;
}

CSettingsStore WindowSettings() {
    // The window program's settings, whatever this program is called.
    return CSettingsStore(QString::fromLatin1(CSettingsStore::kCompanyName),
                          QStringLiteral("Pelvaro"));
}

} // namespace

int CCommandLineTool::Run(const QStringList& arguments) {
    const QString first = arguments.value(0);
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        m_out << kToolHelp;
        return static_cast<int>(ExitStatus::Success);
    }
    if (first == QLatin1String("--version")) {
        m_out << kProgram << ' ' << QStringLiteral(PELVARO_VERSION) << '\n';
        return static_cast<int>(ExitStatus::Success);
    }
    ExitStatus status = ExitStatus::Success;
    // Outputs never replace the book, wherever it is kept, read or not.
    CAddressBook::ProtectDefaultPaths();
    try {
        if (first.isEmpty())
            Fail(ExitStatus::Usage, QStringLiteral("no command given; see 'pelvaro-cli --help'"));
        status = RunCommand(first, arguments.mid(1));
    } catch (const ToolFailure& failure) {
        m_out.flush();
        m_err << kProgram << ": " << failure.message << '\n';
        status = failure.status;
    } catch (const CException& e) {
        // The book or the exported file could not be written, or another
        // program held the book; the message names the file.
        m_out.flush();
        m_err << kProgram << ": " << e.GetErrorMessage() << '\n';
        status = ExitStatus::Failure;
    }
    // Damage is said last, after what the command could do with the rest.
    const QStringList notes = DamageNotes();
    m_out.flush();
    for (const QString& note : notes)
        m_err << kProgram << ": " << note << '\n';
    if (!notes.isEmpty() && (status == ExitStatus::Success || status == ExitStatus::BadInput))
        status = ExitStatus::Damaged;
    qCInfo(LogCli) << "command" << arguments << "exit status" << static_cast<int>(status);
    return static_cast<int>(status);
}

CAddressBook& CCommandLineTool::Book() {
    if (!m_book) {
        CAddressBook book;
        book.LoadAddressBook();
        // Nothing is done with a book that could not be read: an export
        // would put an empty file in the place of a good one.
        if (book.GetLoadState() == CAddressBook::LoadState::Unreadable)
            Fail(ExitStatus::Damaged, book.LoadProblem());
        m_book = std::move(book);
    }
    return *m_book;
}

QStringList CCommandLineTool::DamageNotes() const {
    QStringList notes;
    // A save that kept the damaged book aside says where; the book it wrote
    // is whole again.
    if (m_book && !m_book->BackupNote().isEmpty())
        notes << m_book->BackupNote();
    else if (m_book && m_book->LoadWasIncomplete())
        notes << m_book->LoadProblem();
    return notes + CRegistryFile::DamageNotes();
}

ExitStatus CCommandLineTool::RunCommand(const QString& command, const QStringList& arguments) {
    QCommandLineParser parser;
    SetUpParser(parser);
    const char* help = nullptr;
    if (command == QLatin1String("print") || command == QLatin1String("check")) {
        help = command == QLatin1String("print") ? kPrintHelp : kCheckHelp;
        CPrintCommand::AddOptions(parser);
    } else if (command == QLatin1String("merge")) {
        help = kMergeHelp;
        CMergeCommand::AddOptions(parser);
        parser.addOption({kAddress, QString(), QStringLiteral("ADDRESS")});
        ContactsFileOptions::AddOptions(parser);
    } else if (command == QLatin1String("import")) {
        help = kImportHelp;
        parser.addOption({kOnDuplicate, QString(), QStringLiteral("POLICY")});
        parser.addOption({kAddress, QString(), QStringLiteral("ADDRESS")});
        ContactsFileOptions::AddOptions(parser);
    } else if (command == QLatin1String("export")) {
        help = kExportHelp;
        parser.addOption({kFormat, QString(), QStringLiteral("FORMAT")});
    } else if (command == QLatin1String("list")) {
        help = kListHelp;
        parser.addOption({kJson, QString()});
    } else if (command == QLatin1String("align")) {
        help = kAlignHelp;
        CAlignCommand::AddOptions(parser);
    } else {
        Fail(ExitStatus::Usage,
             QStringLiteral("unknown command '%1'; see 'pelvaro-cli --help'").arg(command));
    }

    // The parser takes the first item for the program's name.
    if (!parser.parse(QStringList{kProgram} + arguments))
        Fail(
            ExitStatus::Usage,
            QStringLiteral("%1: %2 See 'pelvaro-cli %1 --help'.").arg(command, parser.errorText()));
    if (parser.isSet(QStringLiteral("help"))) {
        m_out << help;
        return ExitStatus::Success;
    }

    if (command == QLatin1String("print"))
        Print(parser);
    else if (command == QLatin1String("check"))
        return Check(parser);
    else if (command == QLatin1String("merge"))
        return Merge(parser);
    else if (command == QLatin1String("import"))
        return Import(parser);
    else if (command == QLatin1String("export"))
        Export(parser);
    else if (command == QLatin1String("align"))
        Align(parser);
    else
        List(parser);
    return ExitStatus::Success;
}

void CCommandLineTool::Print(const QCommandLineParser& parser) {
    const CSettingsStore settings = WindowSettings();
    const CAddressBook none;
    const CAddressBook& book = UsesBook(parser) ? Book() : none;
    const CPrintCommand command(settings, book);
    const EnvelopeJob job = command.MakeJob(parser);
    for (const QString& note : command.Notes())
        m_err << kProgram << ": " << note << '\n';
    if (command.Postal().barcode && RoutingCode(job.mailingAddress).isEmpty())
        m_err << kProgram << ": the barcode carries no ZIP code: the address's place line does "
              << "not end with a state and a ZIP code\n";
    m_err.flush();
    CPrintCommand::Print(job, parser);
}

ExitStatus CCommandLineTool::Check(const QCommandLineParser& parser) {
    const CSettingsStore settings = WindowSettings();
    const CAddressBook none;
    const CAddressBook& book = UsesBook(parser) ? Book() : none;
    const CPrintCommand command(settings, book);
    const EnvelopeJob job = command.MakeJob(parser);
    for (const QString& note : command.Notes())
        m_err << kProgram << ": " << note << '\n';
    const std::optional<QStringList> findings = CheckPostalAddress(
        job, job.mailingAddress, command.Postal(), CAddressFormatter::SystemCountry());
    if (!findings)
        CPrintCommand::CheckResult(PrintResult::InvalidSetup, job, {},
                                   parser.isSet(QStringLiteral("png")));
    for (const QString& finding : *findings)
        m_out << finding << '\n';
    return findings->isEmpty() ? ExitStatus::Success : ExitStatus::Findings;
}

ExitStatus CCommandLineTool::Merge(const QCommandLineParser& parser) {
    CSettingsStore settings = WindowSettings();
    const CAddressBook none;
    const CAddressBook& book = UsesBook(parser) ? Book() : none;
    CMergeCommand command(settings, book, m_out, m_err);
    command.SetFileOptions(ContactsFileOptions::Of(parser), settings);
    return command.Run(parser, AddressChoiceOf(parser));
}

void CCommandLineTool::Align(const QCommandLineParser& parser) {
    CSettingsStore settings = WindowSettings();
    CAlignCommand(settings, m_out).Run(parser);
}

ExitStatus CCommandLineTool::Import(const QCommandLineParser& parser) {
    RequirePositionals(parser, 1, QStringLiteral("contacts file to import"));
    const DuplicateLabels policy = Choice(parser, kOnDuplicate, DuplicateLabels::Skip,
                                          {{"skip", DuplicateLabels::Skip},
                                           {"replace", DuplicateLabels::Replace},
                                           {"rename", DuplicateLabels::Rename}});
    const AddressChoice choice = AddressChoiceOf(parser);
    const ContactsFileOptions options = ContactsFileOptions::Of(parser);

    const QString path = parser.positionalArguments().constFirst();
    CSettingsStore settings = WindowSettings();
    CContactsImport import(CAddressFormatter::SystemCountry(), choice);
    options.ApplyTo(import, settings);
    try {
        import.ReadFile(path);
    } catch (const CException& e) {
        Fail(ExitStatus::BadInput, e.GetErrorMessage());
    }
    const ImportResult result = import.MergeInto(Book(), policy);
    options.Remember(settings, import);
    m_out << result.Summary() << '\n';
    for (const QString& note : import.Report().NoteLines())
        m_out << note << '\n';
    m_out.flush();
    const QStringList problems = import.Report().Lines();
    for (const QString& problem : problems)
        m_err << kProgram << ": " << problem << '\n';
    return problems.isEmpty() ? ExitStatus::Success : ExitStatus::BadInput;
}

void CCommandLineTool::Export(const QCommandLineParser& parser) {
    RequirePositionals(parser, 1, QStringLiteral("file to export to"));
    const QString path = parser.positionalArguments().constFirst();
    const ContactsFormat format =
        Choice(parser, kFormat, CContactsWriter::FormatForPath(path),
               {{"vcf", ContactsFormat::VCard}, {"csv", ContactsFormat::Csv}});
    const CAddressBook& book = Book();
    if (path != QLatin1String("-")) {
        CContactsWriter::WriteFile(path, book, format);
        return;
    }
    // "-" is standard output, written as it is: a pipe or a device there is
    // the user's choice.
    QList<CAddress> entries;
    for (int i = 0; i < book.GetSize(); ++i)
        entries.append(book.GetAt(i));
    const QByteArray bytes = format == ContactsFormat::Csv ? CContactsWriter::ToCsv(entries)
                                                           : CContactsWriter::ToVCard(entries);
    m_out.flush();
    if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
            static_cast<size_t>(bytes.size()) ||
        std::fflush(stdout) != 0)
        Fail(ExitStatus::Failure,
             QStringLiteral("the export could not be written to standard output"));
}

void CCommandLineTool::List(const QCommandLineParser& parser) {
    RequirePositionals(parser, 0, QString());
    const CAddressBook& book = Book();
    if (!parser.isSet(kJson)) {
        for (int i = 0; i < book.GetSize(); ++i)
            m_out << book.GetAt(i).m_strLabel << '\n';
        return;
    }
    QJsonArray entries;
    for (int i = 0; i < book.GetSize(); ++i) {
        const CAddress& entry = book.GetAt(i);
        QString address = entry.m_strAddress;
        address.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        entries.append(QJsonObject{{QStringLiteral("label"), entry.m_strLabel},
                                   {QStringLiteral("address"), address}});
    }
    m_out << QJsonDocument(entries).toJson(QJsonDocument::Indented);
}
