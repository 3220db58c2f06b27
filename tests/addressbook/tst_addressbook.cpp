#include "addressbook/addressbook.h"
#include "addressbook/archive.h"
#include "bookbytes.h"
#include "platform/fileexception.h"
#include "platform/invalidargexception.h"
#include "settings/registryfile.h"
#include "testenvironment.h"

#include <QtTest>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>

// A book too large for memory must fail to be allocated, not end the run.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

// Every file the program creates, with the permissions it has from the
// moment it exists: another user could open it at once.
QList<std::pair<QByteArray, mode_t>> g_created;

extern "C" int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    // Unnamed files (O_TMPFILE) too: where the file system has none, they
    // are named files.
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        g_created.append({path, mode & ~mask & 07777});
    }
    static const auto real =
        reinterpret_cast<int (*)(const char*, int, ...)>(::dlsym(RTLD_NEXT, "open64"));
    return real(path, flags, mode);
}

namespace {

// The worked example: one record, Home / 12 Oak Lane CR LF Riverton.
const QByteArray kWorkedExample = Hex("01000000 FFFEFF 04 48006F006D006500"
                                      "FFFEFF 15 310032002000 4F0061006B002000 4C0061006E006500"
                                      "0D000A00 52006900760065007200740 06F006E00");

QStringList Labels(const CAddressBook& book) {
    QStringList labels;
    for (int i = 0; i < book.GetSize(); ++i)
        labels << book.GetAt(i).m_strLabel;
    return labels;
}

CAddressBook LoadedBook() {
    CAddressBook book;
    book.LoadAddressBook();
    return book;
}

mode_t Mode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

class TestAddressBook : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExample() {
        CTestEnvironment env;
        QVERIFY(QDir(env.DataHome()).removeRecursively());
        CAddressBook book = LoadedBook();
        // The folder is made on the first start, the file with the first add.
        QVERIFY(QFileInfo(env.DataHome() + QStringLiteral("/Pelvaro")).isDir());
        QVERIFY(!QFile::exists(env.BookPath()));
        book.AddAddress(
            CAddress(QStringLiteral("Home"), QStringLiteral("12 Oak Lane\r\nRiverton")));
        QCOMPARE(ReadWholeFile(env.BookPath()).toHex(' '), kWorkedExample.toHex(' '));
        // The same record in the 8-bit form loads alike; the first save
        // writes the whole book in the 16-bit form.
        QVERIFY(WriteWholeFile(env.BookPath(),
                               Hex("01000000 04 486F6D65 15") + "12 Oak Lane\r\nRiverton"));
        book = LoadedBook();
        QCOMPARE(book.GetAt(0).m_strAddress, QStringLiteral("12 Oak Lane\r\nRiverton"));
        book.SaveAddressBook();
        QCOMPARE(ReadWholeFile(env.BookPath()), kWorkedExample);
        // 0xFFFE after the marker would read as a second marker where the
        // book comes from: a string of 65534 units takes the 32-bit step.
        book.SetAddressAt(0, QString(65534, u'x'));
        QCOMPARE(book.ToBytes().mid(16, 10), Hex("FF FE FF FF FF FF FE FF 00 00"));
    }

