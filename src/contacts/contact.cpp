#include "contact.h"

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

QString CContact::Label() const {
    // Our own files carry the book's labels exactly; in others a line break
    // or a run of spaces in a name is only layout.
    if (m_exactText && !m_label.isEmpty())
        return m_label;
    if (m_exactText && !m_formattedName.isEmpty())
        return m_formattedName;
    if (!m_label.trimmed().isEmpty())
        return m_label.simplified();
    if (!m_formattedName.trimmed().isEmpty())
        return m_formattedName.simplified();
    const QString name = JoinParts({&m_givenName, &m_familyName}).simplified();
    if (!name.isEmpty())
        return name;
    return m_organization.simplified();
}

QString CContact::NameLine() const {
    if (!m_formattedName.trimmed().isEmpty())
        return m_formattedName.trimmed();
    return JoinParts({&m_prefixes, &m_givenName, &m_additionalNames, &m_familyName, &m_suffixes});
}

// Preferred beats not preferred and a lower preference beats a higher one;
// among the rest a home address beats the others. Ties keep the earlier.
bool CContact::IsPreferredOver(const SPostalAddress& candidate, const SPostalAddress& kept) {
    if (candidate.m_preference > 0 || kept.m_preference > 0) {
        if (kept.m_preference == 0)
            return true;
        return candidate.m_preference > 0 && candidate.m_preference < kept.m_preference;
    }
    return candidate.m_home && !kept.m_home;
}

void CContact::OfferAddress(SPostalAddress address) {
    if (!address.IsUsable())
        return;
    if (!m_address || IsPreferredOver(address, *m_address))
        m_address = std::move(address);
}
