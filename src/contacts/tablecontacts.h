#pragma once

#include "contacts/columnmapping.h"
#include "contacts/contact.h"
#include "contacts/contactsreport.h"
#include "contacts/csvheaders.h"
#include "contacts/sheetrow.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// Contacts from the rows of a table, a CSV file's or a sheet's: a header row
// says what each column holds, by names the program knows (csvheaders.h)
// or by a column mapping the user gave or gave before for the same header.
// Rows above the header (a title, a date) are passed over: the header is
// the first of the top rows that reads as one.
class CTableContacts {
public:
    using ContactSink = std::function<void(Contact&&)>;
    using MappingLookup = ColumnMappingLookup;
    // So many rows that hold anything are looked at for the header.
    static constexpr int kHeaderSearchRows = 10;

    CTableContacts(CContactsReport& report, ContactSink sink);

    void SetMapping(const CColumnMapping& mapping) { m_givenMapping = mapping; }
    void SetMappingLookup(MappingLookup lookup) { m_lookup = std::move(lookup); }

    // One row, its line (or row number) and whether the user hid it;
    // false once the table is refused and no more rows are wanted.
    bool TakeRow(const QStringList& cells, int line, bool hidden = false);
    // Says what was not found or left out once the rows are done.
    void Finish();

    bool HasHeader() const { return m_headerLine > 0; }
    const QStringList& Header() const { return m_header; }
    // The mapping that read the rows, given or remembered; none for a
    // header the program knows.
    const std::optional<CColumnMapping>& Mapping() const { return m_usedMapping; }
    // The rows that were looked at for a header that none of them was,
    // once the table is refused: what a user is shown to say what its
    // columns hold. Empty while the header may yet come and once it has.
    QList<SheetRow> UnreadTopRows() const { return m_refused ? m_topRows : QList<SheetRow>(); }

private:
    struct ColumnGroup {
        QString name;
        QList<int> columns;
    };

    bool TryHeader(const QStringList& cells);
    bool TryMapping(const QStringList& cells, const CColumnMapping& mapping);
    void Refuse();
    Contact KnownColumnsContact(const QStringList& cells, int line) const;
    PostalAddress GroupAddress(const ColumnGroup& group, const QStringList& cells) const;
    Contact MappedContact(const QStringList& cells, int line) const;

    CContactsReport& m_report;
    ContactSink m_sink;
    std::optional<CColumnMapping> m_givenMapping;
    MappingLookup m_lookup;

    QStringList m_header;
    int m_headerLine = 0;
    bool m_refused = false;
    int m_firstLine = 0;
    QStringList m_firstCells; // the first row with more than one cell, for the refusal
    int m_rowsSearched = 0;
    QList<SheetRow> m_topRows;

    // Known columns: each column's field, the address groups and the
    // first column of each plain field.
    QList<CsvColumn> m_columns;
    QList<ColumnGroup> m_groups;
    QHash<CsvField, int> m_plain;
    bool m_exact = false;
    // A mapping's columns, in its entries' order.
    std::optional<CColumnMapping> m_usedMapping;
    QList<int> m_mappedColumns;

    QList<int> m_hiddenRows;
    int m_hiddenCount = 0;
};
