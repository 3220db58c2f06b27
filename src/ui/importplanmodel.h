#pragma once

#include "contacts/contactsimport.h"

#include <QAbstractTableModel>
#include <QList>

class CAddressBook;

// What importing a contacts file will do to the address book, a row a
// contact: its label, what happens to it and its address; the contacts
// without an address last. Planned on the book as it is, for one way of
// treating labels the book has already.
class CImportPlanModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kLabelColumn = 0;
    static constexpr int kWhatColumn = 1;
    static constexpr int kAddressColumn = 2;

    struct Counts {
        // Renamed ones included.
        int added = 0;
        int replaced = 0;
        int leftOut = 0;
    };

    // The import and the book must outlive the model.
    CImportPlanModel(const CContactsImport& import, const CAddressBook& book,
                     QObject* parent = nullptr);

    void Plan(DuplicateLabels policy);
    Counts PlannedCounts() const { return m_counts; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString label;
        QString what;
        // Empty for a contact without an address.
        QString address;
    };

    // What happens to a contact, counted.
    QString What(const MergeStep& step);

    const CContactsImport& m_import;
    const CAddressBook& m_book;
    QList<Row> m_rows;
    Counts m_counts;
};
