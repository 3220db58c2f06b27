#include "addressbook.h"
#include "appdatafolder.h"
#include "fileexception.h"
#include "registryfile.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// A book too large for memory must fail to be allocated, not end the run.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

const QByteArray kOneRecord = Hex("01000000 FFFEFF01 6100 FFFEFF00");
// Promises three records and holds one and a half.
const QByteArray kDamaged = Hex("03000000 FFFEFF01 6100 FFFEFF00 FFFEFF07 41");

QString BookPath(const CTestEnvironment& env) {
    return env.DataHome() + QStringLiteral("/Pelvaro/Addresses.plv");
}

mode_t Mode(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

} // namespace

// The book's file, its backup and its folder: nothing lost, nothing exposed.
class TestBookFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backupThatCannotBeWrittenStopsTheSave();
    void bookThatCannotBeReadIsKept_data();
    void bookThatCannotBeReadIsKept();
    void newFilesAndFoldersArePrivate();
    void neverAFolderOthersCanWrite();
};

void TestBookFiles::backupThatCannotBeWrittenStopsTheSave() {
    CTestEnvironment env;
    QVERIFY(WriteWholeFile(BookPath(env), kDamaged));
    // Something that cannot be replaced stands where the backup goes.
    QVERIFY(QDir().mkpath(BookPath(env) + QStringLiteral(".bak/old")));
    CAddressBook book;
    book.LoadAddressBook();
    QVERIFY(book.LoadWasIncomplete());
    try {
        book.AddAddress(CAddress(QStringLiteral("b"), QString()));
        QFAIL("the save went on without a backup of the damaged book");
    } catch (const CFileException& e) {
        QCOMPARE(e.GetErrorMessage(),
                 QStringLiteral("Access to %1.bak was denied.").arg(BookPath(env)));
    }
    QCOMPARE(ReadWholeFile(BookPath(env)), kDamaged);
    QCOMPARE(QDir(env.DataHome() + QStringLiteral("/Pelvaro")).entryList(QDir::Files),
             QStringList{QStringLiteral("Addresses.plv")});
}

void TestBookFiles::bookThatCannotBeReadIsKept_data() {
    QTest::addColumn<bool>("tooLarge");
    QTest::newRow("cannot be opened") << false;
    QTest::newRow("too large for memory") << true;
}

void TestBookFiles::bookThatCannotBeReadIsKept() {
    QFETCH(bool, tooLarge);
    if (tooLarge && ReadWholeFile("/proc/sys/vm/overcommit_memory").trimmed() == "1")
        QSKIP("this system grants any allocation, so no book is too large for memory");
    CTestEnvironment env;
    QVERIFY(WriteWholeFile(BookPath(env), kOneRecord));
    // Two terabytes, nearly all of it a hole in the file.
    const qint64 size = tooLarge ? qint64(2) << 40 : kOneRecord.size();
    QVERIFY(QFile::resize(BookPath(env), size));
    // Otherwise every descriptor is in use, whoever runs the test.
    struct rlimit old {};
    getrlimit(RLIMIT_NOFILE, &old);
    struct rlimit limited = {tooLarge ? old.rlim_cur : 64, old.rlim_max};
    setrlimit(RLIMIT_NOFILE, &limited);
    QList<int> used;
    for (int fd = ::dup(0); !tooLarge && fd >= 0; fd = ::dup(0))
        used.append(fd);
    CAddressBook book;
    book.LoadAddressBook();
    for (int fd : used)
        ::close(fd);
    setrlimit(RLIMIT_NOFILE, &old);
    QVERIFY(book.LoadWasIncomplete());
    QCOMPARE(book.GetSize(), 0);

    book.AddAddress(CAddress(QStringLiteral("b"), QString()));
    QCOMPARE(QFileInfo(BookPath(env) + QStringLiteral(".bak")).size(), size);
    QCOMPARE(ReadWholeFile(BookPath(env)), Hex("01000000 FFFEFF01 6200 FFFEFF00"));
}

// Folders 0700 and files 0600, for the book and for the settings.
void TestBookFiles::newFilesAndFoldersArePrivate() {
    CTestEnvironment env;
    const mode_t oldMask = ::umask(022);
    QVERIFY(QDir(env.Root()).removeRecursively());
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.DataHome() + QStringLiteral("/deeper")));
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("a"), QStringLiteral("1 Main Street")));
    const CRegistryFile settings;
    QVERIFY(
        settings.Update([](CRegistryHive& hive) { return hive.CreateKey("HKEY_CURRENT_USER"); }));
    for (const QString& folder :
         {env.DataHome(), env.DataHome() + QStringLiteral("/deeper/Pelvaro"), env.ConfigHome(),
          QFileInfo(settings.Path()).path()})
        QCOMPARE(Mode(folder), mode_t(0700));
    QCOMPARE(Mode(book.AddressBookPath()), mode_t(0600));
    QCOMPARE(Mode(settings.Path()), mode_t(0600));

    // What the user set stays.
    QVERIFY(::chmod(QFile::encodeName(book.AddressBookPath()).constData(), 0644) == 0);
    book.AddAddress(CAddress(QStringLiteral("b"), QString()));
    QCOMPARE(Mode(book.AddressBookPath()), mode_t(0644));
    ::umask(oldMask);
}

void TestBookFiles::neverAFolderOthersCanWrite() {
    CTestEnvironment env;
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(env.Root()));
    // A Pelvaro folder that anyone may write to, as another user could
    // have left it, is not used.
    QVERIFY(QDir().mkpath(env.DataHome() + QStringLiteral("/Pelvaro")));
    QVERIFY(::chmod(QFile::encodeName(env.DataHome() + QStringLiteral("/Pelvaro")).constData(),
                    0777) == 0);
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(book.AddressBookPath(), env.Root() + QStringLiteral("/Addresses.plv"));

    // Without HOME the home folder comes from the password database, never
    // from the shared temporary folder.
    qunsetenv("HOME");
    const passwd* entry = ::getpwuid(::geteuid());
    QVERIFY(entry);
    QCOMPARE(HomeFolder(), QFile::decodeName(entry->pw_dir));
    qputenv("HOME", home);
}

QTEST_GUILESS_MAIN(TestBookFiles)
#include "tst_bookfiles.moc"
