#include "contacts/contactsimport.h"

#include "addressbook/addressbook.h"
#include "contacts/addressformatter.h"
#include "contacts/contact.h"
#include "contacts/contactstext.h"
#include "contacts/csvreader.h"
#include "contacts/logging.h"
#include "contacts/spreadsheet.h"
#include "contacts/tablecontacts.h"
#include "contacts/vcardreader.h"
#include "platform/fileexception.h"
#include "platform/inputfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>

namespace {

// Labels are the same to the book up to their first U+0000, as
// CompareLabels has it.
QString LabelKey(const QString& label) {
    const qsizetype end = label.indexOf(QChar(u'\0'));
    return end < 0 ? label : label.first(end);
}

bool LooksLikeVCard(QByteArrayView bytes) {
    // Skip a byte order mark and blank lines.
    QByteArray start = bytes.first(qMin<qsizetype>(bytes.size(), 64 + 3)).toByteArray();
    if (start.startsWith("\xEF\xBB\xBF"))
        start.remove(0, 3);
    return start.trimmed().toUpper().startsWith("BEGIN:VCARD");
}

} // namespace

QString ImportResult::Summary() const {
    QStringList lines;
    lines.append(added == 1 ? QStringLiteral("1 address was added.")
                            : QStringLiteral("%1 addresses were added.").arg(added));
    if (renamed > 0)
        lines.append(
            QStringLiteral("%1 of them under a new label, as their label was taken.").arg(renamed));
    if (replaced > 0)
        lines.append(QStringLiteral("%1 replaced the address of an entry with the same label.")
                         .arg(replaced));
    if (labelTaken > 0)
        lines.append(QStringLiteral("%1 left out because their label is already in the address "
                                    "book.")
                         .arg(labelTaken));
    if (identical > 0)
        lines.append(
            QStringLiteral("%1 left out as the address book has them already.").arg(identical));
    if (withoutAddress > 0) {
        // Contacts without a name are counted but have none to list.
        QString names = withoutAddressNames.join(QStringLiteral(", "));
        if (withoutAddress > withoutAddressNames.size() && !names.isEmpty())
            names += QStringLiteral("...");
        const QString line =
            withoutAddress == 1
                ? QStringLiteral("1 contact has no postal address and was left out")
                : QStringLiteral("%1 contacts have no postal address and were left out")
                      .arg(withoutAddress);
        lines.append(names.isEmpty() ? line + u'.' : line + QStringLiteral(": ") + names);
    }
    if (withoutName > 0)
        lines.append(
            withoutName == 1
                ? QStringLiteral("1 contact has no name and was left out.")
                : QStringLiteral("%1 contacts have no name and were left out.").arg(withoutName));
    return lines.join(QLatin1Char('\n'));
}

CContactsImport::CContactsImport(const QString& userCountry, AddressChoice choice)
    : m_formatter(userCountry, choice) {}

void CContactsImport::ReadFile(const QString& path) {
    QFile file(path);
    OpenRegularFile(file);
    Reset(path);
    // A file past the limit is refused by its size, before any of it is
    // read.
    if (file.size() > kMaxFileSize) {
        m_report.AddProblem(0, QStringLiteral("the file is larger than 256 MB; nothing was read"));
        return;
    }
    Read(file, path);
    if (file.error() != QFileDevice::NoError)
        throw CFileException(FileErrorCause::HardIO, path);
}

void CContactsImport::ReadFile(const QString& path, const EntrySink& sink) {
    m_entrySink = sink;
    const auto restore = qScopeGuard([this] { m_entrySink = nullptr; });
    ReadFile(path);
}

