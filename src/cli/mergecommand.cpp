#include "cli/mergecommand.h"

#include "addressbook/addressbook.h"
#include "cli/printcommand.h"
#include "cli/toolfailure.h"
#include "contacts/addressformatter.h"
#include "contacts/contactsimport.h"
#include "platform/exception.h"

#include <QCommandLineParser>
#include <QDir>
#include <QImage>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

#include <unistd.h>

namespace {

const QString kBook = QStringLiteral("book");
const QString kLabels = QStringLiteral("labels");
const QString kLabel = QStringLiteral("label");
const QString kDryRun = QStringLiteral("dry-run");
const QString kPngDir = QStringLiteral("png-dir");
const QString kPdf = QStringLiteral("pdf");

// An address with nothing to print on it.
bool IsBlank(const QString& address) {
    return address.trimmed().isEmpty();
}

} // namespace

void CPackedTexts::Append(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const qsizetype start = m_ends.isEmpty() ? 0 : m_ends.back();
    if (m_blocks.isEmpty() || m_blocks.back().size() + bytes.size() > m_blocks.back().capacity()) {
        m_blocks.append(QByteArray());
        m_blocks.back().reserve(qMax(kBlockSize, bytes.size()));
        m_blockStarts.append(start);
    }
    m_blocks.back() += bytes;
    m_ends.append(start + bytes.size());
}

QString CPackedTexts::At(qsizetype i) const {
    const qsizetype start = i == 0 ? 0 : m_ends[i - 1];
    const qsizetype block = std::upper_bound(m_blockStarts.cbegin(), m_blockStarts.cend(), start) -
                            m_blockStarts.cbegin() - 1;
    return QString::fromUtf8(
        QByteArrayView(m_blocks[block]).sliced(start - m_blockStarts[block], m_ends[i] - start));
}

CMergeCommand::CMergeCommand(const CSettingsStore& settings, const CAddressBook& book,
                             QTextStream& out, QTextStream& err)
    : m_settings(settings), m_book(book), m_out(out), m_err(err) {}

void CMergeCommand::AddOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {kBook, QString()},
        {kLabels, QString(), QStringLiteral("LABELS")},
        {kLabel, QString(), QStringLiteral("LABEL")},
        {kDryRun, QString()},
        {kPngDir, QString(), QStringLiteral("DIR")},
    });
    CPrintCommand::AddJobOptions(parser);
}

