// The workbook reader on any bytes, as a zip package holding them or as
// they stand: it never crashes or hangs, and holds no more than a bounded
// multiple of what the parts may unpack to, however the zip lies about its
// sizes. What it reads as contacts has a line within the sheet.
#include "contacts/addressformatter.h"
#include "contacts/contactsimport.h"
#include "contacts/spreadsheet.h"
#include "fuzzsupport.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool warm = !CAddressFormatter::CountryCode(QStringLiteral("Germany")).isEmpty();
    (void)warm;
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // A part may unpack to 16 MiB whatever its packed size, and to a
    // hundred times that size beyond: the reader keeps a row, the shared
    // strings and the parser's buffers.
    CAllocationWatch watch(size, 400, size_t(160) << 20);
    {
        QBuffer device(&bytes);
        device.open(QIODevice::ReadOnly);
        CSpreadsheet workbook(device);
        const QList<SheetInfo> sheets = workbook.Sheets();
        for (int i = 0; i < sheets.size() && i < 4; ++i) {
            int rows = 0;
            int last = 0;
            workbook.ReadRows(i, [&](const SheetRow& row) {
                FUZZ_CHECK(row.number > last && row.cells.size() <= 1024);
                last = row.number;
                return ++rows < 2000;
            });
        }
    }
    CContactsImport import(QStringLiteral("US"));
    import.ReadBytes(bytes, QStringLiteral("fuzz.xlsx"));
    for (const ContactsProblem& problem : import.Report().Problems())
        FUZZ_CHECK(problem.line >= 0 && problem.line <= (1 << 20));
    return 0;
}
