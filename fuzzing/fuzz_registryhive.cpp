// The hive parser on any bytes, as found in the settings file: it never
// crashes or holds more than a small multiple of the file, and what it keeps
// is written in a form that reads back to the same keys, values and bytes.
#include "fuzzsupport.h"
#include "settings/registryhive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    CRegistryHive hive;
    QByteArray written;
    {
        // UTF-8 widens to UTF-16 and hex pairs shrink to bytes; what the
        // parse keeps is held to a few times the input, however short its
        // lines, keys and values.
        CAllocationWatch watch(size, 12, 2 << 20);
        hive = CRegistryHive::Parse(bytes);
    }
    {
        CAllocationWatch watch(size, 64, 1 << 20);
        written = hive.Serialize();
    }

    const CRegistryHive again = CRegistryHive::Parse(written);
    FUZZ_CHECK(again.DamagedLines() == 0);
    FUZZ_CHECK(again == hive);
    FUZZ_CHECK(again.Serialize() == written);
    return 0;
}
