#include "cli/contactsfileoptions.h"

#include "cli/optionnames.h"
#include "cli/toolfailure.h"
#include "contacts/columnmappingstore.h"
#include "contacts/contactsimport.h"

#include <QCommandLineParser>

using namespace OptionNames;

namespace {

QString Single(const QCommandLineParser& parser, const QString& option) {
    const QStringList values = parser.values(option);
    if (values.size() > 1)
        Fail(ExitStatus::Usage, QStringLiteral("--%1 is given more than once").arg(option));
    return values.value(0);
}

} // namespace

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
