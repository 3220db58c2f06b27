// The printer names block on any bytes, as the settings store hands it
// over: no offset leads outside the block, the names read write back to a
// block that reads the same, and pointing a printer at them either works or
// says the setup is invalid.
#include "fuzzsupport.h"
#include "print/devnames.h"
#include "print/printerblocks.h"

#include <QPrinter>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnsureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray block(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    std::optional<DEVNAMES> names;
    {
        // Three names of at most the block's length, as UTF-16.
        CAllocationWatch watch(size, 16, 64 << 10);
        names = DEVNAMES::FromBytes(block);
    }
    if (names) {
        const QByteArray written = names->ToBytes();
        FUZZ_CHECK(DEVNAMES::FromBytes(written) == names);
    }

    // Configuring only names the output file; nothing is written until a
    // job prints.
    QPrinter printer(QPrinter::HighResolution);
    const bool configured = ConfigurePrinterFromBlocks(printer, QByteArray(), block);
    if (configured)
        FUZZ_CHECK(names.has_value());
    return 0;
}
