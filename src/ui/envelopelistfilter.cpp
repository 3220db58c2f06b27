#include "ui/envelopelistfilter.h"

#include "ui/envelopelistmodel.h"

#include <QCollator>

#include <algorithm>

CEnvelopeListFilter::CEnvelopeListFilter(CEnvelopeListModel& entries, QObject* parent)
    : QSortFilterProxyModel(parent), m_entries(entries) {
    setSourceModel(&entries);
}

void CEnvelopeListFilter::SetFind(const QString& find) {
    const QStringList words = CEnvelopeListModel::FindWords(find);
    if (words == m_words)
        return;
    m_words = words;
    invalidateRowsFilter();
}

QList<int> CEnvelopeListFilter::ShownRows() const {
    QList<int> rows;
    rows.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row)
        rows.append(mapToSource(index(row, 0)).row());
    return rows;
}

int CEnvelopeListFilter::TickedHiddenCount() const {
    const QList<int> ticked = m_entries.TickedRows();
    return static_cast<int>(std::count_if(ticked.begin(), ticked.end(), [this](int row) {
        return !m_entries.Matches(row, m_words);
    }));
}

QStringList CEnvelopeListFilter::TickedAddresses() const {
    QStringList addresses;
    for (const int row : InListOrder(m_entries.TickedRows()))
        addresses.append(m_entries.Address(row));
    return addresses;
}

QStringList CEnvelopeListFilter::TickedBookLabels() const {
    QStringList labels;
    for (const int row : InListOrder(m_entries.TickedRows())) {
        if (m_entries.Text(row, CEnvelopeListModel::kFromColumn).isEmpty())
            labels.append(m_entries.Label(row));
    }
    return labels;
}

// The proxy sorts the rows it shows with a stable sort of the model's order;
// the same sort of any set of rows puts them in the order the list would.
QList<int> CEnvelopeListFilter::InListOrder(QList<int> rows) const {
    const int column = sortColumn();
    if (column < 0)
        return rows;
    const auto before = [this, column](int a, int b) {
        return lessThan(m_entries.index(a, column), m_entries.index(b, column));
    };
    if (sortOrder() == Qt::AscendingOrder)
        std::stable_sort(rows.begin(), rows.end(), before);
    else
        std::stable_sort(rows.begin(), rows.end(),
                         [&before](int a, int b) { return before(b, a); });
    return rows;
}

bool CEnvelopeListFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return m_entries.Matches(sourceRow, m_words);
}

bool CEnvelopeListFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    static const QCollator collator = [] {
        QCollator made;
        made.setCaseSensitivity(Qt::CaseInsensitive);
        made.setNumericMode(true);
        return made;
    }();
    return collator.compare(m_entries.Text(left.row(), left.column()),
                            m_entries.Text(right.row(), right.column())) < 0;
}
