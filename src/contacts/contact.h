#pragma once

#include "postaladdress.h"

#include <QString>

#include <optional>

// One contact as a contacts file describes it, reduced to what goes on an
// envelope.
class CContact {
public:
    // The file's own label, else the formatted name, else given and family
    // name, else the organization.
    QString Label() const;
    // The name as it goes on the first line: the formatted name, else the
    // parts of the structured name.
    QString NameLine() const;

    // Keeps the address that the envelope should carry: the preferred one
    // (lowest preference), else the first home one, else the first.
    void OfferAddress(SPostalAddress address);
    // True when the candidate would be kept over the address kept so far.
    static bool IsPreferredOver(const SPostalAddress& candidate, const SPostalAddress& kept);
    const std::optional<SPostalAddress>& ChosenAddress() const { return m_address; }

    // A label the file gives outright (a CSV label column); wins over names.
    QString m_label;
    QString m_formattedName;
    QString m_prefixes;
    QString m_givenName;
    QString m_additionalNames;
    QString m_familyName;
    QString m_suffixes;
    QString m_organization;
    // The line where the contact starts in its file.
    int m_line = 0;
    // Written by this program: the label is the whole address text as it
    // was in the address book, an empty one included.
    bool m_exactText = false;

private:
    std::optional<SPostalAddress> m_address;
};
