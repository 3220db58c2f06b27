// The printer settings block on any bytes, as the settings store hands it
// over: reading it never looks outside the block, what is read writes back
// to a block that reads the same, and carrying it over to a printer leaves a
// printer whose own block is readable again.
#include "fuzzsupport.h"
#include "print/devmode.h"
#include "print/devnames.h"
#include "print/printerblocks.h"

#include <QPrinter>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnsureGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray block(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    std::optional<DEVMODEW> mode;
    {
        CAllocationWatch watch(size, 4, 64 << 10);
        mode = DEVMODEW::FromBytes(block);
    }
    if (mode) {
        FUZZ_CHECK(int(mode->dmSize) + int(mode->dmDriverExtra) <= block.size());
        FUZZ_CHECK(mode->driverExtra.size() == mode->dmDriverExtra);
        const QByteArray written = mode->ToBytes();
        const std::optional<DEVMODEW> again = DEVMODEW::FromBytes(written);
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(again->ToBytes() == written);
    }

    // The PDF writer stands in for a printer, so that no spooler is asked;
    // its file is never written, as nothing is printed.
    DEVNAMES names;
    names.driver = QString::fromUtf16(kPdfDriverName);
    names.device = QString::fromUtf16(kPdfDriverName);
    names.output = QStringLiteral("/nonexistent/pelvaro-fuzz.pdf");
    QPrinter printer(QPrinter::HighResolution);
    const bool configured = ConfigurePrinterFromBlocks(printer, block, names.ToBytes());
    FUZZ_CHECK(configured == mode.has_value());
    if (configured) {
        const PrinterBlocks blocks = BlocksFromPrinter(printer);
        FUZZ_CHECK(DEVMODEW::FromBytes(blocks.devMode).has_value());
        FUZZ_CHECK(DEVNAMES::FromBytes(blocks.devNames) == names);
    }
    return 0;
}
