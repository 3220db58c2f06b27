#pragma once

#include "contacts/contact.h"

#include <QString>

#include <optional>

// Lays out a contact's address as the address boxes hold it, lines joined by
// CR LF: the name, the organization when it is not the name, the street
// lines, the place line in the order of the address's country, and the
// country's name when it is not the user's own. An address that its writer
// laid out as a label gets the same name lines, and no last line that names
// the user's own country.
class CAddressFormatter {
public:
    // userCountry: the user's own country as an ISO 3166 code ("US"); an
    // address there, or one that names no country, gets no country line.
    explicit CAddressFormatter(const QString& userCountry,
                               AddressChoice choice = AddressChoice::Preferred);

    // The address text for the contact's address of the choice; nothing
    // when the contact has none.
    std::optional<QString> Format(const Contact& contact) const;

    // The ISO 3166 code of a country as contacts files write it: a code
    // ("de", "DEU"), an English or native name ("Germany", "Deutschland")
    // or a common short form ("USA", "UK"). Empty when unknown.
    static QString CountryCode(const QString& country);
    // The user's country from the system locale.
    static QString SystemCountry();

private:
    // Whether a line of text names the user's country and nothing else.
    bool NamesUserCountry(const QString& line) const;

    QString m_userCountry;
    AddressChoice m_choice;
};
