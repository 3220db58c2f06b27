#include "contacts/columnmapping.h"

#include "contacts/sheetrow.h"

#include <algorithm>
#include <array>

namespace {

struct FieldName {
    MappedField field;
    const char* name;
};

constexpr std::array<FieldName, 7> kFieldNames = {{
    {MappedField::Name, "name"},
    {MappedField::Organization, "organization"},
    {MappedField::Street, "street"},
    {MappedField::Locality, "locality"},
    {MappedField::Region, "region"},
    {MappedField::Postcode, "postcode"},
    {MappedField::Country, "country"},
}};

QString Key(const QString& header) {
    return header.simplified().toLower();
}

// Splits at commas outside double quotes; the quotes go.
QStringList SplitItems(const QString& text) {
    QStringList items{QString()};
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (c == u',' && !quoted)
            items.append(QString());
        else
            items.back() += c;
    }
    return items;
}

// Column letters as a spreadsheet shows them: "B", "AC". Lower case only
// for a single letter, so that a header such as "Zip" is never taken for a
// column far to the right.
int LettersColumn(const QString& column) {
    if (column.size() > 1 && column != column.toUpper())
        return -1;
    return ColumnOfLetters(column);
}

} // namespace

QString CColumnMapping::FieldName(MappedField field) {
    for (const ::FieldName& entry : kFieldNames)
        if (entry.field == field)
            return QLatin1String(entry.name);
    return QString();
}

std::optional<CColumnMapping> CColumnMapping::Parse(const QString& text, QString* why) {
    CColumnMapping mapping;
    for (const QString& item : SplitItems(text)) {
        if (item.trimmed().isEmpty())
            continue;
        const qsizetype equals = item.indexOf(u'=');
        const QString name = item.left(equals).trimmed().toLower();
        const QString column = equals < 0 ? QString() : item.mid(equals + 1).trimmed();
        const auto found =
            std::find_if(kFieldNames.begin(), kFieldNames.end(), [&](const ::FieldName& entry) {
                return name == QLatin1String(entry.name) ||
                       (name == QLatin1String("organisation") &&
                        entry.field == MappedField::Organization);
            });
        if (found == kFieldNames.end()) {
            QStringList names;
            for (const ::FieldName& entry : kFieldNames)
                names.append(QLatin1String(entry.name));
            *why = QStringLiteral("\"%1\" is not a field; the fields are %2")
                       .arg(name, names.join(QStringLiteral(", ")));
            return std::nullopt;
        }
        if (column.isEmpty()) {
            *why = QStringLiteral("%1 is given no column (%1=COLUMN)").arg(name);
            return std::nullopt;
        }
        mapping.Add(found->field, column);
    }
    if (mapping.IsEmpty()) {
        *why = QStringLiteral("no column is named (name=COLUMN,street=COLUMN,...)");
        return std::nullopt;
    }
    return mapping;
}

QString CColumnMapping::ToText() const {
    QStringList items;
    for (const Entry& entry : m_entries) {
        QString column = entry.column;
        if (column.contains(u',') || column.contains(u'=') || column.contains(u'"') ||
            column != column.trimmed())
            column = u'"' + column.remove(u'"') + u'"';
        items.append(FieldName(entry.field) + u'=' + column);
    }
    return items.join(u',');
}

QList<int> CColumnMapping::Resolve(const QStringList& header, QStringList* missing) const {
    QList<int> columns;
    for (const Entry& entry : m_entries) {
        const QString key = Key(entry.column);
        int column = -1;
        for (qsizetype i = 0; i < header.size() && column < 0; ++i)
            if (Key(header[i]) == key)
                column = static_cast<int>(i);
        if (column < 0)
            column = LettersColumn(entry.column.trimmed());
        if (column < 0 && missing)
            missing->append(entry.column);
        columns.append(column);
    }
    return columns;
}

bool CColumnMapping::NamesHeaderText() const {
    return std::any_of(m_entries.cbegin(), m_entries.cend(), [](const Entry& entry) {
        return LettersColumn(entry.column.trimmed()) < 0;
    });
}
