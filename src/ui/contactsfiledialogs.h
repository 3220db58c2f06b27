#pragma once

#include "contacts/contactsimport.h"
#include "contacts/contactswriter.h"

#include <QString>

#include <optional>

class CContactsImport;
class CContactsReport;
class CSettingsStore;
class QWidget;
struct ImportResult;

struct ImportSource {
    QString path;
    // Which address of a contact that has several the user asked for.
    AddressChoice address = AddressChoice::Preferred;
};
// Asks for a contacts file to read, under a title that says what it is read
// for, and which of a contact's addresses to take; nothing when cancelled.
// The dialogs open in the folder the last file was chosen in, kept in the
// settings.
std::optional<ImportSource> AskImportFile(QWidget* owner, CSettingsStore& settings,
                                          const QString& title);

// Reads the contacts file at path into the import, asking on the way
// which sheet of a workbook to read when several hold a list or none does,
// and what the columns of a list hold when the program does not know its
// header (a choice remembered for that header and offered again next time).
// False when the user cancelled one of those questions: nothing was read
// then. A file that cannot be read raises CFileException, as
// CContactsImport::ReadFile does.
bool ReadContactsFile(QWidget* owner, CSettingsStore& settings, const QString& path,
                      CContactsImport& import);

struct ExportTarget {
    QString path;
    ContactsFormat format = ContactsFormat::VCard;
};
// Asks where to export the book. The file's extension decides the format,
// else the chosen filter; nothing when cancelled.
std::optional<ExportTarget> AskExportFile(QWidget* owner, CSettingsStore& settings);

// A message box's text, and the whole lists behind it for Show Details.
struct MessageText {
    QString text;
    QString details;
};

// An entry's address as the lists show it: its lines on one line, without a
// first line that only says the label again, as a contact's name line does.
QString AddressLine(const QString& label, const QString& address);

// The problems of a contacts file, one a line, "Line 12: ..." (the file is
// named once, where they are shown).
QStringList ProblemLines(const CContactsReport& report);

// What reading a contacts file gave: `done` (what became of its entries),
// then how many contacts had no address and how many problems the file
// has, all named in the details, the file named once.
MessageText ContactsFileMessage(const QStringList& done, const CContactsImport& import);

// What an import did to the address book, in the window's words.
QStringList ImportedLines(const ImportResult& result, const QString& fileName);
