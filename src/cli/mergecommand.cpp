#include "cli/mergecommand.h"

#include "addressbook/addressbook.h"
#include "cli/commandcontext.h"
#include "cli/joboptions.h"
#include "cli/optionnames.h"
#include "contacts/contactsimport.h"
#include "platform/exception.h"
#include "postal/postaloptions.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>

#include <unistd.h>

using namespace OptionNames;

namespace {

const char* const kHelpText =
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
  --paper NAME        the paper in the printer, as for print
  --printer QUEUE     print on that printer (default: Pelvaro's)
  --pdf FILE          write the envelopes to a PDF file instead
  --png-dir DIR       write each page as a picture (envelope-0001.png...)
                      into DIR instead of printing; the pictures of an
                      earlier job there (envelope-*.png) are removed
                      once the job's own are all written
  --dpi N             the pictures' resolution (default: the printer's)
  --shift X,Y         move each envelope X mm right and Y mm down, in place
                      of the stored shift (from -25.0 to 25.0)
  --postal-style      as for print
  --imb BARCODEID,SERVICE,MAILERID,SERIAL
                      as for print: each envelope to an address with a
                      ZIP code carries a barcode routed by it, their serial
                      numbers counting up from SERIAL, one an envelope;
                      the range used is said. Envelopes to other
                      countries carry none, said once
  --address home|work|preferred
                      which address of a contact in a FILE goes on its
                      envelope, as for import
  --sheet NAME        the sheet of a workbook FILE, as for import
  --columns MAPPING   which column of a FILE holds what, as for import
  -h, --help          show this help
)help";

// An address with nothing to print on it.
bool IsBlank(const QString& address) {
    return address.trimmed().isEmpty();
}

} // namespace

CMergeCommand::CMergeCommand(CCommandContext& context)
    : CCommand(context, "merge", "print many envelopes in one job, from contacts files or the book",
               kHelpText) {}

void CMergeCommand::AddOptions(QCommandLineParser& parser) const {
    parser.addOptions({
        {kBook, QString()},
        {kLabels, QString(), QStringLiteral("LABELS")},
        {kLabel, QString(), QStringLiteral("LABEL")},
        {kDryRun, QString()},
        {kPngDir, QString(), QStringLiteral("DIR")},
    });
    CJobOptions::AddJobOptions(parser);
    parser.addOption({kAddress, QString(), QStringLiteral("ADDRESS")});
    ContactsFileOptions::AddOptions(parser);
}

ExitStatus CMergeCommand::Run(const QCommandLineParser& parser) {
    const CAddressBook& book = Context().BookFor(parser);
    const AddressChoice choice = AddressChoiceOf(parser);
    m_fileOptions = ContactsFileOptions::Of(parser);
    const bool labels = parser.isSet(kLabels) || parser.isSet(kLabel);
    if (parser.isSet(kBook) && labels)
        Fail(ExitStatus::Usage, QStringLiteral("--book and --labels cannot both be given"));
    if (parser.isSet(kPngDir) && parser.isSet(kPdf))
        Fail(ExitStatus::Usage, QStringLiteral("--png-dir and --pdf cannot both be given"));
    if (parser.values(kPngDir).size() > 1)
        Fail(ExitStatus::Usage, QStringLiteral("--png-dir is given more than once"));
    if (parser.positionalArguments().isEmpty() && !parser.isSet(kBook) && !labels)
        Fail(ExitStatus::Usage, QStringLiteral("give contacts files, --book or --labels"));
    const CJobOptions shared(Context().Settings(), book);
    EnvelopeJob job = shared.MakeSharedJob(parser);
    for (const QString& note : shared.Notes())
        Context().Tell(note);
    const int dpi = CJobOptions::Dpi(parser);
    if (parser.isSet(kDpi) && !parser.isSet(kPngDir))
        Fail(ExitStatus::Usage, QStringLiteral("--dpi is for the pictures of --png-dir"));

    m_dryRun = parser.isSet(kDryRun);
    TakeBook(parser, book);
    for (const QString& path : parser.positionalArguments())
        TakeFile(path, choice);

    Context().Out().flush();
    for (const QString& note : std::as_const(m_notes))
        Context().Tell(note);
    for (const QString& problem : std::as_const(m_problems))
        Context().Tell(problem);
    if (shared.Postal().barcode)
        NumberBarcodes(job, shared.Postal());
    Context().Err().flush();
    if (m_dryRun) {
        DryRun();
    } else {
        if (EnvelopeCount() == 0)
            Fail(ExitStatus::BadInput, QStringLiteral("no envelopes to print"));
        m_terminal = isatty(STDERR_FILENO) == 1;
        if (parser.isSet(kPngDir))
            WritePictures(job, parser.value(kPngDir), dpi);
        else
            Print(job);
    }
    return m_problems.isEmpty() ? ExitStatus::Success : ExitStatus::BadInput;
}

