// A contacts reader on any bytes, the vCard one or, built with
// FUZZ_CONTACTS_CSV, the CSV one: it never crashes, hangs or holds more
// than a small multiple of the file; every problem names a line of the
// file; and what it imports comes back unchanged through our own export and
// import.
#include "contacts/addressformatter.h"
#include "contacts/contactsimport.h"
#include "contacts/contactswriter.h"
#include "fuzzsupport.h"

#ifdef FUZZ_CONTACTS_CSV
#define FUZZ_SUFFIX ".csv"
#define FUZZ_WRITE CContactsWriter::ToCsv
#else
#define FUZZ_SUFFIX ".vcf"
#define FUZZ_WRITE CContactsWriter::ToVCard
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The table of country names is built once, on first use; that is not
    // memory this input made the reader hold.
    static const bool warm = !CAddressFormatter::CountryCode(QStringLiteral("Germany")).isEmpty();
    (void)warm;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    CContactsImport import(QStringLiteral("US"));
    QByteArray exported;
    {
        CAllocationWatch watch(size, 64, 1 << 20);
        import.ReadBytes(bytes, QStringLiteral("fuzz" FUZZ_SUFFIX));
        exported = FUZZ_WRITE(import.Entries());
    }
    const qsizetype lines = bytes.count('\n') + bytes.count('\r') + 1;
    for (const ContactsProblem& problem : import.Report().Problems())
        FUZZ_CHECK(problem.line >= 0 && problem.line <= lines);

    CContactsImport again(QStringLiteral("US"));
    again.ReadBytes(exported, QStringLiteral("again" FUZZ_SUFFIX));
    // An empty book makes an empty vCard file, which is worth a word.
    FUZZ_CHECK(again.Report().IsClean() || import.Entries().isEmpty());
    FUZZ_CHECK(again.Entries().size() == import.Entries().size());
    for (qsizetype i = 0; i < import.Entries().size(); ++i) {
        FUZZ_CHECK(again.Entries()[i].m_strLabel == import.Entries()[i].m_strLabel);
        FUZZ_CHECK(again.Entries()[i].m_strAddress == import.Entries()[i].m_strAddress);
    }
    return 0;
}
