#include "contacts/contact.h"

#include <algorithm>

namespace {

QString JoinParts(std::initializer_list<const QString*> parts) {
    QString joined;
    for (const QString* part : parts) {
        const QString trimmed = part->trimmed();
        if (trimmed.isEmpty())
            continue;
        if (!joined.isEmpty())
            joined += QLatin1Char(' ');
        joined += trimmed;
    }
    return joined;
}

} // namespace

QString Contact::Label() const {
    // Our own files carry the book's labels exactly; in others a line break
    // or a run of spaces in a name is only layout.
    if (exactText && !label.trimmed().isEmpty())
        return label;
    if (exactText && !formattedName.trimmed().isEmpty())
        return formattedName;
    if (!label.trimmed().isEmpty())
        return label.simplified();
    if (companyCard && !organization.trimmed().isEmpty())
        return organization.simplified();
    if (!formattedName.trimmed().isEmpty())
        return formattedName.simplified();
    QString name =
        JoinParts({&prefixes, &givenName, &additionalNames, &familyName, &suffixes}).simplified();
    if (!name.isEmpty())
        return name;
    return organization.simplified();
}

QString Contact::NameLine() const {
    if (companyCard && !organization.trimmed().isEmpty())
        return organization.trimmed();
    if (formattedName.trimmed().isEmpty() || IsFilingForm())
        return JoinParts({&prefixes, &givenName, &additionalNames, &familyName, &suffixes});
    return formattedName.trimmed();
}

// "Family, Given" or, as some programs write it, "Family; Title Given
// Middle Suffix": the family name first, then a comma or semicolon, then
// only words of the other parts of the structured name.
bool Contact::IsFilingForm() const {
    const QString family = familyName.simplified();
    const QString formatted = formattedName.simplified();
    if (family.isEmpty() || !formatted.startsWith(family, Qt::CaseInsensitive))
        return false;
    const QString rest = formatted.mid(family.size()).trimmed();
    if (!rest.startsWith(u',') && !rest.startsWith(u';'))
        return false;
    const QStringList words = rest.mid(1).split(u' ', Qt::SkipEmptyParts);
    const QStringList known =
        JoinParts({&prefixes, &givenName, &additionalNames, &suffixes}).split(u' ');
    return !words.isEmpty() && std::all_of(words.begin(), words.end(), [&](const QString& word) {
        return known.contains(word, Qt::CaseInsensitive);
    });
}

// Preferred beats not preferred and a lower preference beats a higher one;
// among the rest a home address beats the others. Ties keep the earlier.
bool AddressCandidates::IsPreferredOver(const PostalAddress& candidate, const PostalAddress& kept) {
    if (candidate.preference > 0 || kept.preference > 0) {
        if (kept.preference == 0)
            return true;
        return candidate.preference > 0 && candidate.preference < kept.preference;
    }
    return candidate.home && !kept.home;
}

void AddressCandidates::Offer(const PostalAddress& candidate) {
    if (!candidate.IsUsable())
        return;
    const auto offer = [&](std::optional<PostalAddress>& kept) {
        if (!kept || IsPreferredOver(candidate, *kept))
            kept = candidate;
    };
    offer(preferred);
    if (candidate.home)
        offer(home);
    if (candidate.work)
        offer(work);
}

const std::optional<PostalAddress>& AddressCandidates::Chosen(AddressChoice choice) const {
    if (choice == AddressChoice::Home && home)
        return home;
    if (choice == AddressChoice::Work && work)
        return work;
    return preferred;
}
