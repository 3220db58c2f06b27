#pragma once

#include "contacts/columnmapping.h"
#include "contacts/contact.h"
#include "contacts/contactsreport.h"
#include "contacts/tablecontacts.h"

#include <functional>

class QIODevice;

// Reads contacts from CSV exports: UTF-8 with or without a byte order mark,
// or 8-bit text in the user's ANSI code page or the one the exporting
// program writes in, whichever reads the header as one the program knows;
// comma, semicolon or tab separated. The header row says what each column
// holds (see csvheaders.h), or a column mapping does (see tablecontacts.h).
class CCsvReader {
public:
    using ContactSink = std::function<void(Contact&&)>;

    CCsvReader(CContactsReport& report, ContactSink sink);
    // Reads the device from its start a piece at a time, so that a file of
    // any size takes little memory; it must be able to seek back to the
    // start. fromWideText: the bytes are UTF-8 made from a UTF-16 or UTF-32
    // file.
    void Read(QIODevice& input, bool fromWideText);

    void SetMapping(const std::optional<CColumnMapping>& mapping) { m_mapping = mapping; }
    void SetMappingLookup(CTableContacts::MappingLookup lookup) { m_lookup = std::move(lookup); }
    // The header row that was read, and the mapping that read the rows.
    const QStringList& Header() const { return m_header; }
    const std::optional<CColumnMapping>& Mapping() const { return m_usedMapping; }
    // The top rows of a file whose header did not read (CTableContacts).
    const QList<SheetRow>& UnreadTopRows() const { return m_unreadRows; }

private:
    CContactsReport& m_report;
    ContactSink m_sink;
    std::optional<CColumnMapping> m_mapping;
    CTableContacts::MappingLookup m_lookup;
    QStringList m_header;
    std::optional<CColumnMapping> m_usedMapping;
    QList<SheetRow> m_unreadRows;
};
