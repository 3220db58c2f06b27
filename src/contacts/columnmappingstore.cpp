#include "contacts/columnmappingstore.h"

#include "settings/settingsstore.h"

#include <QCryptographicHash>

namespace {

const QString kColumnsKey = QStringLiteral("Column Mappings");

// One value a header: its name is a digest of the header's names as they
// compare (case and extra spaces aside), so that any header fits a value
// name.
QString ValueName(const QStringList& header) {
    QStringList names;
    for (const QString& name : header)
        names.append(name.simplified().toLower());
    while (!names.isEmpty() && names.back().isEmpty())
        names.removeLast();
    return QString::fromLatin1(
        QCryptographicHash::hash(names.join(u'\t').toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

std::optional<CColumnMapping> RememberedColumnMapping(const CSettingsStore& settings,
                                                      const QStringList& header) {
    const std::optional<QString> text = settings.ReadOwnString(kColumnsKey, ValueName(header));
    if (!text)
        return std::nullopt;
    // A value damaged by hand reads as none.
    QString why;
    return CColumnMapping::Parse(*text, &why);
}

bool RememberColumnMapping(CSettingsStore& settings, const QStringList& header,
                           const CColumnMapping& mapping) {
    return settings.WriteOwnString(kColumnsKey, ValueName(header), mapping.ToText());
}

ColumnMappingLookup ColumnMappingLookupIn(const CSettingsStore& settings) {
    return [&settings](const QStringList& header) {
        return RememberedColumnMapping(settings, header);
    };
}