ExitStatus CMergeCommand::Run(const QCommandLineParser& parser, AddressChoice choice) {
    const bool labels = parser.isSet(kLabels) || parser.isSet(kLabel);
    if (parser.isSet(kBook) && labels)
        Fail(ExitStatus::Usage, QStringLiteral("--book and --labels cannot both be given"));
    if (parser.isSet(kPngDir) && parser.isSet(kPdf))
        Fail(ExitStatus::Usage, QStringLiteral("--png-dir and --pdf cannot both be given"));
    if (parser.values(kPngDir).size() > 1)
        Fail(ExitStatus::Usage, QStringLiteral("--png-dir is given more than once"));
    if (parser.positionalArguments().isEmpty() && !parser.isSet(kBook) && !labels)
        Fail(ExitStatus::Usage, QStringLiteral("give contacts files, --book or --labels"));
    const CPrintCommand shared(m_settings, m_book);
    const EnvelopeJob job = shared.MakeSharedJob(parser);
    for (const QString& note : shared.Notes())
        m_err << "pelvaro-cli: " << note << '\n';
    const int dpi = CPrintCommand::Dpi(parser);
    if (parser.isSet(QStringLiteral("dpi")) && !parser.isSet(kPngDir))
        Fail(ExitStatus::Usage, QStringLiteral("--dpi is for the pictures of --png-dir"));

    m_dryRun = parser.isSet(kDryRun);
    TakeBook(parser);
    for (const QString& path : parser.positionalArguments())
        TakeFile(path, choice);

    m_out.flush();
    for (const QString& note : std::as_const(m_notes))
        m_err << "pelvaro-cli: " << note << '\n';
    for (const QString& problem : std::as_const(m_problems))
        m_err << "pelvaro-cli: " << problem << '\n';
    m_err.flush();
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

void CMergeCommand::TakeBook(const QCommandLineParser& parser) {
    QList<int> entries;
    if (parser.isSet(kBook)) {
        for (int i = 0; i < m_book.GetSize(); ++i)
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
        const int index = m_book.FindLabel(label);
        if (index < 0)
            Fail(ExitStatus::BadInput, QStringLiteral("%1: no entry labelled \"%2\"")
                                           .arg(m_book.AddressBookPath(), label));
        entries.append(index);
    }
    for (const int index : std::as_const(entries)) {
        const CAddress& entry = m_book.GetAt(index);
        if (IsBlank(entry.m_strAddress))
            m_problems.append(QStringLiteral("%1: the entry \"%2\" has no address; left out")
                                  .arg(m_book.AddressBookPath(), entry.m_strLabel));
        else
            m_fromBook.append({entry.m_strLabel, entry.m_strAddress});
    }
}

void CMergeCommand::TakeFile(const QString& path, AddressChoice choice) {
    CContactsImport import(CAddressFormatter::SystemCountry(), choice);
    if (m_mappingSettings)
        m_fileOptions.ApplyTo(import, *m_mappingSettings);
    int blank = 0;
    try {
        import.ReadFile(path, [&](CAddress&& entry) {
            if (IsBlank(entry.m_strAddress)) {
                ++blank;
        return;
    }
    if (m_dryRun)
        m_fileLabels.Append(entry.m_strLabel);
    m_fileAddresses.Append(entry.m_strAddress);
});
}
catch (const CException& e) {
    Fail(ExitStatus::BadInput, e.GetErrorMessage());
}
if (m_mappingSettings)
    m_fileOptions.Remember(*m_mappingSettings, import);
m_problems.append(import.Report().Lines());
// Contacts a phone keeps for their e-mail address alone are no fault of
// the file: said once, as a count.
const int withoutAddress = import.WithoutAddressCount() + blank;
if (withoutAddress > 0)
    m_notes.append(
        withoutAddress == 1
            ? QStringLiteral("%1: 1 contact has no postal address and was left out").arg(path)
            : QStringLiteral("%1: %2 contacts have no postal address and were left "
                             "out")
                  .arg(path)
                  .arg(withoutAddress));
if (import.WithoutNameCount() > 0)
    m_notes.append(import.WithoutNameCount() == 1
                       ? QStringLiteral("%1: 1 contact has no name and was left out").arg(path)
                       : QStringLiteral("%1: %2 contacts have no name and were left out")
                             .arg(path)
                             .arg(import.WithoutNameCount()));
m_notes.append(import.Report().NoteLines());
}

void CMergeCommand::DryRun() const {
    const qsizetype count = EnvelopeCount();
    for (qsizetype i = 0; i < count; ++i) {
        const Envelope envelope = EnvelopeAt(i);
        m_out << i + 1 << ". " << envelope.label << '\n';
        for (const QString& line : envelope.address.split(QStringLiteral("\r\n")))
            m_out << "    " << line << '\n';
    }
    m_out << (count == 1 ? QStringLiteral("1 envelope") : QStringLiteral("%1 envelopes").arg(count))
          << '\n';
}

bool CMergeCommand::ShowProgress(int done) {
    // Written past the stream that escapes what a terminal acts on: this
    // line is the program's own, and its carriage return is meant.
    if (m_terminal) {
        m_err.flush();
        std::fprintf(stderr, "\rpelvaro-cli: envelope %d of %lld%s", done,
                     static_cast<long long>(EnvelopeCount()), done == EnvelopeCount() ? "\n" : "");
        std::fflush(stderr);
    }
    return true;
}

void CMergeCommand::WritePictures(const EnvelopeJob& job, const QString& folder, int dpi) {
    if (!QDir().mkpath(folder))
        Fail(ExitStatus::Failure, QStringLiteral("%1: the folder could not be made").arg(folder));
    // Names sort in page order.
    const int digits = qMax(4, static_cast<int>(QString::number(EnvelopeCount()).size()));
    QString why;
    const PrintResult result = RenderEnvelopes(
        job, EnvelopeCount(), [this](qsizetype i) { return EnvelopeAt(i).address; }, dpi,
        [&](const QImage& page, int index) {
            const QString path = QDir(folder).filePath(
                QStringLiteral("envelope-%1.png").arg(index + 1, digits, 10, QLatin1Char('0')));
            return SavePicture(page, path, &why) && ShowProgress(index + 1);
        });
    CPrintCommand::CheckResult(result, job, PrintFailure{}, true);
    if (!why.isEmpty())
        Fail(ExitStatus::PrintFailed, why);
}

void CMergeCommand::Print(const EnvelopeJob& job) {
    PrintFailure failure;
    const PrintResult result = PrintEnvelopes(
        job, EnvelopeCount(), [this](qsizetype i) { return EnvelopeAt(i).address; },
        [this](int done) { return ShowProgress(done); }, &failure);
    CPrintCommand::CheckResult(result, job, failure);
}
