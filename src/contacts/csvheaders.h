#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the columns of a contacts CSV hold, by the names its header row gives
// them. These header sets are known:
// - a plain one: Label, Name, Organization, Street, City, Region, Postcode,
//   Country, or one Address column holding the whole address;
// - the Google Contacts export, old ("Given Name", "Address 1 - Type") and
//   new ("First Name", "Address 1 - Label"), and the older one with
//   "Section 1 - Address";
// - the Outlook export ("Home Street", "Business Postal Code") in English,
//   German, French, Spanish, Italian, Dutch, Portuguese and Japanese, as
//   each language's Outlook names its columns;
// - the Thunderbird address book export ("Home Address", "Work ZipCode") in
//   the same languages but Japanese;
// - the exports of Yahoo, the Windows address book (in English and German)
//   and KAddressBook.

// What a column holds.
enum class CsvField {
    None,
    Label,
    FullName,
    Prefix,
    GivenName,
    MiddleName,
    FamilyName,
    Suffix,
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

struct CsvColumn {
    CsvField field = CsvField::None;
    // Columns of one address share a group: "" for the plain set,
    // "google 2", "home", "work", "other".
    QString group;
};

// What each column of a header row holds, read with the header set that
// knows most of its names.
QList<CsvColumn> CsvColumns(const QStringList& header);

// How many columns of a header row a header set knows: which of several
// decodings of a header reads as one.
int KnownCsvColumns(const QStringList& header);

// The 8-bit code pages in which the programs of the header sets write their
// files.
QList<int> CsvCodePages();
