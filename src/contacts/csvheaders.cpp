#include "contacts/csvheaders.h"

#include <QHash>
#include <QRegularExpression>

#include <array>
#include <span>

namespace {

using Field = CsvField;

QString Key(const QString& header) {
    return header.simplified().toLower();
}

// The plain set, English names of the exports' own, and the names all
// address groups share.
const QHash<QString, Field>& PlainHeaders() {
    static const QHash<QString, Field> headers = {
        {QStringLiteral("label"), Field::Label},
        {QStringLiteral("name"), Field::FullName},
        {QStringLiteral("full name"), Field::FullName},
        {QStringLiteral("display name"), Field::FullName},
        {QStringLiteral("formatted name"), Field::FullName},
        {QStringLiteral("name prefix"), Field::Prefix},
        {QStringLiteral("honorific prefixes"), Field::Prefix},
        {QStringLiteral("first name"), Field::GivenName},
        {QStringLiteral("given name"), Field::GivenName},
        {QStringLiteral("first"), Field::GivenName},
        {QStringLiteral("middle name"), Field::MiddleName},
        {QStringLiteral("additional name"), Field::MiddleName},
        {QStringLiteral("additional names"), Field::MiddleName},
        {QStringLiteral("middle"), Field::MiddleName},
        {QStringLiteral("last name"), Field::FamilyName},
        {QStringLiteral("family name"), Field::FamilyName},
        {QStringLiteral("surname"), Field::FamilyName},
        {QStringLiteral("last"), Field::FamilyName},
        {QStringLiteral("suffix"), Field::Suffix},
        {QStringLiteral("name suffix"), Field::Suffix},
        {QStringLiteral("honorific suffixes"), Field::Suffix},
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
        {QStringLiteral("zipcode"), Field::Postcode},
        {QStringLiteral("country"), Field::Country},
    };
    return headers;
}

// The parts of one address in the Google, Outlook, Thunderbird, Yahoo and
// KAddressBook sets.
const QHash<QString, Field>& AddressPartHeaders() {
    static const QHash<QString, Field> parts = {
        {QStringLiteral("type"), Field::Type},
        {QStringLiteral("label"), Field::Type},
        {QStringLiteral("formatted"), Field::Formatted},
        {QStringLiteral("address label"), Field::Formatted},
        {QStringLiteral("street"), Field::Street},
        {QStringLiteral("street 2"), Field::Street},
        {QStringLiteral("street 3"), Field::Street},
        {QStringLiteral("address"), Field::Street},
        {QStringLiteral("address 2"), Field::Street},
        {QStringLiteral("address street"), Field::Street},
        {QStringLiteral("po box"), Field::PoBox},
        {QStringLiteral("address po box"), Field::PoBox},
        {QStringLiteral("extended address"), Field::Extended},
        {QStringLiteral("city"), Field::City},
        {QStringLiteral("town"), Field::City},
        {QStringLiteral("address locality"), Field::City},
        {QStringLiteral("region"), Field::Region},
        {QStringLiteral("state"), Field::Region},
        {QStringLiteral("county"), Field::Region},
        {QStringLiteral("address region"), Field::Region},
        {QStringLiteral("postal code"), Field::Postcode},
        {QStringLiteral("post code"), Field::Postcode},
        {QStringLiteral("zipcode"), Field::Postcode},
        {QStringLiteral("zip"), Field::Postcode},
        {QStringLiteral("address postal code"), Field::Postcode},
        {QStringLiteral("country"), Field::Country},
        {QStringLiteral("country/region"), Field::Country},
        {QStringLiteral("address country"), Field::Country},
    };
    return parts;
}

// One column by its name alone, English as most programs write it.
// "Title" is a name's prefix only beside a "Job Title", as in Outlook's
// set; elsewhere it is the job.
CsvColumn GenericColumn(const QString& name, bool hasJobTitle) {
    // Google: "Address 2 - Postal Code"; its older export: "Section 1 - Address".
    static const QRegularExpression google(QStringLiteral("^address (\\d+) - (.+)$"));
    static const QRegularExpression section(QStringLiteral("^section (\\d+) - (address|company)$"));
    // Outlook: "Business Street 2"; Thunderbird: "Work ZipCode".
    static const QRegularExpression kind(QStringLiteral("^(home|business|work|other) (.+)$"));
    if (const auto match = google.match(name); match.hasMatch()) {
        const Field field = AddressPartHeaders().value(match.captured(2), Field::None);
        return {field, QStringLiteral("google ") + match.captured(1)};
    }
    if (const auto match = section.match(name); match.hasMatch()) {
        if (match.captured(2) == QLatin1String("company"))
            return {Field::Organization, QString()};
        return {Field::Formatted, QStringLiteral("section ") + match.captured(1)};
    }
    if (const auto match = kind.match(name); match.hasMatch()) {
        const Field field = AddressPartHeaders().value(match.captured(2), Field::None);
        if (field != Field::Type) {
            const QString group = match.captured(1) == QLatin1String("business")
                                      ? QStringLiteral("work")
                                      : match.captured(1);
            return {field, group};
        }
    }
    if (name == QLatin1String("title"))
        return {hasJobTitle ? Field::Prefix : Field::None, QString()};
    return {PlainHeaders().value(name, Field::None), QString()};
}

// The columns of the localized sets, one table per program, each language
// giving a name (or several, "|" apart, for different versions) in the
// order of the table.
struct Slot {
    Field field;
    const char* group;
};

// Outlook: the name, then for the work, home and other addresses each the
// street in three lines, city, region, postcode, country and PO box.
constexpr Slot kOutlookSlots[] = {
    {Field::Prefix, ""},        {Field::GivenName, ""},    {Field::MiddleName, ""},
    {Field::FamilyName, ""},    {Field::Suffix, ""},       {Field::Organization, ""},
    {Field::Street, "work"},    {Field::Street, "work"},   {Field::Street, "work"},
    {Field::City, "work"},      {Field::Region, "work"},   {Field::Postcode, "work"},
    {Field::Country, "work"},   {Field::PoBox, "work"},    {Field::Street, "home"},
    {Field::Street, "home"},    {Field::Street, "home"},   {Field::City, "home"},
    {Field::Region, "home"},    {Field::Postcode, "home"}, {Field::Country, "home"},
    {Field::PoBox, "home"},     {Field::Street, "other"},  {Field::Street, "other"},
    {Field::Street, "other"},   {Field::City, "other"},    {Field::Region, "other"},
    {Field::Postcode, "other"}, {Field::Country, "other"}, {Field::PoBox, "other"},
};

// Thunderbird: first, last and display name, the home and the work address
// each in two street lines, city, region, postcode and country, and the
// organization. Some languages give home and work parts the same name:
// the first column of a name is the home one.
constexpr Slot kThunderbirdSlots[] = {
    {Field::GivenName, ""},    {Field::FamilyName, ""},   {Field::FullName, ""},
    {Field::Street, "home"},   {Field::Street, "home"},   {Field::City, "home"},
    {Field::Region, "home"},   {Field::Postcode, "home"}, {Field::Country, "home"},
    {Field::Street, "work"},   {Field::Street, "work"},   {Field::City, "work"},
    {Field::Region, "work"},   {Field::Postcode, "work"}, {Field::Country, "work"},
    {Field::Organization, ""},
};

// The Windows address book (Outlook Express, Windows Mail): the name, then
// the home and the business address each in street, city, postcode,
// region and country, and the company.
constexpr Slot kWindowsSlots[] = {
    {Field::GivenName, ""},    {Field::FamilyName, ""},  {Field::MiddleName, ""},
    {Field::FullName, ""},     {Field::Street, "home"},  {Field::City, "home"},
    {Field::Postcode, "home"}, {Field::Region, "home"},  {Field::Country, "home"},
    {Field::Street, "work"},   {Field::City, "work"},    {Field::Postcode, "work"},
    {Field::Region, "work"},   {Field::Country, "work"}, {Field::Organization, ""},
};

using WindowsNames = std::array<const char*, std::size(kWindowsSlots)>;
using OutlookNames = std::array<const char*, std::size(kOutlookSlots)>;
using ThunderbirdNames = std::array<const char*, std::size(kThunderbirdSlots)>;

// One language a table, laid out by hand: the names in the order of the
// slots above, a few to a line.
// clang-format off
constexpr OutlookNames kOutlookGerman = {
    "Anrede", "Vorname", "Weitere Vornamen", "Nachname", "Suffix", "Firma",
    "Straße geschäftlich", "Straße geschäftlich 2", "Straße geschäftlich 3", "Ort geschäftlich",
    "Region geschäftlich", "Postleitzahl geschäftlich",
    "Land/Region geschäftlich|Land geschäftlich", "Postfach geschäftlich",
    "Straße privat", "Straße privat 2", "Straße privat 3", "Ort privat",
    "Bundesland/Kanton privat|Region privat", "Postleitzahl privat",
    "Land/Region privat|Land privat", "Postfach privat",
    "Weitere Straße", "Weitere Straße 2", "Weitere Straße 3", "Weiterer Ort",
    "Weiteres/r Bundesland/Kanton|Weitere Region", "Weitere Postleitzahl",
    "Weiteres/e Land/Region|Weiteres Land", "Weiteres Postfach"};

constexpr OutlookNames kOutlookFrench = {
    "Titre", "Prénom", "Deuxième prénom", "Nom", "Suffixe", "Société",
    "Rue (bureau)", "Rue (bureau) 2", "Rue (bureau) 3", "Ville (bureau)", "Dép/Région (bureau)",
    "Code postal (bureau)", "Pays/Région (bureau)|Pays (bureau)", "B.P. professionnelle",
    "Rue (domicile)", "Rue (domicile) 2", "Rue (domicile) 3", "Ville (domicile)",
    "Dép/Région (domicile)", "Code postal (domicile)", "Pays/Région (domicile)|Pays (domicile)",
    "Boîte postale du domicile",
    "Rue (autre)", "Rue (autre) 2", "Rue (autre) 3", "Ville (autre)", "Dép/Région (autre)",
    "Code postal (autre)", "Pays/Région (autre)|Pays (autre)", "Autre boîte postale"};

// Spanish Outlook leaves some names in English.
constexpr OutlookNames kOutlookSpanish = {
    "Title", "Nombre", "Segundo nombre", "Apellidos", "Suffix", "Organización",
    "Calle del trabajo", "Calle del trabajo 2", "Calle del trabajo 3", "Ciudad de trabajo",
    "Provincia o estado de trabajo", "Código postal del trabajo", "País o región del trabajo",
    "Apartado postal de la dirección del trabajo",
    "Home Street", "Home Street 2", "Home Street 3", "Home City", "Home State",
    "Home Postal Code", "País o región del domicilio", "Apartado postal de la dirección personal",
    "Otra calle", "Otra calle 2", "Otra calle 3", "Otra ciudad", "Otra provincia o estado",
    "Otro código postal", "Otro país o región", "Otro apartado postal"};

constexpr OutlookNames kOutlookItalian = {
    "Titolo", "Nome", "Secondo nome", "Cognome", "Titolo straniero", "Società",
    "Via (uff.)", "Via (uff.) 2", "Via (uff.) 3", "Città (uff.)", "Provincia (uff.)",
    "CAP (uff.)", "Paese/area geografica (uff.)|Paese (uff.)",
    "Indirizzo (uff.) - Casella postale",
    "Via (ab.)", "Via (ab.) 2", "Via (ab.) 3", "Città (ab.)", "Provincia (ab.)", "CAP (ab.)",
    "Paese/area geografica (ab.)|Paese (ab.)", "Indirizzo (ab.) - Casella postale",
    "Altra via", "Altra via 2", "Altra via 3", "Altra città", "Altra provincia", "Altro CAP",
    "Altro paese/area geografica|Altro paese", "Altro indirizzo - Casella postale"};

constexpr OutlookNames kOutlookDutch = {
    "Titel", "Voornaam", "Middelste naam", "Achternaam", "Achtervoegsel", "Bedrijf",
    "Werkadres, straat", "Werkadres 2, straat", "Werkadres 3, straat", "Werkadres, plaats",
    "Werkadres, provincie", "Werkadres, postcode", "Land/regio (werk)",
    "Werkadres, postbusnummer",
    "Huisadres, straat", "Huisadres, straat 2", "Huisadres, straat 3", "Huisadres, plaats",
    "Huisadres, provincie", "Huisadres, postcode", "Land/regio (thuis)",
    "Huisadres, postbusnummer",
    "Ander adres, straat", "Ander adres, straat 2", "Ander adres, straat 3",
    "Ander adres, plaats", "Ander adres, provincie", "Ander adres, postcode",
    "Land/regio (anders)", "Ander adres, postbusnummer"};

// Brazilian Outlook leaves some names in English and calls the other
// address's city and postcode "Cidade" and "CEP".
constexpr OutlookNames kOutlookBrazilian = {
    "Tratamento", "Primeiro nome", "Segundo nome", "Sobrenome", "Sufixo", "Empresa",
    "Business Street", "Rua do endereço comercial 2", "Rua do endereço comercial 3",
    "Business City", "Business State", "Business Postal Code", "País/Região da Empresa",
    "Caixa postal do endereço comercial",
    "Endereço residencial", "Endereço residencial 2", "Endereço residencial 3",
    "Cidade do endereço residencial", "Estado", "CEP do endereço residencial",
    "País/Região de Residência", "Caixa postal do endereço residencial",
    "Outro endereço", "Outro endereço 2", "Outro endereço 3", "Cidade", "Outro Estado", "CEP",
    "Outro País/Região", "Caixa postal de outro endereço"};

constexpr OutlookNames kOutlookPortuguese = {
    "Título", "Primeiro nome", "Outros nomes/apelidos", "Apelido", "Sufixo", "Empresa",
    "Rua da empresa", "Rua da empresa 2", "Rua da empresa 3", "Localidade da empresa",
    "Distrito da empresa", "Código postal da empresa", "País/Região da Empresa",
    "Apartado da empresa",
    "Rua da residência", "Rua da residência (2)", "Rua da residência (3)",
    "Localidade da residência", "Distrito da residência", "Código postal da residência",
    "País da Residência/Região", "Apartado da residência",
    "Rua do outro endereço", "Rua do outro endereço 2", "Rua do outro endereço 3",
    "Localidade do outro endereço", "Distrito do outro endereço",
    "Código postal do outro endereço", "Outro País/Região", "Apartado do outro endereço"};

constexpr OutlookNames kOutlookJapanese = {
    "肩書き", "名", "ミドル ネーム", "姓", "敬称", "会社名",
    "番地 (会社)", "住所 2 (会社)", "住所 3 (会社)", "市町村 (会社)", "都道府県 (会社)",
    "郵便番号 (会社)", "国 (会社)/地域", "会社住所私書箱",
    "番地 (自宅)", "住所 2 (自宅)", "住所 3 (自宅)", "市町村 (自宅)", "都道府県 (自宅)",
    "郵便番号 (自宅)", "国 (自宅)/地域", "自宅住所私書箱",
    "番地 (その他)", "住所 2 (その他)", "住所 3 (その他)", "市町村 (その他)",
    "都道府県 (その他)", "郵便番号 (その他)", "国 (その他)/地域", "その他住所私書箱"};

constexpr ThunderbirdNames kThunderbirdGerman = {
    "Vorname", "Nachname", "Anzeigename",
    "Privat: Adresse", "Privat: Adresse 2", "Privat: Ort", "Privat: Bundesland", "Privat: PLZ",
    "Privat: Land",
    "Dienstlich: Adresse", "Dienstlich: Adresse 2", "Dienstlich: Ort", "Dienstlich: Bundesland",
    "Dienstlich: PLZ", "Dienstlich: Land", "Organisation"};

constexpr ThunderbirdNames kThunderbirdFrench = {
    "Prénom", "Nom de famille", "Nom à afficher",
    "Adresse privée", "Adresse privée 2", "Ville", "Pays/État", "Code postal",
    "Pays/Région (domicile)",
    "Adresse professionnelle", "Adresse professionnelle 2", "Ville", "Pays/État", "Code postal",
    "Pays/Région (bureau)", "Société"};

constexpr ThunderbirdNames kThunderbirdSpanish = {
    "Nombre", "Apellidos", "Nombre mostrado",
    "Dirección personal", "Dirección personal 2", "Ciudad donde vive", "Provincia",
    "Código postal", "País de residencia",
    "Dirección de trabajo", "Dirección de trabajo 2", "Ciudad (Trabajo)", "Provincia (Trabajo)",
    "Código postal (Trabajo)", "País (Trabajo)", "Organización"};

constexpr ThunderbirdNames kThunderbirdItalian = {
    "Nome", "Cognome", "Nome visualizzato",
    "Indirizzo di casa", "Indirizzo di casa 2", "Città di residenza", "Provincia di residenza",
    "CAP di residenza", "Nazione di residenza",
    "Indirizzo di lavoro", "Indirizzo di lavoro 2", "Città di lavoro", "Provincia di lavoro",
    "CAP di lavoro", "Nazione di lavoro", "Organizzazione"};

constexpr ThunderbirdNames kThunderbirdDutch = {
    "Voornaam", "Achternaam", "Weergavenaam",
    "Adres", "Adres 2", "Woonplaats", "Provincie", "Postcode", "Land",
    "Werkadres", "Werkadres 2", "Werklocatie", "Werkprovincie", "Werkpostcode", "Werkland",
    "Organisatie"};

constexpr ThunderbirdNames kThunderbirdPortuguese = {
    "Nome", "Apelido", "Nome exibido",
    "Endereço pessoal", "Endereço pessoal 2", "Naturalidade", "Distrito", "Código postal",
    "Nacionalidade",
    "Endereço profissional", "Endereço profissional 2", "Local de trabalho",
    "Distrito do local de trabalho", "Código postal do local de trabalho",
    "País do local de trabalho", "Organização"};

constexpr ThunderbirdNames kThunderbirdBrazilian = {
    "Primeiro nome", "Sobrenome", "Nome de exibição",
    "Endereço", "Endereço 2", "Cidade", "Estado", "CEP", "País",
    "Endereço comercial", "Endereço comercial 2", "Cidade de trabalho", "Estado de trabalho",
    "CEP comercial", "País de trabalho", "Organização"};
constexpr WindowsNames kWindowsGerman = {
    "Vorname", "Nachname", "2. Vorname|Zweiter Vorname", "Name|Vollständiger Name",
    "Straße (privat)", "Ort (privat)|Stadt (privat)", "Postleitzahl (privat)",
    "Bundesland (privat)|Bundesland/Provinz (privat)", "Land/Region (privat)",
    "Straße (geschäftlich)", "Ort (geschäftlich)|Stadt (geschäftlich)",
    "Postleitzahl (geschäftlich)", "Bundesland (geschäftlich)|Bundesland/Provinz (geschäftlich)",
    "Land/Region (geschäftlich)", "Firma"};
// clang-format on

struct HeaderSet {
    std::span<const Slot> layout;
    std::span<const char* const> names;
    int codePage; // the one its program writes 8-bit files in
};

constexpr HeaderSet kHeaderSets[] = {
    {kOutlookSlots, kOutlookGerman, 1252},
    {kOutlookSlots, kOutlookFrench, 1252},
    {kOutlookSlots, kOutlookSpanish, 1252},
    {kOutlookSlots, kOutlookItalian, 1252},
    {kOutlookSlots, kOutlookDutch, 1252},
    {kOutlookSlots, kOutlookBrazilian, 1252},
    {kOutlookSlots, kOutlookPortuguese, 1252},
    {kOutlookSlots, kOutlookJapanese, 932},
    {kThunderbirdSlots, kThunderbirdGerman, 1252},
    {kThunderbirdSlots, kThunderbirdFrench, 1252},
    {kThunderbirdSlots, kThunderbirdSpanish, 1252},
    {kThunderbirdSlots, kThunderbirdItalian, 1252},
    {kThunderbirdSlots, kThunderbirdDutch, 1252},
    {kThunderbirdSlots, kThunderbirdPortuguese, 1252},
    {kThunderbirdSlots, kThunderbirdBrazilian, 1252},
    {kWindowsSlots, kWindowsGerman, 1252},
};

// A set's columns by name; a name the set gives twice has both, in order.
using SetIndex = QHash<QString, QList<CsvColumn>>;

const QList<SetIndex>& SetIndexes() {
    static const QList<SetIndex> indexes = [] {
        QList<SetIndex> built;
        for (const HeaderSet& set : kHeaderSets) {
            SetIndex index;
            for (std::size_t i = 0; i < set.layout.size(); ++i) {
                const CsvColumn column{set.layout[i].field, QLatin1String(set.layout[i].group)};
                for (const QString& name : QString::fromUtf8(set.names[i]).split(u'|'))
                    index[Key(name)].append(column);
            }
            built.append(index);
        }
        return built;
    }();
    return indexes;
}

// "Home Address" is the first street line where nothing else holds the
// street (Thunderbird), but the whole address laid out beside "Home
// Street" and the other parts (Google's and Outlook's older exports): one
// address given twice, whose parts are what the envelope takes.
void MarkFormattedAddresses(const QStringList& keys, QList<CsvColumn>& columns) {
    static const QRegularExpression address(QStringLiteral("^(home|business|work|other) address$"));
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const auto match = address.match(keys[i]);
        if (match.hasMatch() && keys.contains(match.captured(1) + QStringLiteral(" street")))
            columns[i].field = Field::Formatted;
    }
}

