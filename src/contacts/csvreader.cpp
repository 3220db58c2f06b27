#include "csvreader.h"

#include "contactstext.h"
#include "csvparser.h"

#include <QHash>
#include <QRegularExpression>

namespace {

using Field = CCsvReader::Field;

const QHash<QString, Field>& PlainHeaders() {
    static const QHash<QString, Field> headers = {
        {QStringLiteral("label"), Field::Label},
        {QStringLiteral("name"), Field::FullName},
        {QStringLiteral("full name"), Field::FullName},
        {QStringLiteral("display name"), Field::FullName},
        {QStringLiteral("first name"), Field::GivenName},
        {QStringLiteral("given name"), Field::GivenName},
        {QStringLiteral("middle name"), Field::MiddleName},
        {QStringLiteral("additional name"), Field::MiddleName},
        {QStringLiteral("last name"), Field::FamilyName},
        {QStringLiteral("family name"), Field::FamilyName},
        {QStringLiteral("surname"), Field::FamilyName},
        {QStringLiteral("organization"), Field::Organization},
        {QStringLiteral("organisation"), Field::Organization},
        {QStringLiteral("company"), Field::Organization},
        {QStringLiteral("organization name"), Field::Organization},
        {QStringLiteral("organization 1 - name"), Field::Organization},
        {QStringLiteral("address"), Field::WholeAddress},
        {QStringLiteral("postal address"), Field::WholeAddress},
        {QStringLiteral("street"), Field::Street},
        {QStringLiteral("street address"), Field::Street},
        {QStringLiteral("address line 1"), Field::Street},
        {QStringLiteral("address line 2"), Field::Street},
        {QStringLiteral("address line 3"), Field::Street},
        {QStringLiteral("city"), Field::City},
        {QStringLiteral("town"), Field::City},
        {QStringLiteral("region"), Field::Region},
        {QStringLiteral("state"), Field::Region},
        {QStringLiteral("province"), Field::Region},
        {QStringLiteral("postcode"), Field::Postcode},
        {QStringLiteral("postal code"), Field::Postcode},
        {QStringLiteral("zip"), Field::Postcode},
        {QStringLiteral("zip code"), Field::Postcode},
        {QStringLiteral("country"), Field::Country},
    };
    return headers;
}

// The parts of one address in the Google, Outlook and Thunderbird sets.
const QHash<QString, Field>& AddressPartHeaders() {
    static const QHash<QString, Field> parts = {
        {QStringLiteral("type"), Field::Type},
        {QStringLiteral("label"), Field::Type},
        {QStringLiteral("formatted"), Field::Formatted},
        {QStringLiteral("street"), Field::Street},
        {QStringLiteral("street 2"), Field::Street},
        {QStringLiteral("street 3"), Field::Street},
        {QStringLiteral("address"), Field::Street},
        {QStringLiteral("address 2"), Field::Street},
        {QStringLiteral("po box"), Field::PoBox},
        {QStringLiteral("extended address"), Field::Extended},
        {QStringLiteral("city"), Field::City},
        {QStringLiteral("region"), Field::Region},
        {QStringLiteral("state"), Field::Region},
        {QStringLiteral("postal code"), Field::Postcode},
        {QStringLiteral("zipcode"), Field::Postcode},
        {QStringLiteral("country"), Field::Country},
        {QStringLiteral("country/region"), Field::Country},
    };
    return parts;
}

bool IsNameField(Field field) {
    return field == Field::Label || field == Field::FullName || field == Field::GivenName ||
           field == Field::FamilyName || field == Field::Organization;
}

bool IsAddressField(Field field) {
    return field != Field::None && field != Field::Type && !IsNameField(field) &&
           field != Field::MiddleName;
}

struct SGroup {
    QString m_name;
    QList<int> m_columns;
};

} // namespace

CCsvReader::CCsvReader(CContactsReport& report, ContactSink sink)
    : m_report(report), m_sink(std::move(sink)) {}

CCsvReader::SColumn CCsvReader::ColumnFor(const QString& header) {
    const QString name = header.simplified().toLower();
    // Google: "Address 2 - Postal Code".
    static const QRegularExpression google(QStringLiteral("^address (\\d+) - (.+)$"));
    // Outlook: "Business Street 2"; Thunderbird: "Work ZipCode".
    static const QRegularExpression kind(QStringLiteral("^(home|business|work|other) (.+)$"));
    if (const auto match = google.match(name); match.hasMatch()) {
        const Field field = AddressPartHeaders().value(match.captured(2), Field::None);
        return {field, QStringLiteral("google ") + match.captured(1)};
    }
    if (const auto match = kind.match(name); match.hasMatch()) {
        const Field field = AddressPartHeaders().value(match.captured(2), Field::None);
        if (field != Field::Type && field != Field::Formatted) {
            const QString group = match.captured(1) == QLatin1String("business")
                                      ? QStringLiteral("work")
                                      : match.captured(1);
            return {field, group};
        }
    }
    return {PlainHeaders().value(name, Field::None), QString()};
}