qsizetype CMergeCommand::EnvelopeCount() const {
    return m_fromBook.size() + m_fileAddresses.Size();
}

CMergeCommand::Envelope CMergeCommand::EnvelopeAt(qsizetype i) const {
    if (i < m_fromBook.size())
        return m_fromBook[i];
    const qsizetype packed = i - m_fromBook.size();
    return {m_dryRun ? m_fileLabels.At(packed) : QString(), m_fileAddresses.At(packed)};
}

void CMergeCommand::TakeBook(const QCommandLineParser& parser, const CAddressBook& book) {
    QList<int> entries;
    if (parser.isSet(kBook)) {
        for (int i = 0; i < book.GetSize(); ++i)
            entries.append(i);
    }
    // Labels may be given in lists (--labels) or one by one (--label, for a
    // label that holds a comma), over several options, in the order they
    // are to print.
    const QStringList lists = parser.values(kLabels);
    const QStringList singles = parser.values(kLabel);
    qsizetype nextList = 0;
    qsizetype nextSingle = 0;
    QStringList labels;
    for (const QString& option : parser.optionNames()) {
        if (option == kLabels)
            labels += lists.value(nextList++).split(QLatin1Char(','));
        else if (option == kLabel)
            labels += singles.value(nextSingle++);
    }
    for (const QString& label : std::as_const(labels)) {
        const int index = book.FindLabel(label);
        if (index < 0)
            Fail(ExitStatus::BadInput,
                 QStringLiteral("%1: no entry labelled \"%2\"").arg(book.AddressBookPath(), label));
        entries.append(index);
    }
    for (const int index : std::as_const(entries)) {
        const CAddress& entry = book.GetAt(index);
        if (IsBlank(entry.m_strAddress))
            m_problems.append(QStringLiteral("%1: the entry \"%2\" has no address; left out")
                                  .arg(book.AddressBookPath(), entry.m_strLabel));
        else
            m_fromBook.append({entry.m_strLabel, entry.m_strAddress});
    }
}

void CMergeCommand::TakeFile(const QString& path, AddressChoice choice) {
    CContactsImport import(CAddressFormatter::SystemCountry(), choice);
    m_fileOptions.ApplyTo(import, Context().Settings());
    int blank = 0;
    const auto take = [&](CAddress&& entry) {
        if (IsBlank(entry.m_strAddress)) {
            ++blank;
            return;
        }
        if (m_dryRun)
            m_fileLabels.Append(entry.m_strLabel);
        m_fileAddresses.Append(entry.m_strAddress);
    };
    ReadContactsFile(import, path, take);
    m_fileOptions.Remember(Context().Settings(), import);
    m_problems.append(import.Report().Lines());
    // Contacts a phone keeps for their e-mail address alone are no fault of
    // the file: said once, as a count.
    const int withoutAddress = import.WithoutAddressCount() + blank;
    if (withoutAddress == 1)
        m_notes.append(
            QStringLiteral("%1: 1 contact has no postal address and was left out").arg(path));
    else if (withoutAddress > 1)
        m_notes.append(QStringLiteral("%1: %2 contacts have no postal address and were left out")
                           .arg(path)
                           .arg(withoutAddress));
    const int withoutName = import.WithoutNameCount();
    if (withoutName == 1)
        m_notes.append(QStringLiteral("%1: 1 contact has no name and was left out").arg(path));
    else if (withoutName > 1)
        m_notes.append(QStringLiteral("%1: %2 contacts have no name and were left out")
                           .arg(path)
                           .arg(withoutName));
    m_notes.append(import.Report().NoteLines());
}