struct Reading {
    QList<CsvColumn> columns;
    int known = 0;
};

Reading ReadWithSet(const SetIndex& set, const QStringList& keys) {
    Reading reading;
    QHash<QString, int> seen;
    for (const QString& key : keys) {
        const auto found = set.constFind(key);
        const int n = seen[key]++;
        if (found != set.cend() && n < found->size()) {
            reading.columns.append(found->at(n));
            ++reading.known;
        } else {
            reading.columns.append(CsvColumn());
        }
    }
    return reading;
}

Reading BestReading(const QStringList& header) {
    QStringList keys;
    for (const QString& name : header)
        keys.append(Key(name));
    const bool hasJobTitle = keys.contains(QStringLiteral("job title"));
    Reading generic;
    for (const QString& key : std::as_const(keys))
        generic.columns.append(GenericColumn(key, hasJobTitle));
    MarkFormattedAddresses(keys, generic.columns);
    for (const CsvColumn& column : std::as_const(generic.columns))
        generic.known += column.field != Field::None ? 1 : 0;
    Reading best = generic;
    for (const SetIndex& set : SetIndexes()) {
        Reading reading = ReadWithSet(set, keys);
        if (reading.known <= best.known)
            continue;
        // Names the language left in English, or that are not the set's,
        // are read as the generic set reads them.
        for (qsizetype i = 0; i < reading.columns.size(); ++i) {
            if (reading.columns[i].field == Field::None &&
                generic.columns[i].field != Field::None) {
                reading.columns[i] = generic.columns[i];
                ++reading.known;
            }
        }
        best = reading;
    }
    return best;
}

} // namespace

QList<CsvColumn> CsvColumns(const QStringList& header) {
    return BestReading(header).columns;
}

int KnownCsvColumns(const QStringList& header) {
    return BestReading(header).known;
}

QList<int> CsvCodePages() {
    QList<int> pages;
    for (const HeaderSet& set : kHeaderSets)
        if (!pages.contains(set.codePage))
            pages.append(set.codePage);
    return pages;
}
