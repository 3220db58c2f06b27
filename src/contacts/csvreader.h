#pragma once

#include "contacts/contact.h"
#include "contacts/contactsreport.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

// Reads contacts from CSV exports: UTF-8 with or without a byte order mark,
// UTF-16 with one, or the user's ANSI code page; comma, semicolon or tab
// separated. The header row says what each column holds; these header sets
// are known:
// - a plain one: Label, Name, Organization, Street, City, Region, Postcode,
//   Country, or one Address column holding the whole address;
// - the Google Contacts export, old ("Given Name", "Address 1 - Type") and
//   new ("First Name", "Address 1 - Label");
// - the Outlook export ("Home Street", "Business Postal Code");
// - the Thunderbird address book export ("Home Address", "Work ZipCode").
class CCsvReader {
public:
    using ContactSink = std::function<void(Contact&&)>;

    CCsvReader(CContactsReport& report, ContactSink sink);
    void Read(QByteArrayView bytes);

    // What a column holds.
    enum class Field {
        None,
        Label,
        FullName,
        GivenName,
        MiddleName,
        FamilyName,
        Organization,
        WholeAddress,
        Street,
        PoBox,
        Extended,
        City,
        Region,
        Postcode,
        Country,
        Formatted,
        Type,
    };
    struct Column {
        Field field = Field::None;
        // Columns of one address share a group: "" for the plain set,
        // "google 2", "home", "work", "other".
        QString group;
    };
    // What a header name means; Field::None for a column we do not use.
    static Column ColumnFor(const QString& header);

private:
    CContactsReport& m_report;
    ContactSink m_sink;
};
