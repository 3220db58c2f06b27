#pragma once

#include "addressbook/address.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QStringList>

#include <optional>

class CAddressBook;

// The envelopes one job may print: the address book's entries, then the
// contacts of files added for this job, each ticked to be printed or not.
// Rows stay in the order they came in; CEnvelopeListFilter sorts and finds.
// An entry without an address is listed, so that nothing is left out
// unseen, but can never be ticked.
class CEnvelopeListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kLabelColumn = 0;
    static constexpr int kAddressColumn = 1;
    // The file a job-only entry came from; empty for the book's.
    static constexpr int kFromColumn = 2;

    // What adding a file's contacts did.
    struct FileAdded {
        int added = 0;
        // Entries the list held already, left out.
        int again = 0;
        // The first entry added, -1 for none.
        int firstRow = -1;
    };

    explicit CEnvelopeListModel(QObject* parent = nullptr);

    // The book's entries in the book's order, those whose label is in
    // `ticked` ticked; whatever was listed before goes.
    void SetBook(const CAddressBook& book, const QSet<QString>& ticked);
    // A file's entries, ticked, after those listed. One the list holds
    // already, label and address alike, is left out: it would print the
    // same envelope twice.
    FileAdded AddFromFile(const QList<CAddress>& entries, const QString& file);

    // An entry a file added, as the job keeps it between openings.
    struct FileEntry {
        CAddress entry;
        QString file;
        bool ticked = true;
    };
    QList<FileEntry> FileEntries() const;
    // Entries kept from an earlier opening, with their ticks and files, left
    // out as AddFromFile leaves them out.
    FileAdded AddFileEntries(const QList<FileEntry>& entries);

    int Count() const { return static_cast<int>(m_entries.size()); }
    int TickedCount() const { return m_ticked; }
    bool IsTicked(int row) const { return m_entries[row].ticked; }
    bool IsPrintable(int row) const { return m_entries[row].printable; }
    bool HasFileEntries() const;
    const QString& Label(int row) const { return m_entries[row].entry.m_strLabel; }
    const QString& Address(int row) const { return m_entries[row].entry.m_strAddress; }
    // What the list shows in that column.
    const QString& Text(int row, int column) const;

    // Ticks or unticks those rows; one without an address stays unticked.
    void SetTicked(const QList<int>& rows, bool ticked);
    // Ticks every one of the rows, or, when all were ticked, takes their
    // ticks away.
    void ToggleTicks(const QList<int>& rows);
    QList<int> TickedRows() const;

    // The words of a find as Matches takes them: without accents and case.
    static QStringList FindWords(const QString& find);
    // Every word anywhere in the row's label or address.
    bool Matches(int row, const QStringList& words) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Entry {
        CAddress entry;
        QString file;
        bool printable = false;
        bool ticked = false;
        // Worked out when first asked for: a book of 100,000 entries opens
        // without folding or laying out every one of them.
        mutable std::optional<QString> line;
        mutable std::optional<QString> folded;
    };

    static Entry MakeEntry(const CAddress& address, const QString& file, bool ticked);
    // One change signal for the rows from first to last.
    void TicksChanged(int first, int last);

    QList<Entry> m_entries;
    int m_ticked = 0;
};
