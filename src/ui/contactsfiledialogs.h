#pragma once

#include "contacts/contactsimport.h"
#include "contacts/contactswriter.h"

#include <QString>

#include <optional>

class CContactsReport;
class QWidget;
struct ImportResult;

struct ImportSource {
    QString path;
    // Which address of a contact that has several the user asked for.
    AddressChoice address = AddressChoice::Preferred;
};
// Asks for a contacts file to import, and which of a contact's addresses
// to take; nothing when cancelled.
std::optional<ImportSource> AskImportFile(QWidget* owner);

struct ExportTarget {
    QString path;
    ContactsFormat format = ContactsFormat::VCard;
};
// Asks where to export the book. The file's extension decides the format,
// else the chosen filter; nothing when cancelled.
std::optional<ExportTarget> AskExportFile(QWidget* owner);

// What an import did, then the first problems found in the file.
QString ImportMessage(const ImportResult& result, const CContactsReport& report);
