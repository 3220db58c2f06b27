#include "ui/envelopelistmodel.h"

#include "addressbook/addressbook.h"
#include "ui/contactsfiledialogs.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kNoAddress = QStringLiteral("(no address)");

// Text as the find compares it: without accents and case, so that "muller"
// finds "Müller" and "ÉCOLE" finds "école".
QString Folded(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded.append(c);
    }
    return folded.toCaseFolded();
}

} // namespace

CEnvelopeListModel::CEnvelopeListModel(QObject* parent) : QAbstractTableModel(parent) {}

CEnvelopeListModel::Entry CEnvelopeListModel::MakeEntry(const CAddress& address,
                                                        const QString& file, bool ticked) {
    Entry made;
    made.entry = address;
    made.file = file;
    made.printable = !address.m_strAddress.trimmed().isEmpty();
    made.ticked = ticked && made.printable;
    return made;
}

void CEnvelopeListModel::SetBook(const CAddressBook& book, const QSet<QString>& ticked) {
    beginResetModel();
    m_entries.clear();
    m_entries.reserve(book.GetSize());
    m_ticked = 0;
    for (int i = 0; i < book.GetSize(); ++i) {
        const CAddress& entry = book.GetAt(i);
        m_entries.append(MakeEntry(entry, QString(), ticked.contains(entry.m_strLabel)));
        m_ticked += m_entries.constLast().ticked;
    }
    endResetModel();
}

CEnvelopeListModel::FileAdded CEnvelopeListModel::AddFromFile(const QList<CAddress>& entries,
                                                              const QString& file) {
    QList<FileEntry> added;
    added.reserve(entries.size());
    for (const CAddress& entry : entries)
        added.append({entry, file, true});
    return AddFileEntries(added);
}

CEnvelopeListModel::FileAdded CEnvelopeListModel::AddFileEntries(const QList<FileEntry>& entries) {
    QSet<QPair<QString, QString>> held;
    held.reserve(m_entries.size() + entries.size());
    for (const Entry& listed : m_entries)
        held.insert({listed.entry.m_strLabel, listed.entry.m_strAddress});
    QList<Entry> added;
    FileAdded result;
    for (const FileEntry& entry : entries) {
        const qsizetype before = held.size();
        held.insert({entry.entry.m_strLabel, entry.entry.m_strAddress});
        if (held.size() == before) {
            ++result.again;
            continue;
        }
        added.append(MakeEntry(entry.entry, entry.file, entry.ticked));
    }
    if (added.isEmpty())
        return result;
    result.added = static_cast<int>(added.size());
    result.firstRow = Count();
    beginInsertRows(QModelIndex(), Count(), Count() + result.added - 1);
    for (Entry& entry : added) {
        m_ticked += entry.ticked;
        m_entries.append(std::move(entry));
    }
    endInsertRows();
    return result;
}

QList<CEnvelopeListModel::FileEntry> CEnvelopeListModel::FileEntries() const {
    QList<FileEntry> kept;
    for (const Entry& listed : m_entries) {
        if (!listed.file.isEmpty())
            kept.append({listed.entry, listed.file, listed.ticked});
    }
    return kept;
}

bool CEnvelopeListModel::HasFileEntries() const {
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [](const Entry& entry) { return !entry.file.isEmpty(); });
}

const QString& CEnvelopeListModel::Text(int row, int column) const {
    const Entry& entry = m_entries[row];
    if (column == kLabelColumn)
        return entry.entry.m_strLabel;
    if (column == kFromColumn)
        return entry.file;
    if (!entry.printable)
        return kNoAddress;
    if (!entry.line)
        entry.line = AddressLine(entry.entry.m_strLabel, entry.entry.m_strAddress);
    return *entry.line;
}

void CEnvelopeListModel::SetTicked(const QList<int>& rows, bool ticked) {
    int first = Count();
    int last = -1;
    for (const int row : rows) {
        Entry& entry = m_entries[row];
        if (!entry.printable || entry.ticked == ticked)
            continue;
        entry.ticked = ticked;
        m_ticked += ticked ? 1 : -1;
        first = qMin(first, row);
        last = qMax(last, row);
    }
    TicksChanged(first, last);
}

void CEnvelopeListModel::ToggleTicks(const QList<int>& rows) {
    const bool tick = std::any_of(rows.begin(), rows.end(), [this](int row) {
        return m_entries[row].printable && !m_entries[row].ticked;
    });
    SetTicked(rows, tick);
}

QList<int> CEnvelopeListModel::TickedRows() const {
    QList<int> rows;
    rows.reserve(m_ticked);
    for (int row = 0; row < Count(); ++row) {
        if (m_entries[row].ticked)
            rows.append(row);
    }
    return rows;
}

void CEnvelopeListModel::TicksChanged(int first, int last) {
    if (first <= last)
        emit dataChanged(index(first, kLabelColumn), index(last, kLabelColumn),
                         {Qt::CheckStateRole});
}

QStringList CEnvelopeListModel::FindWords(const QString& find) {
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    return Folded(find).split(spaces, Qt::SkipEmptyParts);
}

bool CEnvelopeListModel::Matches(int row, const QStringList& words) const {
    if (words.isEmpty())
        return true;
    const Entry& entry = m_entries[row];
    if (!entry.folded)
        entry.folded =
            Folded(entry.entry.m_strLabel + QLatin1Char('\n') + entry.entry.m_strAddress);
    return std::all_of(words.begin(), words.end(),
                       [&entry](const QString& word) { return entry.folded->contains(word); });
}

int CEnvelopeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int CEnvelopeListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kFromColumn + 1;
}

QVariant CEnvelopeListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    const Entry& entry = m_entries[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        return Text(index.row(), index.column());
    case Qt::ToolTipRole:
        return QString(entry.entry.m_strAddress)
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    case Qt::CheckStateRole:
        if (index.column() == kLabelColumn)
            return entry.ticked ? Qt::Checked : Qt::Unchecked;
        break;
    default:
        break;
    }
    return QVariant();
}

bool CEnvelopeListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != kLabelColumn ||
        !checkIndex(index, CheckIndexOption::IndexIsValid) || !IsPrintable(index.row()))
        return false;
    SetTicked({index.row()}, value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags CEnvelopeListModel::flags(const QModelIndex& index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    // Shown greyed out, and passed over by selection and the keyboard.
    if (!IsPrintable(index.row()))
        return Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
    return Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable |
           Qt::ItemNeverHasChildren;
}

QVariant CEnvelopeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case kLabelColumn:
        return QStringLiteral("Label");
    case kAddressColumn:
        return QStringLiteral("Address");
    case kFromColumn:
        return QStringLiteral("Added From");
    default:
        return QVariant();
    }
}