void CCsvReader::Read(QByteArrayView bytes) {
    QString text = DecodeFileText(bytes);
    for (const int line : ReplaceLoneSurrogates(text))
        m_report.AddProblem(line, LoneSurrogateProblem());
    CCsvParser parser(text, m_report);
    CCsvParser::SRecord header;
    if (!parser.Next(header)) {
        m_report.AddProblem(0, QStringLiteral("the file holds no lines"));
        return;
    }

    QList<SColumn> columns;
    QList<SGroup> groups;
    QHash<Field, int> plain; // the first column of each plain field
    bool names = false;
    bool addresses = false;
    for (int i = 0; i < header.m_fields.size(); ++i) {
        const SColumn column = ColumnFor(header.m_fields[i]);
        columns.append(column);
        names = names || IsNameField(column.m_field);
        addresses = addresses || IsAddressField(column.m_field);
        if (column.m_field == Field::None)
            continue;
        if (IsAddressField(column.m_field) || column.m_field == Field::Type) {
            auto group = std::find_if(groups.begin(), groups.end(),
                                      [&](const SGroup& g) { return g.m_name == column.m_group; });
            if (group == groups.end())
                group = groups.insert(groups.end(), SGroup{column.m_group, {}});
            group->m_columns.append(i);
        } else if (!plain.contains(column.m_field)) {
            plain.insert(column.m_field, i);
        }
    }
    if (!names || !addresses) {
        m_report.AddProblem(header.m_line,
                            QStringLiteral("the first line names no %1 columns, so it is not a "
                                           "contacts header this program knows")
                                .arg(names ? QStringLiteral("address") : QStringLiteral("name")));
        return;
    }
    // The book's own export: a label and the whole address text, taken as
    // they stand so that they come back unchanged.
    const bool exact = header.m_fields.size() == 2 && plain.contains(Field::Label) &&
                       groups.size() == 1 && groups.front().m_columns.size() == 1 &&
                       columns[groups.front().m_columns.front()].m_field == Field::WholeAddress;

    parser.SetMaxFields(static_cast<int>(header.m_fields.size()));
    CCsvParser::SRecord record;
    while (parser.Next(record)) {
        if (record.m_fieldsLeftOut > 0) {
            m_report.AddProblem(record.m_line,
                                QStringLiteral("the row has %1 fields but the header has %2; "
                                               "the row is left out")
                                    .arg(record.m_fields.size() + record.m_fieldsLeftOut)
                                    .arg(header.m_fields.size()));
            continue;
        }
        const auto cell = [&](int column) {
            return column < record.m_fields.size() ? record.m_fields[column] : QString();
        };
        const auto plainCell = [&](Field field) {
            const int column = plain.value(field, -1);
            return column < 0 ? QString() : cell(column).trimmed();
        };

        CContact contact;
        contact.m_line = record.m_line;
        contact.m_exactText = exact;
        contact.m_label =
            exact ? NormalizeLineBreaks(cell(plain.value(Field::Label))) : plainCell(Field::Label);
        contact.m_formattedName = plainCell(Field::FullName);
        contact.m_givenName = plainCell(Field::GivenName);
        contact.m_additionalNames = plainCell(Field::MiddleName);
        contact.m_familyName = plainCell(Field::FamilyName);
        contact.m_organization = plainCell(Field::Organization);

        for (const SGroup& group : groups) {
            SPostalAddress address;
            address.m_home = group.m_name == QLatin1String("home");
            for (int column : group.m_columns) {
                const QString value = cell(column);
                switch (columns[column].m_field) {
                case Field::WholeAddress:
                case Field::Formatted:
                    if (exact || !value.trimmed().isEmpty()) {
                        address.m_label = NormalizeLineBreaks(value);
                        address.m_hasLabel = true;
                    }
                    break;
                case Field::Street:
                    address.m_street += TrimmedLines(value);
                    break;
                case Field::PoBox:
                    address.m_poBox = value.trimmed();
                    break;
                case Field::Extended:
                    address.m_extended = value.trimmed();
                    break;
                case Field::City:
                    address.m_locality = value.trimmed();
                    break;
                case Field::Region:
                    address.m_region = value.trimmed();
                    break;
                case Field::Postcode:
                    address.m_postcode = value.trimmed();
                    break;
                case Field::Country:
                    address.m_country = value.trimmed();
                    break;
                case Field::Type: {
                    // Google marks the primary one with a star: "* Home".
                    const QString type = value.trimmed();
                    if (type.startsWith(QLatin1Char('*')))
                        address.m_preference = 1;
                    if (type.contains(QLatin1String("home"), Qt::CaseInsensitive))
                        address.m_home = true;
                    break;
                }
                default:
                    break;
                }
            }
            contact.OfferAddress(std::move(address));
        }
        m_sink(std::move(contact));
    }
}