void CContactsImport::ReadStream(QIODevice& input, const QString& name, const EntrySink& sink) {
    m_entrySink = sink;
    const auto restore = qScopeGuard([this] { m_entrySink = nullptr; });
    // A pipe gives what its writer has written so far: read to its end.
    QByteArray bytes;
    while (bytes.size() <= kMaxFileSize) {
        const QByteArray chunk = input.read(qMin<qint64>(1 << 20, kMaxFileSize + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (bytes.size() > kMaxFileSize) {
        Reset(name);
        m_report.AddProblem(0, QStringLiteral("the file is larger than 256 MB; nothing was read"));
        return;
    }
    ReadBytes(bytes, name);
}

void CContactsImport::ReadBytes(QByteArrayView bytes, const QString& fileName) {
    Reset(fileName);
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    Read(buffer, fileName);
}

void CContactsImport::Reset(const QString& fileName) {
    m_report = CContactsReport(fileName);
    m_entries.clear();
    m_entryCount = 0;
    m_withoutAddress.clear();
    m_withoutAddressLines.clear();
    m_withoutAddressCount = 0;
    m_withoutNameCount = 0;
    m_tableHeader.clear();
    m_tableMapping.reset();
    m_unreadRows.clear();
}

void CContactsImport::Read(QIODevice& input, const QString& fileName) {
    qCInfo(LogContacts) << "reading" << fileName << input.size() << "bytes";
    const QByteArray start = input.peek(4096);
    if (start.isEmpty()) {
        m_report.AddProblem(0, QStringLiteral("the file is empty"));
        return;
    }
    if (CSpreadsheet::LooksLikeZip(start) || CSpreadsheet::LooksLikeCompoundFile(start)) {
        ReadSpreadsheet(input);
        return;
    }
    const FileEncoding encoding = DetectFileEncoding(start);
    if (encoding == FileEncoding::Unrecognised) {
        // Zero bytes, but not where UTF-16 or UTF-32 text has them: a
        // picture, an archive or a program, not a contacts file.
        m_report.AddProblem(0, QStringLiteral("this is not a text file this program can read; "
                                              "nothing was read"));
        return;
    }
    const auto sink = [this](Contact&& contact) { TakeContact(std::move(contact)); };
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    const auto isVCard = [&](QByteArrayView text) {
        return LooksLikeVCard(text) || suffix == QLatin1String("vcf") ||
               suffix == QLatin1String("vcard");
    };
    bool vCard = false;
    if (IsWideEncoding(encoding)) {
        // Both readers work on UTF-8 or 8-bit bytes, so UTF-16 and UTF-32
        // files are turned into UTF-8 first.
        QString text = DecodeFileText(input.readAll());
        for (const int line : ReplaceLoneSurrogates(text))
            m_report.AddProblem(line, LoneSurrogateProblem());
        QByteArray converted = text.toUtf8();
        text.clear();
        vCard = isVCard(converted);
        if (vCard) {
            CVCardReader(m_report, sink).Read(converted, true);
        } else {
            QBuffer buffer(&converted);
            buffer.open(QIODevice::ReadOnly);
            ReadCsv(buffer, true);
        }
    } else {
        // CSV is read a piece at a time, as a merge of a large file would
        // otherwise hold it several times over.
        vCard = isVCard(start);
        if (vCard)
            CVCardReader(m_report, sink).Read(input.readAll(), false);
        else
            ReadCsv(input, false);
    }
    qCInfo(LogContacts) << (vCard ? "read as vCard:" : "read as CSV:") << m_entryCount
                        << "with an address," << m_withoutAddressCount << "without,"
                        << m_report.Problems().size() << "problems";
}

void CContactsImport::ReadCsv(QIODevice& input, bool fromWideText) {
    CCsvReader reader(m_report, [this](Contact&& contact) { TakeContact(std::move(contact)); });
    reader.SetMapping(m_mapping);
    reader.SetMappingLookup(m_lookup);
    reader.Read(input, fromWideText);
    m_tableHeader = reader.Header();
    m_tableMapping = reader.Mapping();
    m_unreadRows = reader.UnreadTopRows();
}

namespace {

// Cuts a text to the longest that a book entry may hold, never inside a
// character or a line break; false when it was not that long.
bool CutToLength(QString& text, qsizetype length) {
    if (text.size() <= length)
        return false;
    if (text[length].isLowSurrogate() || (text[length] == u'\n' && text[length - 1] == u'\r'))
        --length;
    text.truncate(length);
    return true;
}

// A label is what a script names an entry by, one a line: a line break
// in it is a space, and what a terminal or a program reading lines would
// act on (a NUL, an escape) goes.
QString LabelForBook(const QString& label) {
    QString clean;
    clean.reserve(label.size());
    for (qsizetype i = 0; i < label.size(); ++i) {
        const char16_t c = label[i].unicode();
        if (c == u'\r' && i + 1 < label.size() && label[i + 1] == u'\n')
            continue;
        if (c == u'\r' || c == u'\n' || c == u'\t')
            clean += u' ';
        else if (c >= 0x20 && (c < 0x7F || c > 0x9F))
            clean += label[i];
    }
    return clean.trimmed().isEmpty() ? QString() : clean;
}

} // namespace

void CContactsImport::TakeContact(Contact&& contact) {
    QString label = LabelForBook(contact.Label());
    std::optional<QString> text = m_formatter.Format(contact);
    // A phone's card of an e-mail address alone is no fault of the file:
    // such contacts are counted, not reported.
    if (!text) {
        ++m_withoutAddressCount;
        if (!label.isEmpty()) {
            CutToLength(label, kMaxTextLength);
            m_withoutAddress.append(label);
            m_withoutAddressLines.append(contact.line);
        }
        return;
    }
    if (label.isEmpty()) {
        ++m_withoutNameCount;
        return;
    }
    // A field of millions of characters is damage, not a name: it would
    // make the book and every envelope of it that large.
    const auto tooLong = [&](const char* what) {
        m_report.AddProblem(
            contact.line,
            QStringLiteral("the %1 is longer than %2 characters; the rest is left out")
                .arg(QLatin1String(what))
                .arg(kMaxTextLength));
    };
    if (CutToLength(label, kMaxTextLength))
        tooLong("name");
    if (CutToLength(*text, kMaxTextLength))
        tooLong("address");
    ++m_entryCount;
    if (m_entrySink)
        m_entrySink(CAddress(label, *text));
    else
        m_entries.append(CAddress(label, *text));
}

ImportResult CContactsImport::MergeInto(CAddressBook& book, DuplicateLabels policy) const {
    ImportResult result;
    // Under the book's lock, on the book as its file holds it now.
    book.Edit([&] {
        result = MergeEntries(book, policy);
        return result.added > 0 || result.replaced > 0;
    });
    return result;
}

QList<MergeStep> CContactsImport::PlanMerge(const CAddressBook& book,
                                            DuplicateLabels policy) const {
    QList<MergeStep> steps;
    steps.reserve(m_entries.size());
    // Where each label already is: an index into the book (first of equal
    // labels, as FindLabel gives) or, negative, into the entries to add.
    QHash<QString, qsizetype> taken;
    taken.reserve(book.GetSize() + m_entries.size());
    for (int i = book.GetSize() - 1; i >= 0; --i)
        taken.insert(LabelKey(book.GetAt(i).m_strLabel), i);
    qsizetype added = 0;

    for (const CAddress& entry : m_entries) {
        const QString key = LabelKey(entry.m_strLabel);
        const auto found = taken.constFind(key);
        MergeStep step;
        step.label = entry.m_strLabel;
        if (found == taken.cend()) {
            taken.insert(key, -1 - added++);
            steps.append(step);
            continue;
        }
        if (*found >= 0 &&
            book.GetAt(static_cast<int>(*found)).m_strAddress == entry.m_strAddress) {
            step.kind = MergeStep::Kind::Skip;
            step.identical = true;
            steps.append(step);
            continue;
        }
        switch (policy) {
        case DuplicateLabels::Skip:
            step.kind = MergeStep::Kind::Skip;
            break;
        case DuplicateLabels::Replace:
            step.kind = MergeStep::Kind::Replace;
            if (*found >= 0) {
                step.bookIndex = static_cast<int>(*found);
                step.label = book.GetAt(step.bookIndex).m_strLabel;
            } else {
                step.addedIndex = -1 - *found;
            }
            break;
        case DuplicateLabels::Rename:
            step.kind = MergeStep::Kind::Rename;
            for (int n = 2;; ++n) {
                // What follows a U+0000 never counts for the book, so it
                // would never make the new label free.
                step.label = key + QStringLiteral(" (%1)").arg(n);
                if (!taken.contains(step.label))
                    break;
            }
            taken.insert(step.label, -1 - added++);
            break;
        }
        steps.append(step);
    }
    return steps;
}

ImportResult CContactsImport::MergeEntries(CAddressBook& book, DuplicateLabels policy) const {
    ImportResult result;
    result.withoutAddress = m_withoutAddressCount;
    result.withoutAddressNames =
        m_withoutAddress.first(qMin(m_withoutAddress.size(), kNamesListed));
    result.withoutName = m_withoutNameCount;

    const QList<MergeStep> steps = PlanMerge(book, policy);
    QList<CAddress> added;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const MergeStep& step = steps[i];
        const CAddress& entry = m_entries[i];
        switch (step.kind) {
        case MergeStep::Kind::Add:
            added.append(entry);
            break;
        case MergeStep::Kind::Rename:
            added.append(CAddress(step.label, entry.m_strAddress));
            ++result.renamed;
            break;
        case MergeStep::Kind::Replace:
            if (step.bookIndex >= 0)
                book.SetAddressAt(step.bookIndex, entry.m_strAddress);
            else
                added[step.addedIndex].m_strAddress = entry.m_strAddress;
            ++result.replaced;
            break;
        case MergeStep::Kind::Skip:
            ++(step.identical ? result.identical : result.labelTaken);
            break;
        }
    }
    result.added = static_cast<int>(added.size());
    if (!added.isEmpty())
        book.InsertAddresses(added);
    return result;
}

bool CContactsImport::HeaderReads(CSpreadsheet& workbook, int sheet, int* rows) const {
    CContactsReport ignored;
    CTableContacts probe(ignored, [](Contact&&) {});
    if (m_mapping)
        probe.SetMapping(*m_mapping);
    probe.SetMappingLookup(m_lookup);
    workbook.ReadRows(sheet, [&](const SheetRow& row) {
        ++*rows;
        return probe.TakeRow(row.cells, row.number, row.hidden) && !probe.HasHeader();
    });
    return probe.HasHeader();
}

QList<WorkbookSheet> CContactsImport::WorkbookSheets(const QString& path) const {
    QFile file(path);
    OpenRegularFile(file);
    if (file.size() > kMaxFileSize || !CSpreadsheet::LooksLikeZip(file.peek(4)))
        return {};
    CSpreadsheet workbook(file);
    QList<WorkbookSheet> sheets;
    if (!workbook.IsOpen())
        return sheets;
    const QList<SheetInfo> infos = workbook.Sheets();
    for (int i = 0; i < infos.size(); ++i) {
        int rows = 0;
        // Hidden sheets are not looked at, as the import passes them over.
        sheets.append(
            {infos[i].name, infos[i].hidden, !infos[i].hidden && HeaderReads(workbook, i, &rows)});
    }
    return sheets;
}

int CContactsImport::ChooseSheet(CSpreadsheet& workbook) {
    const QList<SheetInfo> sheets = workbook.Sheets();
    QStringList names;
    for (const SheetInfo& sheet : sheets)
        names.append(u'"' + sheet.name + u'"');
    if (!m_sheet.isEmpty()) {
        const int named = workbook.SheetNamed(m_sheet);
        if (named < 0)
            m_report.AddProblem(0, QStringLiteral("the workbook has no sheet \"%1\"; its sheets "
                                                  "are %2")
                                       .arg(m_sheet, names.join(QStringLiteral(", "))));
        return named;
    }
    // Each shown sheet in turn, read only as far as its header; hidden
    // sheets hold what the user put out of sight.
    int fullest = -1;
    int mostRows = -1;
    for (int i = 0; i < sheets.size(); ++i) {
        if (sheets[i].hidden)
            continue;
        int rows = 0;
        if (HeaderReads(workbook, i, &rows))
            return i;
        if (rows > mostRows) {
            mostRows = rows;
            fullest = i;
        }
    }
    // None reads: the sheet with most rows, likely the list, says why.
    if (sheets.size() > 1)
        m_report.AddNote(QStringLiteral("no sheet has a header row this program can read; "
                                        "the sheet \"%1\" was tried")
                             .arg(sheets[qMax(fullest, 0)].name));
    return qMax(fullest, 0);
}

void CContactsImport::ReadSpreadsheet(QIODevice& input) {
    CSpreadsheet workbook(input);
    if (!workbook.IsOpen()) {
        m_report.AddProblem(0, QStringLiteral("this workbook cannot be read: %1; nothing was "
                                              "read")
                                   .arg(workbook.Error()));
        return;
    }
    const int sheet = ChooseSheet(workbook);
    if (sheet < 0)
        return;
    const QList<SheetInfo> sheets = workbook.Sheets();
    qCInfo(LogContacts) << "reading sheet" << sheets[sheet].name << "of" << sheets.size();
    CTableContacts table(m_report, [this](Contact&& contact) { TakeContact(std::move(contact)); });
    if (m_mapping)
        table.SetMapping(*m_mapping);
    table.SetMappingLookup(m_lookup);
    const bool whole = workbook.ReadRows(sheet, [&](const SheetRow& row) {
        return table.TakeRow(row.cells, row.number, row.hidden);
    });
    if (!whole)
        m_report.AddProblem(0, QStringLiteral("the workbook could not be read to its end: %1; "
                                              "the rows before that were read")
                                   .arg(workbook.Error()));
    table.Finish();
    for (const QString& note : workbook.Notes())
        m_report.AddNote(note);
    if (table.HasHeader() && sheets.size() > 1)
        m_report.AddNote(QStringLiteral("read the sheet \"%1\"").arg(sheets[sheet].name));
    m_tableHeader = table.Header();
    m_tableMapping = table.Mapping();
    m_unreadRows = table.UnreadTopRows();
}
