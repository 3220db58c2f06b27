#pragma once

#include <QString>

class CArchive;

// One address book entry: a label and a multi-line address text whose lines
// are joined by CR LF. Copied by value.
class CAddress {
public:
    CAddress() = default;
    CAddress(QString label, QString address)
        : m_strLabel(std::move(label)), m_strAddress(std::move(address)) {}

    // Reads or writes the label and then the address text; nothing else.
    void Serialize(CArchive& ar);

    QString m_strLabel;
    QString m_strAddress;
};
