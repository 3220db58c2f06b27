#include "contacts/tablecontacts.h"

#include "contacts/contactstext.h"

#include <algorithm>

namespace {

using Field = CsvField;

bool IsNameField(Field field) {
    return field == Field::Label || field == Field::FullName || field == Field::GivenName ||
           field == Field::FamilyName || field == Field::Organization;
}

bool IsAddressField(Field field) {
    return field != Field::None && field != Field::Type && !IsNameField(field) &&
           field != Field::MiddleName && field != Field::Prefix && field != Field::Suffix;
}

bool IsBlankRow(const QStringList& cells) {
    return std::all_of(cells.cbegin(), cells.cend(),
                       [](const QString& cell) { return cell.trimmed().isEmpty(); });
}

qsizetype FilledCells(const QStringList& cells) {
    return std::count_if(cells.cbegin(), cells.cend(),
                         [](const QString& cell) { return !cell.trimmed().isEmpty(); });
}

QString Quoted(const QStringList& names) {
    QStringList quoted;
    for (const QString& name : names)
        if (!name.trimmed().isEmpty())
            quoted.append(u'"' + name.simplified() + u'"');
    return quoted.join(QStringLiteral(", "));
}

} // namespace

CTableContacts::CTableContacts(CContactsReport& report, ContactSink sink)
    : m_report(report), m_sink(std::move(sink)) {}

bool CTableContacts::TakeRow(const QStringList& cells, int line, bool hidden) {
    if (m_refused)
        return false;
    if (IsBlankRow(cells))
        return true;
    if (!HasHeader()) {
        if (m_firstLine == 0)
            m_firstLine = line;
        if (m_firstCells.isEmpty() && FilledCells(cells) > 1)
            m_firstCells = cells;
        if (TryHeader(cells)) {
            m_header = cells;
            m_headerLine = line;
            m_topRows.clear();
            return true;
        }
        m_topRows.append(SheetRow{line, cells, hidden});
        if (++m_rowsSearched >= kHeaderSearchRows) {
            Refuse();
            return false;
        }
        return true;
    }
    if (hidden) {
        // The user hid the row for a reason: a member who left, a test.
        if (m_hiddenRows.size() < 10)
            m_hiddenRows.append(line);
        ++m_hiddenCount;
        return true;
    }
    m_sink(m_usedMapping ? MappedContact(cells, line) : KnownColumnsContact(cells, line));
    return true;
}

bool CTableContacts::TryHeader(const QStringList& cells) {
    if (m_givenMapping)
        return TryMapping(cells, *m_givenMapping);
    if (m_lookup) {
        if (const std::optional<CColumnMapping> remembered = m_lookup(cells))
            if (TryMapping(cells, *remembered))
                return true;
    }
    const QList<CsvColumn> columns = CsvColumns(cells);
    const bool names = std::any_of(columns.cbegin(), columns.cend(),
                                   [](const CsvColumn& c) { return IsNameField(c.field); });
    const bool addresses = std::any_of(columns.cbegin(), columns.cend(),
                                       [](const CsvColumn& c) { return IsAddressField(c.field); });
    if (!names || !addresses)
        return false;
    m_columns = columns;
    for (int i = 0; i < columns.size(); ++i) {
        const CsvColumn& column = columns[i];
        if (column.field == Field::None)
            continue;
        if (IsAddressField(column.field) || column.field == Field::Type) {
            auto group = std::find_if(m_groups.begin(), m_groups.end(),
                                      [&](const ColumnGroup& g) { return g.name == column.group; });
            if (group == m_groups.end())
                group = m_groups.insert(m_groups.end(), ColumnGroup{column.group, {}});
            group->columns.append(i);
        } else if (!m_plain.contains(column.field)) {
            m_plain.insert(column.field, i);
        }
    }
    // The book's own export: a label and the whole address text, taken as
    // they stand so that they come back unchanged.
    m_exact = cells.size() == 2 && m_plain.contains(Field::Label) && m_groups.size() == 1 &&
              m_groups.front().columns.size() == 1 &&
              columns[m_groups.front().columns.front()].field == Field::WholeAddress;
    return true;
}

bool CTableContacts::TryMapping(const QStringList& cells, const CColumnMapping& mapping) {
    // A mapping by letters alone takes the first row of several cells as
    // the header; one by header text, the row that has those names.
    QStringList missing;
    const QList<int> columns = mapping.Resolve(cells, &missing);
    if (!missing.isEmpty() || (!mapping.NamesHeaderText() && FilledCells(cells) < 2))
        return false;
    m_usedMapping = mapping;
    m_mappedColumns = columns;
    return true;
}

