#include "samplecontacts.h"

#include "samplebook.h"

#include <QStringList>

namespace {

struct Person {
    QString label;
    QString given;
    QString family;
    QString organization;
    QString street;
    QString postcode;
    QString city;
    QString country;
};

// The sample records' address text, taken apart again: name, perhaps a
// company, street, then postcode and city.
QList<Person> People(int count) {
    static const char* const countries[] = {"Germany", "France", "Denmark", "Italy",
                                            "Poland",  "Spain",  "Ireland", "Austria"};
    QList<Person> people;
    const QList<CAddress> records = MakeSampleRecords(count);
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QStringList lines = records[i].m_strAddress.split(QStringLiteral("\r\n"));
        Person person;
        // The sample labels are unique, as the names alone are not.
        person.label = records[i].m_strLabel;
        person.given = lines.front().section(QLatin1Char(' '), 0, 0);
        person.family = lines.front().section(QLatin1Char(' '), 1);
        if (lines.size() == 4)
            person.organization = lines[1];
        person.street = lines[lines.size() - 2];
        person.postcode = lines.back().section(QLatin1Char(' '), 0, 0);
        person.city = lines.back().section(QLatin1Char(' '), 1);
        person.country = QString::fromLatin1(countries[i % 8]);
        people.append(person);
    }
    return people;
}

QString Escaped(QString text) {
    return text.replace(QLatin1Char(','), QLatin1String("\\,"));
}

} // namespace

QByteArray SampleVCards(int count) {
    QString text;
    for (const Person& p : People(count)) {
        text += QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\n");
        text += QStringLiteral("N:%1;%2;;;\r\n").arg(Escaped(p.family), Escaped(p.given));
        text += QStringLiteral("FN:%1\r\n").arg(Escaped(p.label));
        if (!p.organization.isEmpty())
            text += QStringLiteral("ORG:%1\r\n").arg(Escaped(p.organization));
        text += QStringLiteral("TEL;TYPE=CELL:+49 151 2345678\r\n");
        text += QStringLiteral("item1.ADR;TYPE=WORK:;;Industriestraße 1;%1;;%2;%3\r\n")
                    .arg(Escaped(p.city), p.postcode, p.country);
        text += QStringLiteral("item2.ADR;TYPE=HOME;TYPE=PREF:;;%1;%2;;%3;%4\r\n")
                    .arg(Escaped(p.street), Escaped(p.city), p.postcode, p.country);
        text += QStringLiteral("END:VCARD\r\n");
    }
    return text.toUtf8();
}

QByteArray SampleGoogleCsv(int count) {
    QString text = QStringLiteral(
        "Name,Given Name,Additional Name,Family Name,Group Membership,E-mail 1 - Type,"
        "E-mail 1 - Value,Address 1 - Type,Address 1 - Formatted,Address 1 - Street,"
        "Address 1 - City,Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,"
        "Address 1 - Country,Address 1 - Extended Address,Organization 1 - Type,"
        "Organization 1 - Name\r\n");
    const auto quoted = [](QString field) {
        return QLatin1Char('"') + field.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
               QLatin1Char('"');
    };
    for (const Person& p : People(count))
        text +=
            QStringLiteral("%1,%2,,%3,* myContacts,* Home,someone@example.org,* Home,,%4,%5,,,"
                           "%6,%7,,,%8\r\n")
                .arg(quoted(p.label), quoted(p.given), quoted(p.family), quoted(p.street),
                     quoted(p.city), quoted(p.postcode), quoted(p.country), quoted(p.organization));
    return text.toUtf8();
}
