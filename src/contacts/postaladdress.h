#pragma once

#include <QString>
#include <QStringList>

// One postal address of a contact, in the parts that contacts files give:
// structured parts, or a label that its writer already laid out, or both.
struct SPostalAddress {
    // True when any structured part holds text.
    bool HasParts() const {
        return !m_poBox.isEmpty() || !m_extended.isEmpty() || !m_street.isEmpty() ||
               !m_locality.isEmpty() || !m_region.isEmpty() || !m_postcode.isEmpty() ||
               !m_country.isEmpty();
    }
    bool IsUsable() const { return HasParts() || m_hasLabel; }

    QString m_poBox;
    QString m_extended;
    QStringList m_street; // one entry per line
    QString m_locality;
    QString m_region;
    QString m_postcode;
    QString m_country;
    // Lines joined by CR LF. m_hasLabel tells an empty label from none.
    QString m_label;
    bool m_hasLabel = false;

    bool m_home = false;
    // 1 is the most preferred, 100 the least; 0 when not marked preferred.
    int m_preference = 0;
};
