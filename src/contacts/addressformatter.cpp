#include "contacts/addressformatter.h"

#include "contacts/contactstext.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace {

enum class Part { Locality, Region, Postcode };

// How a country lays out its place line(s): the parts in order, each with
// the separator that comes before it when something stands before it.
struct PlaceFormat {
    const char* countries; // ISO codes, space separated
    struct Step {
        Part part;
        const char* before;
    } steps[3];
    int count;
    // Where the region comes before the postcode, forms that put both in
    // the postcode field, as a field labelled "ZIP" invites: "CA 94065".
    const char* regionInPostcode = nullptr;
};

constexpr PlaceFormat kPlaceFormats[] = {
    // "Springfield, IL 62704"
    {"US",
     {{Part::Locality, ""}, {Part::Region, ", "}, {Part::Postcode, " "}},
     3,
     "^([A-Z]{2}) +(\\d{5}(?:-\\d{4})?)$"},
    // "Chiyoda-ku, Tokyo 100-0001", as Japan Post writes an address in
    // Latin letters; Taiwan's post the same way.
    {"JP TW", {{Part::Locality, ""}, {Part::Region, ", "}, {Part::Postcode, " "}}, 3},
    // "Montreal QC  H3Z 2Y7": two spaces before the postal code.
    {"CA",
     {{Part::Locality, ""}, {Part::Region, " "}, {Part::Postcode, "  "}},
     3,
     "^([A-Z]{2}) +([A-Z]\\d[A-Z] ?\\d[A-Z]\\d)$"},
    // "Sydney NSW 2000"
    {"AU",
     {{Part::Locality, ""}, {Part::Region, " "}, {Part::Postcode, " "}},
     3,
     "^([A-Z]{2,3}) +(\\d{4})$"},
    // The post town, then the postcode on a line of its own.
    {"GB", {{Part::Locality, ""}, {Part::Postcode, "\n"}}, 2},
    // "20095 Hamburg"; the state is not written.
    {"DE AT CH FR", {{Part::Postcode, ""}, {Part::Locality, " "}}, 2},
    // "1012 AB  Amsterdam": two spaces after the postcode.
    {"NL", {{Part::Postcode, ""}, {Part::Locality, "  "}}, 2},
    // "00184 Roma RM": the province after the town.
    {"IT", {{Part::Postcode, ""}, {Part::Locality, " "}, {Part::Region, " "}}, 3},
    // "28013 Madrid", the province below.
    {"ES", {{Part::Postcode, ""}, {Part::Locality, " "}, {Part::Region, "\n"}}, 3},
    // The town, the county and the Eircode last, each on a line of its own;
    // Russia, Ukraine, South Africa, Egypt and South Korea in Latin letters
    // write the place so too.
    {"IE RU UA ZA EG KR", {{Part::Locality, ""}, {Part::Region, "\n"}, {Part::Postcode, "\n"}}, 3},
    // "Beijing", then "Beijing, 100000".
    {"CN", {{Part::Locality, ""}, {Part::Region, "\n"}, {Part::Postcode, ", "}}, 3},
    // "Mumbai 400001", the state below.
    {"IN NZ SG SA IL", {{Part::Locality, ""}, {Part::Postcode, " "}, {Part::Region, "\n"}}, 3},
    // "Jakarta", then "DKI Jakarta 10110".
    {"ID TH", {{Part::Locality, ""}, {Part::Region, "\n"}, {Part::Postcode, " "}}, 3},
    // "São Paulo - SP", the CEP below.
    {"BR", {{Part::Locality, ""}, {Part::Region, " - "}, {Part::Postcode, "\n"}}, 3},
};

// Any other country: postcode and place on one line, a region below, as
// most of Europe and Latin America write it.
constexpr PlaceFormat kOtherCountries = {
    "", {{Part::Postcode, ""}, {Part::Locality, " "}, {Part::Region, "\n"}}, 3};

const PlaceFormat& PlaceFormatFor(const QString& code) {
    if (code.size() == 2) {
        for (const PlaceFormat& format : kPlaceFormats) {
            const QLatin1String countries(format.countries);
            for (qsizetype i = 0; i + 1 < countries.size(); i += 3)
                if (countries.sliced(i, 2) == code)
                    return format;
        }
    }
    return kOtherCountries;
}

