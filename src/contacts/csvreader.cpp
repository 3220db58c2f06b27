#include "contacts/csvreader.h"

#include "contacts/contactstext.h"
#include "contacts/csvparser.h"

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

struct ColumnGroup {
    QString name;
    QList<int> columns;
};

} // namespace

CCsvReader::CCsvReader(CContactsReport& report, ContactSink sink)
    : m_report(report), m_sink(std::move(sink)) {}

CCsvReader::Column CCsvReader::ColumnFor(const QString& header) {
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
    CCsvParser::Record header;
    if (!parser.Next(header)) {
        m_report.AddProblem(0, QStringLiteral("the file holds no lines"));
        return;
    }

    QList<Column> columns;
    QList<ColumnGroup> groups;
    QHash<Field, int> plain; // the first column of each plain field
    bool names = false;
    bool addresses = false;
    for (int i = 0; i < header.fields.size(); ++i) {
        const Column column = ColumnFor(header.fields[i]);
        columns.append(column);
        names = names || IsNameField(column.field);
        addresses = addresses || IsAddressField(column.field);
        if (column.field == Field::None)
            continue;
        if (IsAddressField(column.field) || column.field == Field::Type) {
            auto group = std::find_if(groups.begin(), groups.end(),
                                      [&](const ColumnGroup& g) { return g.name == column.group; });
            if (group == groups.end())
                group = groups.insert(groups.end(), ColumnGroup{column.group, {}});
            group->columns.append(i);
        } else if (!plain.contains(column.field)) {
            plain.insert(column.field, i);
        }
    }
    if (!names || !addresses) {
        m_report.AddProblem(header.line,
                            QStringLiteral("the first line names no %1 columns, so it is not a "
                                           "contacts header this program knows")
                                .arg(names ? QStringLiteral("address") : QStringLiteral("name")));
        return;
    }
    // The book's own export: a label and the whole address text, taken as
    // they stand so that they come back unchanged.
    const bool exact = header.fields.size() == 2 && plain.contains(Field::Label) &&
                       groups.size() == 1 && groups.front().columns.size() == 1 &&
                       columns[groups.front().columns.front()].field == Field::WholeAddress;

    parser.SetMaxFields(static_cast<int>(header.fields.size()));
    CCsvParser::Record record;
    while (parser.Next(record)) {
        if (record.fieldsLeftOut > 0) {
            m_report.AddProblem(record.line,
                                QStringLiteral("the row has %1 fields but the header has %2; "
                                               "the row is left out")
                                    .arg(record.fields.size() + record.fieldsLeftOut)
                                    .arg(header.fields.size()));
            continue;
        }
        const auto cell = [&](int column) {
            return column < record.fields.size() ? record.fields[column] : QString();
        };
        const auto plainCell = [&](Field field) {
            const int column = plain.value(field, -1);
            return column < 0 ? QString() : cell(column).trimmed();
        };

        Contact contact;
        contact.line = record.line;
        contact.exactText = exact;
        contact.label =
            exact ? NormalizeLineBreaks(cell(plain.value(Field::Label))) : plainCell(Field::Label);
        contact.formattedName = plainCell(Field::FullName);
        contact.givenName = plainCell(Field::GivenName);
        contact.additionalNames = plainCell(Field::MiddleName);
        contact.familyName = plainCell(Field::FamilyName);
        contact.organization = plainCell(Field::Organization);

        for (const ColumnGroup& group : groups) {
            PostalAddress address;
            address.home = group.name == QLatin1String("home");
            for (int column : group.columns) {
                const QString value = cell(column);
                switch (columns[column].field) {
                case Field::WholeAddress:
                case Field::Formatted:
                    if (exact || !value.trimmed().isEmpty()) {
                        address.label = NormalizeLineBreaks(value);
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
