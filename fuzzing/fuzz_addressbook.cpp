// The address book loader on any bytes: it must neither crash nor hold more
// memory than the file could describe, and what it keeps must survive a save
// and a reload unchanged.
#include "addressbook.h"
#include "fuzzsupport.h"

#include <QByteArrayView>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    CAddressBook book;
    QByteArray saved;
    {
        // A record costs at least two bytes of the file and a few dozen in
        // memory; an 8-bit string may widen into UTF-16.
        CAllocationWatch watch(size, 64, 1 << 20);
        book.LoadFromBytes(bytes);
        saved = book.ToBytes();
    }

    CAddressBook reloaded;
    FUZZ_CHECK(reloaded.LoadFromBytes(saved));
    FUZZ_CHECK(reloaded.GetSize() == book.GetSize());
    for (int i = 0; i < book.GetSize(); ++i) {
        FUZZ_CHECK(reloaded.GetAt(i).m_strLabel == book.GetAt(i).m_strLabel);
        FUZZ_CHECK(reloaded.GetAt(i).m_strAddress == book.GetAt(i).m_strAddress);
    }
    FUZZ_CHECK(reloaded.ToBytes() == saved);
    return 0;
}
