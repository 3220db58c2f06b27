// The process the reliability tests kill or run side by side: it saves the
// address book or writes settings over and over, the way the program does.
//
//   reliability_writer book <path> <which: 0, 1 or 2 for both in turn> <saves, 0 for ever>
//   reliability_writer hive <writes, 0 for ever>
//   reliability_writer settings <name prefix> <values>
//
// Settings go to the hive file under $XDG_CONFIG_HOME. It prints "ready"
// once its first write is complete, and exits 2 when a write fails.
#include "addressbook.h"
#include "exception.h"
#include "reliabilitydata.h"
#include "settingsstore.h"

#include <cstdio>
#include <cstdlib>

namespace {

void SayReady() {
    std::printf("%s\n", kReliabilityReady);
    std::fflush(stdout);
}

int SaveBooks(const QString& path, int which, long saves) {
    CAddressBook book;
    book.SetAddressBookPath(path);
    const QByteArray books[2] = {ReliabilityBook(0), ReliabilityBook(1)};
    for (long i = 0; saves == 0 || i < saves; ++i) {
        book.LoadFromBytes(books[which == 2 ? i % 2 : which]);
        try {
            book.SaveAddressBook();
        } catch (const CException& e) {
            std::fprintf(stderr, "%s\n", qPrintable(e.GetErrorMessage()));
            return 2;
        }
        if (i == 0)
            SayReady();
    }
    return 0;
}

int WriteHive(long writes) {
    CSettingsStore store(QString::fromLatin1(CSettingsStore::kCompanyName),
                         QStringLiteral("Pelvaro"));
    const QString section = QString::fromLatin1(kReliabilitySection);
    for (long i = 0; writes == 0 || i < writes; ++i) {
        const int which = static_cast<int>(i % 2);
        if (!store.WriteProfileString(section, QString::fromLatin1(kReliabilityAddressEntry),
                                      ReliabilityAddress(which)) ||
            !store.WriteBinaryValue(QString::fromLatin1(kReliabilityDevModeName),
                                    ReliabilityDevMode(which))) {
            std::fprintf(stderr, "a settings write failed\n");
            return 2;
        }
        if (i == 0)
            SayReady();
    }
    return 0;
}

int WriteDistinctSettings(const QString& prefix, int values) {
    CSettingsStore store(QString::fromLatin1(CSettingsStore::kCompanyName),
                         QStringLiteral("Pelvaro"));
    const QString section = QString::fromLatin1(kReliabilitySection);
    for (int i = 0; i < values; ++i) {
        if (!store.WriteProfileString(section, ConcurrentEntryName(prefix, i),
                                      ConcurrentEntryValue(prefix, i))) {
            std::fprintf(stderr, "writing %s failed\n", qPrintable(ConcurrentEntryName(prefix, i)));
            return 2;
        }
        if (i == 0)
            SayReady();
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("book") && argc == 5)
        return SaveBooks(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atol(argv[4]));
    if (mode == QLatin1String("hive") && argc == 3)
        return WriteHive(std::atol(argv[2]));
    if (mode == QLatin1String("settings") && argc == 4)
        return WriteDistinctSettings(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    std::fprintf(stderr, "usage: reliability_writer book <path> <0|1|2> <saves> | hive <writes> | "
                         "settings <prefix> <values>\n");
    return 64;
}
