#pragma once

#include "contactswriter.h"

#include <QString>

#include <optional>

class CContactsReport;
class QWidget;
struct SImportResult;

// Asks for a contacts file to import; empty when cancelled.
QString AskImportFile(QWidget* owner);

struct SExportTarget {
    QString path;
    ContactsFormat format = ContactsFormat::VCard;
};
// Asks where to export the book. The file's extension decides the format,
// else the chosen filter; nothing when cancelled.
std::optional<SExportTarget> AskExportFile(QWidget* owner);

// What an import did, then the first problems found in the file.
QString ImportMessage(const SImportResult& result, const CContactsReport& report);