// Each barcode names its own envelope: the serial numbers count up, and a
// job that would run past their digits does not start.
void CMergeCommand::NumberBarcodes(EnvelopeJob& job, const PostalOptions& postal) const {
    const BarcodeRun run =
        ::NumberBarcodes(job, postal, CAddressFormatter::SystemCountry(), EnvelopeCount(),
                         [this](qsizetype i) { return EnvelopeAt(i).address; });
    if (run.overflow)
        Fail(ExitStatus::Usage,
             QStringLiteral("--%1: %2").arg(kImb, BarcodeOverflowLine(postal, run)));
    for (const QString& line : {BarcodeSerialsLine(run), NoBarcodeAbroadLine(run)}) {
        if (!line.isEmpty())
            Context().Tell(line);
    }
}

void CMergeCommand::DryRun() const {
    const qsizetype count = EnvelopeCount();
    for (qsizetype i = 0; i < count; ++i) {
        const Envelope envelope = EnvelopeAt(i);
        Context().Out() << i + 1 << ". " << envelope.label << '\n';
        for (const QString& line : envelope.address.split(QStringLiteral("\r\n")))
            Context().Out() << "    " << line << '\n';
    }
    Context().Out() << (count == 1 ? QStringLiteral("1 envelope")
                                   : QStringLiteral("%1 envelopes").arg(count))
                    << '\n';
}

bool CMergeCommand::ShowProgress(int done) {
    // Written past the stream that escapes what a terminal acts on: this
    // line is the program's own, and its carriage return is meant.
    if (m_terminal) {
        Context().Err().flush();
        std::fprintf(stderr, "\rpelvaro-cli: envelope %d of %lld%s", done,
                     static_cast<long long>(EnvelopeCount()), done == EnvelopeCount() ? "\n" : "");
        std::fflush(stderr);
    }
    return true;
}

void CMergeCommand::WritePictures(const EnvelopeJob& job, const QString& folder, int dpi) {
    if (QFileInfo(folder).exists() && !QFileInfo(folder).isDir())
        Fail(ExitStatus::PrintFailed, QStringLiteral("%1 is not a folder").arg(folder));
    if (!QDir().mkpath(folder))
        Fail(ExitStatus::PrintFailed,
             QStringLiteral("%1: the folder could not be made").arg(folder));
    QDir dir(folder);
    // Names sort in page order.
    const int digits = qMax(4, static_cast<int>(QString::number(EnvelopeCount()).size()));
    QString why;
    QSet<QString> written;
    PrintFailure failure;
    const PrintResult result = RenderEnvelopes(
        job, EnvelopeCount(), [this](qsizetype i) { return EnvelopeAt(i).address; }, dpi,
        [&](const QImage& page, int index) {
            const QString path = dir.filePath(
                QStringLiteral("envelope-%1.png").arg(index + 1, digits, 10, QLatin1Char('0')));
            if (!SavePicture(page, path, &why))
                return false;
            written.insert(QFileInfo(path).fileName());
            return ShowProgress(index + 1);
        },
        &failure);
    CJobOptions::CheckResult(result, job, failure, true);
    if (why.endsWith(u'.'))
        why.chop(1);
    if (!why.isEmpty())
        Fail(ExitStatus::PrintFailed, QStringLiteral("%1; %2 of %3 pictures were written.")
                                          .arg(why)
                                          .arg(written.size())
                                          .arg(EnvelopeCount()));
    // The pages of an earlier, longer job would pass for this one's; they
    // go once this job's are all there.
    static const QRegularExpression kPageName(QStringLiteral("^envelope-[0-9]+\\.png$"));
    for (const QString& name : dir.entryList({QStringLiteral("envelope-*.png")}, QDir::Files)) {
        if (!written.contains(name) && kPageName.match(name).hasMatch() && !dir.remove(name))
            Fail(ExitStatus::PrintFailed,
                 QStringLiteral("%1: a page of an earlier job could not be removed")
                     .arg(dir.filePath(name)));
    }
}

void CMergeCommand::Print(const EnvelopeJob& job) {
    PrintFailure failure;
    const PrintResult result = PrintEnvelopes(
        job, EnvelopeCount(), [this](qsizetype i) { return EnvelopeAt(i).address; },
        [this](int done) { return ShowProgress(done); }, &failure);
    CJobOptions::CheckResult(result, job, failure);
}
