#pragma once

#include "contacts/postaladdress.h"

#include <QString>

#include <optional>

// The addresses a contact may put on an envelope, without holding every
// address a file gives: of all, of the home ones and of the work ones, the
// preferred one (lowest preference), else a home one, else the first.
struct AddressCandidates {
    void Offer(const PostalAddress& candidate);
    // True when the candidate would be kept over the address kept so far.
    static bool IsPreferredOver(const PostalAddress& candidate, const PostalAddress& kept);
    // The address kept for a choice; nothing when there is none.
    const std::optional<PostalAddress>& Chosen(AddressChoice choice) const;

    std::optional<PostalAddress> preferred;
    std::optional<PostalAddress> home;
    std::optional<PostalAddress> work;
};

// One contact as a contacts file describes it, reduced to what goes on an
// envelope.
struct Contact {
    // The name its program shows for it: the file's own label, else the
    // formatted name (the organization of a company's card), else the parts
    // of the structured name, else the organization.
    QString Label() const;
    // The name as it goes on the first line: the label's name, but in the
    // order of a letter where the formatted name is the filing form
    // "Family, Given" of the structured name.
    QString NameLine() const;
    // Whether the formatted name is the structured name in filing order.
    bool IsFilingForm() const;

    // A label the file gives outright (a CSV label column); wins over names.
    QString label;
    QString formattedName;
    QString prefixes;
    QString givenName;
    QString additionalNames;
    QString familyName;
    QString suffixes;
    QString organization;
    // The card stands for the organization, not a person in it.
    bool companyCard = false;
    // The line where the contact starts in its file.
    int line = 0;
    // Written by this program: the label is the whole address text as it
    // was in the address book, an empty one included.
    bool exactText = false;
    AddressCandidates addresses;
};