    // A book that does not hold what its count says reads as far as the
    // count or the break, is kept beside the first save after the load, and
    // never over a backup made before. Four zero bytes are the empty book.
    void damagedBooksAreKept_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QString>("problem");
        const QByteArray five = BookBytes({"a", "b", "c", "d", "e"}).mid(4);
        const QString unread = QStringLiteral(", which could not be read");
        QTest::newRow("count -1") << Hex("FFFFFFFF") + five << QStringList{}
                                  << "it counts -1 entries, but 5 more follow" + unread;
        QTest::newRow("count -1 alone")
            << Hex("FFFFFFFF") << QStringList{} << "it counts -1 entries, but none could be read";
        QTest::newRow("count 0") << Hex("00000000") + five << QStringList{}
                                 << "it counts 0 entries, but 5 more follow" + unread;
        QTest::newRow("count 2") << Hex("02000000") + five << QStringList{"a", "b"}
                                 << "it counts 2 entries, but 3 more follow" + unread;
        QTest::newRow("bytes after the last")
            << BookBytes({"a"}) + "garbage" << QStringList{"a"}
            << "it counts 1 entry, but 7 bytes follow them" + unread;
        QTest::newRow("no count") << Hex("0100") << QStringList{}
                                  << "it ends before its count of entries";
        QTest::newRow("empty book") << Hex("00000000") << QStringList{} << QString();
        // Counts and lengths beyond the file end the load at once.
        const QString first = QStringLiteral("it counts 2147483647 entries, but only the first 1 "
                                             "could be read");
        for (const char* rest : {"FFFEFF01 6300 FFFEFF05 33",    // 'c' and half its address
                                 "FFFEFFFFFFFFFFFFFF7F",         // 0x7FFFFFFF units
                                 "FFFEFFFFFFFFFFFEFFFF80 4100"}) // bytes beyond 32 bits
            QTest::newRow(rest) << Hex("FFFFFF7F") + five.first(10) + Hex(rest) << QStringList{"a"}
                                << first;
    }
    void damagedBooksAreKept() {
        QFETCH(QByteArray, file);
        QFETCH(QString, problem);
        CTestEnvironment env;
        const QString path = env.BookPath();
        if (!problem.isEmpty())
            problem = QStringLiteral("The address book %1 is damaged: %2.").arg(path, problem);
        for (const QString& backup : {path + ".bak", path + ".bak.1"}) {
            QVERIFY(WriteWholeFile(path, file));
            CAddressBook book = LoadedBook();
            QTEST(Labels(book), "labels");
            QCOMPARE(book.LoadProblem(), problem);
            book.AddAddress(CAddress(QStringLiteral("z"), QString()));
            const QString kept = " The file as it was is kept as " + backup + '.';
            QCOMPARE(book.BackupNote(), problem.isEmpty() ? problem : problem + kept);
            QCOMPARE(ReadWholeFile(backup), problem.isEmpty() ? QByteArray() : file);
            QVERIFY(backup.endsWith('1') || WriteWholeFile(backup, "older"));
        }
        QCOMPARE(ReadWholeFile(path + ".bak"), "older");
    }

    // What another program writes is read again before the next change;
    // the book's own saves, and a file that is gone, are no reason to.
    void changesOnDiskAreReadAgain() {
        CTestEnvironment env;
        CAddressBook window = LoadedBook();
        window.AddAddress(CAddress(QStringLiteral("a"), QString()));
        QVERIFY(!window.ReloadIfChangedOnDisk());
        CAddressBook tool = LoadedBook();
        tool.AddAddress(CAddress(QStringLiteral("b"), QString()));
        QVERIFY(window.ReloadIfChangedOnDisk());
        window.AddAddress(CAddress(QStringLiteral("c"), QString()));
        QCOMPARE(ReadWholeFile(env.BookPath()), BookBytes({"a", "b", "c"}));
        QVERIFY(QFile::remove(env.BookPath()));
        QVERIFY(!window.ReloadIfChangedOnDisk());
        QCOMPARE(Labels(window), QStringList({"a", "b", "c"}));
    }

    // The window reads the book ahead while it builds itself. Its load
    // takes that read while the file is still the one read, and never an
    // older book that another program has since replaced.
    void bookReadAheadIsTheFileAsItIs() {
        CTestEnvironment env;
        QVERIFY(WriteWholeFile(env.BookPath(), BookBytes({"a", "b"})));
        CAddressBook::PrefetchAddressBook();
        QCOMPARE(Labels(LoadedBook()), QStringList({"a", "b"}));
        CAddressBook::PrefetchAddressBook();
        QTest::qWait(300); // the read ahead is done
        QVERIFY(WriteWholeFile(env.BookPath(), BookBytes({"c"})));
        QCOMPARE(Labels(LoadedBook()), QStringList({"c"}));
    }

    // A book that is there but cannot be read is no empty book: the first
    // save keeps it aside, whole.
    void unreadableBookIsKept_data() {
        QTest::addColumn<bool>("tooLarge");
        QTest::newRow("no descriptor left to open it") << false;
        QTest::newRow("too large for memory") << true;
    }
    void unreadableBookIsKept() {
        QFETCH(bool, tooLarge);
        if (tooLarge && ReadWholeFile("/proc/sys/vm/overcommit_memory").trimmed() == "1")
            QSKIP("this system grants any allocation, so no book is too large for memory");
        CTestEnvironment env;
        QVERIFY(WriteWholeFile(env.BookPath(), BookBytes({"a"})));
        // Two terabytes, nearly all of it a hole in the file.
        const qint64 size = tooLarge ? qint64(2) << 40 : BookBytes({"a"}).size();
        QVERIFY(QFile::resize(env.BookPath(), size));
        struct rlimit old {};
        getrlimit(RLIMIT_NOFILE, &old);
        struct rlimit limited = {tooLarge ? old.rlim_cur : 64, old.rlim_max};
        setrlimit(RLIMIT_NOFILE, &limited);
        QList<int> used;
        for (int fd = ::dup(0); !tooLarge && fd >= 0; fd = ::dup(0))
            used.append(fd);
        CAddressBook book = LoadedBook();
        for (int fd : used)
            ::close(fd);
        setrlimit(RLIMIT_NOFILE, &old);
        QCOMPARE(book.GetSize(), 0);
        book.AddAddress(CAddress(QStringLiteral("b"), QString()));
        QCOMPARE(QFileInfo(env.BookPath() + QStringLiteral(".bak")).size(), size);
        QCOMPARE(ReadWholeFile(env.BookPath()), BookBytes({"b"}));
    }

    // Folders Pelvaro makes are 0700 and its files 0600, the book's and the
    // settings'; what the user set stays. A folder that anyone may write to
    // is not used.
    void filesAndFoldersArePrivate() {
        CTestEnvironment env;
        const mode_t oldMask = ::umask(022);
        QVERIFY(QDir(env.Root()).removeRecursively());
        qputenv("XDG_DATA_HOME", QFile::encodeName(env.DataHome() + QStringLiteral("/deeper")));
        g_created.clear();
        CAddressBook book = LoadedBook();
        book.AddAddress(CAddress(QStringLiteral("a"), QStringLiteral("1 Main Street")));
        const CRegistryFile settings;
        QVERIFY(settings.Update([](CRegistryHive& hive) { return hive.CreateKey("HKEY_USERS"); }));
        mode_t lock = 0;
        book.Edit([&] { return lock = Mode(book.AddressBookPath() + ".lock"), false; });
        ::umask(oldMask);
        QCOMPARE(lock, mode_t(0600));
        // Temporary files included, from the moment they are made; a lock
        // holds no addresses.
        QVERIFY(g_created.size() >= 2);
        for (const auto& [path, mode] : std::as_const(g_created))
            QVERIFY2(!path.startsWith(QFile::encodeName(env.Root())) || path.endsWith(".lock") ||
                         mode == 0600,
                     path);
        for (const QString& folder : {env.DataHome(), env.DataHome() + "/deeper/Pelvaro",
                                      env.ConfigHome(), QFileInfo(settings.Path()).path()})
            QCOMPARE(Mode(folder), mode_t(0700));
        QVERIFY(Mode(book.AddressBookPath()) == 0600 && Mode(settings.Path()) == 0600);
        QVERIFY(::chmod(QFile::encodeName(book.AddressBookPath()).constData(), 0644) == 0);
        book.AddAddress(CAddress(QStringLiteral("b"), QString()));
        QCOMPARE(Mode(book.AddressBookPath()), mode_t(0644));

        QVERIFY(::chmod(QFile::encodeName(env.DataHome() + "/deeper/Pelvaro").constData(), 0777) ==
                0);
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(env.Root()));
        QCOMPARE(LoadedBook().AddressBookPath(), env.Root() + QStringLiteral("/Addresses.plv"));
        qputenv("HOME", home);
    }

    // New entries go before the first entry that is not smaller, by UTF-16
    // units, in a book as the file has it.
    void labelOrder() {
        const std::tuple<QStringList, QStringList, QStringList> cases[] = {
            {{}, {"beta", "alpha", "Gamma", "Zoe"}, {"Gamma", "Zoe", "alpha", "beta"}},
            {{}, {"Home ", "Home", "Hom"}, {"Hom", "Home", "Home "}}, // shorter first
            {{"c", "a", "e"}, {"b", "d"}, {"b", "c", "a", "d", "e"}}, // an unsorted book
            {{"x"}, {"x"}, {"x", "x"}}};                              // before an equal one
        for (const auto& [stored, added, expected] : cases) {
            CTestEnvironment env;
            QVERIFY(WriteWholeFile(env.BookPath(), BookBytes(stored)));
            CAddressBook book = LoadedBook();
            for (const QString& label : added)
                book.AddAddress(CAddress(label, QStringLiteral("new")));
            QCOMPARE(Labels(LoadedBook()), expected);
            QCOMPARE(LoadedBook().GetAt(0).m_strAddress,
                     QStringLiteral("new")); // the added one first
        }
    }

    // Each length form at its edges, written and read back, and the 8-bit
    // form read at the edge of its one-byte length.
    void stringLengths_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("254") << 254 << Hex("FFFEFF FE");
        QTest::newRow("255") << 255 << Hex("FFFEFF FF FF00");
        QTest::newRow("65533") << 65533 << Hex("FFFEFF FF FDFF");
        QTest::newRow("65534") << 65534 << Hex("FFFEFF FF FFFF FEFF0000");
        QTest::newRow("70000") << 70000 << Hex("FFFEFF FF FFFF 70110100");
    }
    void stringLengths() {
        QFETCH(int, length);
        CAddressBook book;
        const QString label(length, u'x');
        book.InsertAddress(CAddress(label, QStringLiteral("a")));
        const QByteArray bytes = book.ToBytes();
        QTEST(bytes.mid(4, bytes.size() - 4 - qsizetype(length) * 2 - 6), "prefix");
        QVERIFY(book.LoadFromBytes(bytes) && book.GetSize() == 1);
        QCOMPARE(book.GetAt(0).m_strLabel, label);
        if (length < 255) {
            QVERIFY(book.LoadFromBytes(Hex("01000000") + char(length) + QByteArray(length, 'y') +
                                       Hex("00")));
            QCOMPARE(book.GetAt(0).m_strLabel, QString(length, u'y'));
        }
    }

    // Labels are the same up to their first U+0000; an index just past the
    // end is refused before anything changes.
    void labelsAndIndexes() {
        CAddressBook book;
        book.InsertAddress(CAddress(QStringLiteral("Home\0one"), QStringLiteral("1 Road")));
        QCOMPARE(book.FindLabel(QStringLiteral("Home\0two")), 0);
        QVERIFY(!book.IsLabelUnique(QStringLiteral("Home")));
        QVERIFY(book.IsLabelUnique(QStringLiteral("Home ")));
        QVERIFY_THROWS_EXCEPTION(CInvalidArgException, book.SetAddressAt(1, QString()));
        QVERIFY_THROWS_EXCEPTION(CInvalidArgException, book.RemoveAt(1));
        QCOMPARE(book.GetSize(), 1);
        QCOMPARE(book.GetAt(0).m_strAddress, QStringLiteral("1 Road"));
    }

    // A file size limit stands for a full disk without needing root.
    void fullDiskKeepsTheOldFile() {
        CTestEnvironment env;
        CAddressBook book = LoadedBook();
        book.AddAddress(CAddress(QStringLiteral("small"), QStringLiteral("1 Short Road")));
        const QByteArray fits = ReadWholeFile(env.BookPath());
        const QString linked = env.Root() + QStringLiteral("/linked.plv");
        const QByteArray damaged = Hex("05000000") + QByteArray(qsizetype(20) << 10, '\0');
        QVERIFY(WriteWholeFile(linked, damaged) && QFile::link(linked, env.BookPath() + ".link"));
        CAddressBook other;
        other.SetAddressBookPath(env.BookPath() + ".link");
        other.ReloadIfChangedOnDisk();
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = old;
        limited.rlim_cur = rlim_t(16) << 10;
        setrlimit(RLIMIT_FSIZE, &limited);
        const auto failure = [](CAddressBook& to, const QString& address) {
            try {
                to.AddAddress(CAddress(QStringLiteral("b"), address));
            } catch (const CFileException& e) {
                return e.GetErrorMessage();
            }
            return QString();
        };
        const QString message = failure(book, QString(qsizetype(200) << 10, QLatin1Char('x')));
        // A damaged book that cannot be kept (a link, so it is copied) stays.
        const QString unkept = failure(other, QString());
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(message, QStringLiteral("Disk full while accessing %1.").arg(env.BookPath()));
        QCOMPARE(unkept,
                 QStringLiteral("Disk full while accessing %1.link.bak.").arg(env.BookPath()));
        QVERIFY(ReadWholeFile(linked) == damaged &&
                QFileInfo(env.BookPath() + ".link").isSymLink());
        // The old file stays, and no temporary file fills the disk further.
        QCOMPARE(ReadWholeFile(env.BookPath()), fits);
        QCOMPARE(QDir(QFileInfo(env.BookPath()).path()).entryList(QDir::Files),
                 QStringList({"Addresses.plv", "Addresses.plv.link"}));
    }
};

QTEST_GUILESS_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
