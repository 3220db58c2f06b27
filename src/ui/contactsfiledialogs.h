#pragma once

#include "contacts/contactswriter.h"

#include <QString>

#include <optional>

class CContactsReport;
class QWidget;
struct ImportResult;

// Asks for a contacts file to import; empty when cancelled.
QString AskImportFile(QWidget* owner);

struct ExportTarget {
    QString path;
    ContactsFormat format = ContactsFormat::VCard;
};
// Asks where to export the book. The file's extension decides the format,
// else the chosen filter; nothing when cancelled.
std::optional<ExportTarget> AskExportFile(QWidget* owner);

// What an import did, then the first problems found in the file.
QString ImportMessage(const ImportResult& result, const CContactsReport& report);
