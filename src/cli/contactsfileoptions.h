#pragma once

#include "contacts/columnmapping.h"

#include <QString>

#include <functional>
#include <optional>

class CAddress;
class CContactsImport;
class CSettingsStore;
class QCommandLineParser;

// --sheet and --columns, which say how import and merge read a table: the
// sheet of a workbook, and which column holds what where the header is
// one the program does not know. A mapping that read a file is remembered
// for files with the same header.
// Reads a contacts file for the tool: "-" is standard input, and a pipe
// (a shell's <(...)) is read to its end; a file that cannot be read ends
// the command.
void ReadContactsFile(CContactsImport& import, const QString& path,
                      const std::function<void(CAddress&&)>& sink = {});

struct ContactsFileOptions {
    QString sheet;
    std::optional<CColumnMapping> columns;

    static void AddOptions(QCommandLineParser& parser);
    // The options given; a mapping that cannot be read ends the command.
    static ContactsFileOptions Of(const QCommandLineParser& parser);
    // Sets them on an import, which also looks up the mappings remembered
    // in the settings; they must live as long as the import reads.
    void ApplyTo(CContactsImport& import, const CSettingsStore& settings) const;
    // Remembers the mapping given if it read the file's rows.
    void Remember(CSettingsStore& settings, const CContactsImport& import) const;
};
