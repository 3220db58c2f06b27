#pragma once

#include "contacts/postaladdress.h"

#include <QString>

#include <optional>

// One contact as a contacts file describes it, reduced to what goes on an
// envelope.
struct Contact {
    // The file's own label, else the formatted name, else given and family
    // name, else the organization.
    QString Label() const;
    // The name as it goes on the first line: the formatted name, else the
    // parts of the structured name.
    QString NameLine() const;

    // Keeps the address that the envelope should carry: the preferred one
    // (lowest preference), else the first home one, else the first.
    void OfferAddress(PostalAddress candidate);
    // True when the candidate would be kept over the address kept so far.
    static bool IsPreferredOver(const PostalAddress& candidate, const PostalAddress& kept);

    // A label the file gives outright (a CSV label column); wins over names.
    QString label;
    QString formattedName;
    QString prefixes;
    QString givenName;
    QString additionalNames;
    QString familyName;
    QString suffixes;
    QString organization;
    // The line where the contact starts in its file.
    int line = 0;
    // Written by this program: the label is the whole address text as it
    // was in the address book, an empty one included.
    bool exactText = false;
    // The address kept so far; see OfferAddress.
    std::optional<PostalAddress> chosenAddress;
};
