#include "samplebook.h"

#include "addressbook/addressbook.h"
#include "addressbook/archive.h"

#include <QBuffer>

#include <algorithm>
#include <random>

namespace {

const char16_t* const kFirstNames[] = {
    u"Johanna", u"Jens",     u"Amélie",  u"Søren",     u"Marta",  u"Lukas",   u"Zoë",
    u"Henrik",  u"Isabella", u"Tomás",   u"Agnieszka", u"Oliver", u"Chiara",  u"Björn",
    u"Fatima",  u"Mateo",    u"Eleanor", u"Kazimierz", u"Noor",   u"François"};
const char16_t* const kLastNames[] = {
    u"Hoffmann", u"Ølund",    u"Dubois",     u"Kowalczyk", u"García", u"Lindqvist",
    u"Rossi",    u"Nakamura", u"O'Brien",    u"Schäfer",   u"Novák",  u"Van der Berg",
    u"Andersen", u"Petrović", u"Fitzgerald", u"Müller",    u"Haddad", u"Papadopoulos"};
const char16_t* const kCompanies[] = {
    u"Nordlicht Verlag",  u"Atelier Marchand",         u"Baltic Freight Ltd",
    u"Studio Lumen",      u"Kanzlei Brandt & Partner", u"Harbourside Dental Practice",
    u"Grünwald Bäckerei", u"Optique du Lac",           u"Meridian Consulting Group"};
const char16_t* const kStreets[] = {u"Lindenstraße",    u"Rue des Écoles", u"Harbour View Road",
                                    u"Via Garibaldi",   u"Kongens Gade",   u"Calle Mayor",
                                    u"Ul. Długa",       u"Elm Street",     u"Am Stadtpark",
                                    u"Chemin du Moulin"};
const char16_t* const kCities[] = {
    u"20095 Hamburg", u"75005 Paris",          u"DK-1264 København K", u"00184 Roma",
    u"80-831 Gdańsk", u"28013 Madrid",         u"Cork T12 X2Y3",       u"1010 Wien",
    u"3011 Bern",     u"Springfield, IL 62704"};

template <typename T, size_t N> QString Pick(const T (&list)[N], std::mt19937& generator) {
    return QString::fromUtf16(list[generator() % N]);
}

} // namespace

QList<CAddress> MakeSampleRecords(int count) {
    // A fixed start, so every run measures the same book.
    std::mt19937 generator(20261206u);
    QList<CAddress> records;
    records.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString first = Pick(kFirstNames, generator);
        const QString last = Pick(kLastNames, generator);
        const QString company = Pick(kCompanies, generator);
        const QString street = Pick(kStreets, generator);
        const QString city = Pick(kCities, generator);
        const QString cityName = city.section(QLatin1Char(' '), -1);
        // The running number keeps labels unique, as the program requires.
        const QString label = QStringLiteral("%1, %2 (%3, %4) %5")
                                  .arg(last, first, company, cityName)
                                  .arg(i, 7, 10, QLatin1Char('0'));
        QString address = first + QLatin1Char(' ') + last + QStringLiteral("\r\n");
        if (generator() % 2)
            address += company + QStringLiteral("\r\n");
        address += street + QLatin1Char(' ') + QString::number(1 + generator() % 180) +
                   QStringLiteral("\r\n") + city;
        records.append(CAddress(label, address));
    }
    std::sort(records.begin(), records.end(), [](const CAddress& a, const CAddress& b) {
        return CompareLabels(a.m_strLabel, b.m_strLabel) < 0;
    });
    return records;
}

QByteArray SampleBookBytes(const QList<CAddress>& records) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, QString());
    ar.WriteInt32(static_cast<qint32>(records.size()));
    for (CAddress record : records)
        record.Serialize(ar);
    ar.Flush();
    return bytes;
}
