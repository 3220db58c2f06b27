#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

class CEnvelopeListModel;

// The envelope list as shown: the rows the find matches, sorted by the
// column whose header was clicked as people read (in the user's language,
// whatever the case, "Entry 9" before "Entry 10"), the order they came in
// until then. The envelopes are printed in this order, those the find hides
// included.
class CEnvelopeListFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit CEnvelopeListFilter(CEnvelopeListModel& entries, QObject* parent = nullptr);

    // Shows the entries with every word of `find` anywhere in their label or
    // address.
    void SetFind(const QString& find);

    // The model's rows shown, top to bottom.
    QList<int> ShownRows() const;
    // The ticked rows the find hides.
    int TickedHiddenCount() const;
    // The ticked entries' addresses in list order: the job to print.
    QStringList TickedAddresses() const;
    // The labels of the book's ticked entries, in list order.
    QStringList TickedBookLabels() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // The model's rows in list order.
    QList<int> InListOrder(QList<int> rows) const;

    CEnvelopeListModel& m_entries;
    QStringList m_words;
};