// A format's regionInPostcode, compiled once: every contact of a file asks
// for it, and compiling costs far more than matching.
const QRegularExpression& RegionInPostcode(const PlaceFormat& format) {
    static const std::vector<QRegularExpression> patterns = [] {
        std::vector<QRegularExpression> compiled;
        for (const PlaceFormat& each : kPlaceFormats)
            compiled.emplace_back(
                QLatin1String(each.regionInPostcode ? each.regionInPostcode : ""));
        return compiled;
    }();
    static const QRegularExpression none;
    for (std::size_t i = 0; i < patterns.size(); ++i)
        if (&kPlaceFormats[i] == &format)
            return patterns[i];
    return none;
}

// The country whose way of writing the place an address without a country
// plainly follows ("IL" and "62704", or "CA 94065" as the postcode); empty
// when it follows none.
QString CountryShownByPlace(const PostalAddress& address) {
    const QString place = address.region.isEmpty()
                              ? address.postcode.trimmed()
                              : address.region.trimmed() + u' ' + address.postcode.trimmed();
    for (const PlaceFormat& format : kPlaceFormats) {
        if (format.regionInPostcode && RegionInPostcode(format).match(place).hasMatch())
            return QLatin1String(format.countries).first(2);
    }
    return {};
}

QString PlaceLines(const PostalAddress& address, const PlaceFormat& format) {
    QString region = address.region;
    QString postcode = address.postcode;
    if (region.isEmpty() && format.regionInPostcode) {
        if (const auto match = RegionInPostcode(format).match(postcode); match.hasMatch()) {
            region = match.captured(1);
            postcode = match.captured(2);
        }
    }
    QString place;
    for (int i = 0; i < format.count; ++i) {
        const auto& step = format.steps[i];
        const QString& value = step.part == Part::Locality ? address.locality
                               : step.part == Part::Region ? region
                                                           : postcode;
        if (value.isEmpty())
            continue;
        if (!place.isEmpty())
            place += QLatin1String(step.before);
        place += value;
    }
    return place;
}

// Names that contacts files use for countries, beyond the codes and the
// names the locale database knows.
struct Alias {
    const char* name;
    const char* code;
};
constexpr Alias kAliases[] = {
    {"usa", "US"},
    {"u.s.a", "US"},
    {"u.s", "US"},
    {"america", "US"},
    {"united states of america", "US"},
    {"uk", "GB"},
    {"u.k", "GB"},
    {"great britain", "GB"},
    {"britain", "GB"},
    {"england", "GB"},
    {"scotland", "GB"},
    {"wales", "GB"},
    {"northern ireland", "GB"},
    {"holland", "NL"},
    {"the netherlands", "NL"},
    // The letters of the international vehicle codes, which some programs
    // keep as the country, from the days of "D-20095 Hamburg".
    {"a", "AT"},
    {"b", "BE"},
    {"d", "DE"},
    {"e", "ES"},
    {"f", "FR"},
    {"i", "IT"},
    {"l", "LU"},
    {"p", "PT"},
};

// A country written as a code, "DE", "deu" or "D": Latin letters only, so
// that a short name in another script ("中国") is never taken for one.
bool LooksLikeCode(const QString& country) {
    return !country.isEmpty() && country.size() <= 3 &&
           std::all_of(country.begin(), country.end(), [](QChar c) {
               return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
           });
}

const QHash<QString, QString>& CountryNames() {
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> table;
        for (const QLocale& locale : QLocale::matchingLocales(
                 QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
            const QLocale::Territory territory = locale.territory();
            if (territory == QLocale::AnyTerritory || territory == QLocale::World)
                continue;
            const QString code = QLocale::territoryToCode(territory);
            if (code.size() != 2)
                continue;
            table.insert(QLocale::territoryToString(territory).toLower(), code);
            const QString native = locale.nativeTerritoryName().toLower();
            if (!native.isEmpty() && !table.contains(native))
                table.insert(native, code);
        }
        for (const Alias& alias : kAliases)
            table.insert(QString::fromUtf8(alias.name), QString::fromLatin1(alias.code));
        return table;
    }();
    return names;
}

