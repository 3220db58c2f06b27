#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What a column holds, as the user names it for a list whose header the
// program does not know.
enum class MappedField { Name, Organization, Street, Locality, Region, Postcode, Country };

// Which column holds which part of the address, each column named by its
// header text or by its letters as spreadsheets show them ("B"). Written
// as "name=Member,street=Street and number,locality=Town"; a column name
// holding a comma or an equals sign is quoted ("street=\"No., Street\"").
// A field given twice takes both columns, as two lines of a street.
class CColumnMapping {
public:
    struct Entry {
        MappedField field = MappedField::Name;
        QString column;
    };

    // The mapping a text describes; nothing, with the reason in `why`,
    // when it names an unknown field or no column.
    static std::optional<CColumnMapping> Parse(const QString& text, QString* why);
    // The field's name as the text form writes it: "name", "postcode"...
    static QString FieldName(MappedField field);

    QString ToText() const;
    const QList<Entry>& Entries() const { return m_entries; }
    void Add(MappedField field, const QString& column) { m_entries.append({field, column}); }
    bool IsEmpty() const { return m_entries.isEmpty(); }

    // The column of each entry in this header row, in the entries' order:
    // a header cell with the name (ignoring case and extra spaces), else
    // the column the name's letters stand for. Entries that name neither
    // are listed in `missing`, and their column is -1.
    QList<int> Resolve(const QStringList& header, QStringList* missing) const;
    // Whether any entry names a column by its header text rather than by
    // letters.
    bool NamesHeaderText() const;

private:
    QList<Entry> m_entries;
};

// A mapping the user gave before for a list with this header row, if any.
using ColumnMappingLookup = std::function<std::optional<CColumnMapping>(const QStringList& header)>;
