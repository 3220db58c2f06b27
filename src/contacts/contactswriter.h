#pragma once

#include "addressbook/address.h"

#include <QByteArray>
#include <QList>
#include <QString>

class CAddressBook;

enum class ContactsFormat { VCard, Csv };

// Writes address book entries as contacts files that other programs read
// and that this program reads back to the same entries: the label as the
// formatted name, the address text whole as the address's label.
class CContactsWriter {
public:
    // vCard 4.0, UTF-8, CR LF, lines folded at 75 bytes.
    static QByteArray ToVCard(const QList<CAddress>& entries);
    // RFC 4180 with a "Label,Address" header, UTF-8 with a byte order mark
    // (spreadsheets need it to tell UTF-8), CR LF.
    static QByteArray ToCsv(const QList<CAddress>& entries);

    // CSV for a name ending in .csv, else vCard.
    static ContactsFormat FormatForPath(const QString& path);
    // Writes the whole book to a file, atomically: on failure the old file
    // stays whole and CFileException is raised.
    static void WriteFile(const QString& path, const CAddressBook& book, ContactsFormat format);
};