// The name, else the organization, and the organization when it is not
// the name; each as the box holds it.
QStringList NameLines(const Contact& contact) {
    const QString name = contact.NameLine();
    QStringList lines = TrimmedLines(name);
    const QString organization = contact.organization.simplified();
    if (!organization.isEmpty() &&
        organization.compare(name.simplified(), Qt::CaseInsensitive) != 0)
        lines += TrimmedLines(organization);
    return lines;
}

// A label usually starts with the name, and often the organization: those
// are on the envelope already.
QStringList LabelWithoutNames(const QString& text, const QStringList& names) {
    QStringList label = TrimmedLines(text);
    const auto isName = [&names](const QString& line) {
        return std::any_of(names.cbegin(), names.cend(), [&line](const QString& name) {
            return name.compare(line, Qt::CaseInsensitive) == 0;
        });
    };
    while (!label.isEmpty() && isName(label.front()))
        label.removeFirst();
    return label;
}

// The street lines, the extended address and the post office box.
QStringList StreetLines(const PostalAddress& address) {
    QStringList lines;
    for (const QString& street : address.street)
        lines += TrimmedLines(street);
    lines += TrimmedLines(address.extended);
    if (!address.poBox.isEmpty()) {
        const bool number = std::all_of(address.poBox.begin(), address.poBox.end(),
                                        [](QChar c) { return c.isDigit(); });
        lines += TrimmedLines(number ? QStringLiteral("PO Box ") + address.poBox : address.poBox);
    }
    return lines;
}

// A bare code means nothing to a post office; a name stays as the contact
// wrote it, however short.
QString CountryLine(const QString& country, const QString& code) {
    if (LooksLikeCode(country.trimmed()) && !code.isEmpty())
        return QLocale::territoryToString(QLocale::codeToTerritory(code));
    return country;
}

} // namespace

CAddressFormatter::CAddressFormatter(const QString& userCountry, AddressChoice choice)
    : m_userCountry(CountryCode(userCountry)), m_choice(choice) {}

bool CAddressFormatter::NamesUserCountry(const QString& line) const {
    return !m_userCountry.isEmpty() && CountryCode(line) == m_userCountry;
}

QString CAddressFormatter::CountryCode(const QString& country) {
    QString name = country.simplified().toLower();
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.isEmpty())
        return QString();
    if ((name.size() == 2 || name.size() == 3) && LooksLikeCode(name)) {
        const QLocale::Territory territory = QLocale::codeToTerritory(name.toUpper());
        if (territory != QLocale::AnyTerritory)
            return QLocale::territoryToCode(territory);
    }
    return CountryNames().value(name);
}

QString CAddressFormatter::SystemCountry() {
    return QLocale::territoryToCode(QLocale::system().territory());
}

std::optional<QString> CAddressFormatter::Format(const Contact& contact) const {
    const std::optional<PostalAddress>& chosen = contact.addresses.Chosen(m_choice);
    if (!chosen)
        return std::nullopt;
    const PostalAddress& address = *chosen;
    // Our own files carry the book's text exactly.
    if (!address.HasParts() && contact.exactText)
        return address.label;

    QStringList lines = NameLines(contact);
    const qsizetype nameLines = lines.size();
    const QString code = CountryCode(address.country);
    const bool ownCountry = address.country.isEmpty() || (!code.isEmpty() && code == m_userCountry);
    if (!address.HasParts()) {
        lines += LabelWithoutNames(address.label, lines);
    } else {
        lines += StreetLines(address);
        // Without a country of its own or the user's, the place says which.
        const QString placeCountry = !ownCountry                ? code
                                     : !m_userCountry.isEmpty() ? m_userCountry
                                                                : CountryShownByPlace(address);
        lines += TrimmedLines(PlaceLines(address, PlaceFormatFor(placeCountry)));
    }
    // Mail within a country needs no line for it, whoever wrote it.
    if (ownCountry && lines.size() > nameLines && NamesUserCountry(lines.back()))
        lines.removeLast();
    // A name and a country alone do not reach anyone.
    if (lines.size() == nameLines)
        return std::nullopt;
    if (!ownCountry)
        lines += TrimmedLines(CountryLine(address.country, code));
    return lines.join(QStringLiteral("\r\n"));
}