void CTableContacts::Refuse() {
    m_refused = true;
    const QStringList& shown = m_firstCells;
    QString why;
    if (m_givenMapping) {
        QStringList missing;
        m_givenMapping->Resolve(shown, &missing);
        why = QStringLiteral("no row near its top has the columns %1 that the column mapping "
                             "names")
                  .arg(Quoted(missing.isEmpty() ? QStringList{m_givenMapping->ToText()} : missing));
    } else {
        const QList<CsvColumn> columns = CsvColumns(shown);
        const bool names = std::any_of(columns.cbegin(), columns.cend(),
                                       [](const CsvColumn& c) { return IsNameField(c.field); });
        const bool addresses =
            std::any_of(columns.cbegin(), columns.cend(),
                        [](const CsvColumn& c) { return IsAddressField(c.field); });
        why = names       ? QStringLiteral("it has a column for a name but none for an address")
              : addresses ? QStringLiteral("it has columns for an address but none for a name")
                          : QStringLiteral("it has no column for a name or an address");
    }
    QString message =
        QStringLiteral("this is not a list of contacts this program can read: %1").arg(why);
    if (!shown.isEmpty())
        message += QStringLiteral(". Its columns are %1; a column mapping can say which holds "
                                  "the name, the street, the place and the postcode")
                       .arg(Quoted(shown));
    m_report.AddProblem(m_firstLine, message);
}

void CTableContacts::Finish() {
    if (!HasHeader() && !m_refused && m_firstLine > 0)
        Refuse();
    if (m_hiddenCount == 0)
        return;
    QStringList rows;
    for (const int row : std::as_const(m_hiddenRows))
        rows.append(QString::number(row));
    if (m_hiddenCount > m_hiddenRows.size())
        rows.append(QStringLiteral("..."));
    m_report.AddNote(m_hiddenCount == 1
                         ? QStringLiteral("1 hidden row was left out (row %1)").arg(rows.join(u','))
                         : QStringLiteral("%1 hidden rows were left out (rows %2)")
                               .arg(m_hiddenCount)
                               .arg(rows.join(QStringLiteral(", "))));
}

Contact CTableContacts::MappedContact(const QStringList& cells, int line) const {
    Contact contact;
    contact.line = line;
    PostalAddress address;
    const QList<CColumnMapping::Entry>& entries = m_usedMapping->Entries();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString value = cells.value(m_mappedColumns[i]);
        const auto join = [&](QString& part) {
            const QString text = value.simplified();
            if (!text.isEmpty())
                part += (part.isEmpty() ? QString() : QStringLiteral(" ")) + text;
        };
        switch (entries[i].field) {
        case MappedField::Name:
            join(contact.formattedName);
            break;
        case MappedField::Organization:
            join(contact.organization);
            break;
        case MappedField::Street:
            address.street += TrimmedLines(value);
            break;
        case MappedField::Locality:
            join(address.locality);
            break;
        case MappedField::Region:
            join(address.region);
            break;
        case MappedField::Postcode:
            join(address.postcode);
            break;
        case MappedField::Country:
            join(address.country);
            break;
        }
    }
    contact.addresses.Offer(address);
    return contact;
}

Contact CTableContacts::KnownColumnsContact(const QStringList& cells, int line) const {
    const auto cell = [&](int column) { return cells.value(column); };
    const auto plainCell = [&](Field field) {
        const int column = m_plain.value(field, -1);
        return column < 0 ? QString() : cell(column).trimmed();
    };
    Contact contact;
    contact.line = line;
    contact.exactText = m_exact;
    contact.label = m_exact
                        ? NormalizeLineBreaks(UnguardCsvFormula(cell(m_plain.value(Field::Label))))
                        : plainCell(Field::Label);
    contact.formattedName = plainCell(Field::FullName);
    contact.prefixes = plainCell(Field::Prefix);
    contact.givenName = plainCell(Field::GivenName);
    contact.additionalNames = plainCell(Field::MiddleName);
    contact.familyName = plainCell(Field::FamilyName);
    contact.suffixes = plainCell(Field::Suffix);
    contact.organization = plainCell(Field::Organization);

    for (const ColumnGroup& group : m_groups)
        contact.addresses.Offer(GroupAddress(group, cells));
    return contact;
}

PostalAddress CTableContacts::GroupAddress(const ColumnGroup& group,
                                           const QStringList& cells) const {
    PostalAddress address;
    address.home = group.name == QLatin1String("home");
    address.work = group.name == QLatin1String("work");
    for (int column : group.columns) {
        const QString value = cells.value(column);
        switch (m_columns[column].field) {
        case Field::WholeAddress:
        case Field::Formatted:
            if (m_exact || !value.trimmed().isEmpty()) {
                address.label = NormalizeLineBreaks(m_exact ? UnguardCsvFormula(value) : value);
                address.hasLabel = true;
            }
            break;
        case Field::Street:
            address.street += TrimmedLines(value);
            break;
        case Field::PoBox:
            address.poBox = value.trimmed();
            break;
        case Field::Extended:
            address.extended = value.trimmed();
            break;
        case Field::City:
            address.locality = value.trimmed();
            break;
        case Field::Region:
            address.region = value.trimmed();
            break;
        case Field::Postcode:
            address.postcode = value.trimmed();
            break;
        case Field::Country:
            address.country = value.trimmed();
            break;
        case Field::Type: {
            // Google marks the primary one with a star: "* Home".
            const QString type = value.trimmed();
            if (type.startsWith(QLatin1Char('*')))
                address.preference = 1;
            if (type.contains(QLatin1String("home"), Qt::CaseInsensitive))
                address.home = true;
            if (type.contains(QLatin1String("work"), Qt::CaseInsensitive))
                address.work = true;
            break;
        }
        default:
            break;
        }
    }
    return address;
}
