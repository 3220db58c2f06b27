#include "cli/contactsfileoptions.h"

#include "cli/optionnames.h"
#include "cli/toolfailure.h"
#include "contacts/columnmappingstore.h"
#include "contacts/contactsimport.h"

#include "platform/exception.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace OptionNames;

namespace {

bool IsPipe(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

QString Single(const QCommandLineParser& parser, const QString& option) {
    const QStringList values = parser.values(option);
    if (values.size() > 1)
        Fail(ExitStatus::Usage, QStringLiteral("--%1 is given more than once").arg(option));
    return values.value(0);
}

} // namespace

void ReadContactsFile(CContactsImport& import, const QString& path,
                      const std::function<void(CAddress&&)>& sink) {
    if (path.isEmpty())
        Fail(ExitStatus::Usage, QStringLiteral("the name of the contacts file is empty"));
    try {
        if (path == QLatin1String("-") || IsPipe(path)) {
            QFile input(path);
            const bool open = path == QLatin1String("-") ? input.open(stdin, QIODevice::ReadOnly)
                                                         : input.open(QIODevice::ReadOnly);
            if (!open)
                Fail(ExitStatus::BadInput, QStringLiteral("%1 could not be read").arg(path));
            import.ReadStream(
                input, path == QLatin1String("-") ? QStringLiteral("standard input") : path, sink);
        } else if (sink) {
            import.ReadFile(path, sink);
        } else {
            import.ReadFile(path);
        }
    } catch (const CException& e) {
        Fail(ExitStatus::BadInput, e.GetErrorMessage());
    }
}

void ContactsFileOptions::AddOptions(QCommandLineParser& parser) {
    parser.addOptions({
        {kSheet, QString(), QStringLiteral("NAME")},
        {kColumns, QString(), QStringLiteral("MAPPING")},
    });
}

ContactsFileOptions ContactsFileOptions::Of(const QCommandLineParser& parser) {
    ContactsFileOptions options;
    options.sheet = Single(parser, kSheet);
    if (parser.isSet(kSheet) && options.sheet.trimmed().isEmpty())
        Fail(ExitStatus::Usage, QStringLiteral("--sheet takes the name of a sheet"));
    if (parser.isSet(kColumns)) {
        QString why;
        options.columns = CColumnMapping::Parse(Single(parser, kColumns), &why);
        if (!options.columns)
            Fail(ExitStatus::Usage, QStringLiteral("--columns: %1").arg(why));
    }
    return options;
}

void ContactsFileOptions::ApplyTo(CContactsImport& import, const CSettingsStore& settings) const {
    import.SetSheet(sheet);
    import.SetColumnMapping(columns);
    import.SetMappingLookup(ColumnMappingLookupIn(settings));
}

void ContactsFileOptions::Remember(CSettingsStore& settings, const CContactsImport& import) const {
    // A failed write of a setting of our own costs the user nothing now:
    // the next file of that header asks for the mapping again.
    if (columns && import.TableMapping() && !import.TableHeader().isEmpty())
        RememberColumnMapping(settings, import.TableHeader(), *columns);
}
