#pragma once

#include <QString>
#include <QStringList>

// Which of a contact's addresses goes on the envelope: the one its file
// marks preferred, else the home one (Preferred); or the home or the work
// one where the contact has it, else as Preferred.
enum class AddressChoice { Preferred, Home, Work };

// One postal address of a contact, in the parts that contacts files give:
// structured parts, or a label that its writer already laid out, or both.
struct PostalAddress {
    // True when any structured part holds text.
    bool HasParts() const {
        return !poBox.isEmpty() || !extended.isEmpty() || !street.isEmpty() ||
               !locality.isEmpty() || !region.isEmpty() || !postcode.isEmpty() ||
               !country.isEmpty();
    }
    bool IsUsable() const { return HasParts() || hasLabel; }

    QString poBox;
    QString extended;
    QStringList street; // one entry per line
    QString locality;
    QString region;
    QString postcode;
    QString country;
    // Lines joined by CR LF. hasLabel tells an empty label from none.
    QString label;
    bool hasLabel = false;

    bool home = false;
    bool work = false;
    // 1 is the most preferred, 100 the least; 0 when not marked preferred.
    int preference = 0;
};
