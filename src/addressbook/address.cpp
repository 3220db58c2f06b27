#include "addressbook/address.h"

#include "addressbook/archive.h"

void CAddress::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        // Both strings are read before either is taken, so a record cut
        // short leaves this one untouched.
        QString label = ar.ReadString();
        QString address = ar.ReadString();
        m_strLabel = std::move(label);
        m_strAddress = std::move(address);
    } else {
        ar.WriteString(m_strLabel);
        ar.WriteString(m_strAddress);
    }
}
