// The address book loader on any bytes: it must neither crash nor hold more
// memory than the file could describe, and what it keeps must survive a save
// and a reload unchanged.
#include "addressbook/addressbook.h"
#include "fuzzsupport.h"

#include <QByteArrayView>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    CAddressBook book;
    QByteArray saved;
    {
        // An 8-bit string may widen into UTF-16 and the saved bytes grow by
        // doubling: a few times the input. A record kept costs a few dozen
        // bytes more than the two it may take in the file: its place in the
        // list, grown by doubling, its strings' headers and what it adds to
        // the saved bytes. Nothing else may grow with a count the bytes do
        // not bear out.
        CAllocationWatch watch(size, 8, 64 << 10);
        book.LoadFromBytes(bytes);
        saved = book.ToBytes();
        watch.Allow(static_cast<size_t>(book.GetSize()) * 256);
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
