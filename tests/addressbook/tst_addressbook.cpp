#include "addressbook.h"
#include "fileexception.h"
#include "invalidargexception.h"
#include "testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <sys/resource.h>

#include <csignal>
#include <memory>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

const QString kHomeAddress = QStringLiteral("12 Oak Lane\r\nRiverton");

// The worked example: one record, Home / 12 Oak Lane CR LF Riverton.
QByteArray WorkedExample() {
    return Hex("01000000"
               "FFFEFF 04 48006F006D006500"
               "FFFEFF 15 31003200200 04F0061006B00200 04C0061006E006500 0D000A00"
               "52006900760065007200740 06F006E00");
}

QStringList Labels(const CAddressBook& book) {
    QStringList labels;
    for (int i = 0; i < book.GetSize(); ++i)
        labels << book.GetAt(i).m_strLabel;
    return labels;
}

QString BookPath(const CTestEnvironment& env) {
    return env.DataHome() + QStringLiteral("/Pelvaro/Addresses.plv");
}

} // namespace

class TestAddressBook : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void workedExampleBytes();
    void eightBitFormOfTheWorkedExample();
    void firstRunCreatesTheFolderAndTheFirstAddCreatesTheFile();
    void dataFolderWithTrailingSeparatorGetsNoSecond();
    void damagedFilesLoadWhatIsWhole_data();
    void damagedFilesLoadWhatIsWhole();
    void hugeCountsAndLengthsAreCheap();
    void bytesAfterTheLastRecordAreDroppedByTheNextSave();
    void damagedFileIsKeptBesideTheFirstSave();
    void labelOrder_data();
    void labelOrder();
    void addIntoAnUnsortedBook();
    void duplicateLabelsActOnTheFirst();
    void recordAccessOutsideTheBookChangesNothing();
    void deletingTheOnlyRecordLeavesFourZeroBytes();
    void readOnlyFileKeepsItsContents();
    void fullDiskKeepsTheOldFile();
    void locationMessage();
};

void TestAddressBook::workedExampleBytes() {
    CTestEnvironment env;
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("Home"), kHomeAddress));
    const QByteArray bytes = ReadWholeFile(book.AddressBookPath());
    QCOMPARE(bytes.size(), 62);
    QCOMPARE(bytes.toHex(' '), WorkedExample().toHex(' '));

    CAddressBook again;
    again.LoadAddressBook();
    QCOMPARE(again.GetSize(), 1);
    QCOMPARE(again.GetAt(0).m_strAddress, kHomeAddress);
}

void TestAddressBook::eightBitFormOfTheWorkedExample() {
    CTestEnvironment env;
    QByteArray bytes = Hex("01000000 04 486F6D65 15");
    bytes += "12 Oak Lane\r\nRiverton";
    QCOMPARE(bytes.size(), 31);
    QVERIFY(WriteWholeFile(BookPath(env), bytes));

    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(Labels(book), QStringList{QStringLiteral("Home")});
    QCOMPARE(book.GetAt(0).m_strAddress, kHomeAddress);
    QVERIFY(!book.LoadWasIncomplete());

    // The first change converts the whole book to the 16-bit form.
    book.SetAddressAt(0, kHomeAddress);
    book.SaveAddressBook();
    QCOMPARE(ReadWholeFile(BookPath(env)), WorkedExample());
}

void TestAddressBook::firstRunCreatesTheFolderAndTheFirstAddCreatesTheFile() {
    CTestEnvironment env;
    QVERIFY(QDir(env.DataHome()).removeRecursively());
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(book.GetSize(), 0);
    QVERIFY(QFileInfo(env.DataHome() + QStringLiteral("/Pelvaro")).isDir());
    QVERIFY(!QFile::exists(BookPath(env)));
    QCOMPARE(book.AddressBookPath(), BookPath(env));

    book.AddAddress(CAddress(QStringLiteral("a"), QString()));
    QCOMPARE(ReadWholeFile(BookPath(env)), Hex("01000000 FFFEFF01 6100 FFFEFF00"));
}

void TestAddressBook::dataFolderWithTrailingSeparatorGetsNoSecond() {
    CTestEnvironment env;
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.DataHome() + QLatin1Char('/')));
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(book.AddressBookPath(), BookPath(env));
    QVERIFY(!book.LocationMessage().contains(QStringLiteral("//")));
    QVERIFY(book.DataFolder().endsWith(QStringLiteral("/Pelvaro/")));
}

void TestAddressBook::damagedFilesLoadWhatIsWhole_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("labels");

    const QByteArray a = Hex("FFFEFF01 6100 FFFEFF01 3100");
    const QByteArray b = Hex("FFFEFF01 6200 FFFEFF01 3200");
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("three bytes") << Hex("010000") << QStringList();
    QTest::newRow("count 0 with records") << Hex("00000000") + a << QStringList();
    QTest::newRow("negative count") << Hex("FFFFFFFF") + a << QStringList();
    QTest::newRow("five promised, two and a half there")
        << Hex("05000000") + a + b + Hex("FFFEFF01 6300 FFFEFF05 33") << QStringList{"a", "b"};
    QTest::newRow("label read, address missing")
        << Hex("02000000") + a + Hex("FFFEFF01 6300") << QStringList{"a"};
    QTest::newRow("64-bit length too large")
        << Hex("02000000") + a + Hex("FFFFFFFFFFFFFF 0000008000000000") << QStringList{"a"};
}

void TestAddressBook::damagedFilesLoadWhatIsWhole() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, labels);
    CTestEnvironment env;
    QVERIFY(WriteWholeFile(BookPath(env), bytes));
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(Labels(book), labels);
}

void TestAddressBook::hugeCountsAndLengthsAreCheap() {
    // A 20-byte file that claims 2^31-1 records, then a string of
    // 0x7FFFFFFF units: both must end at once, with no large allocation.
    CTestEnvironment env;
    QByteArray bytes = Hex("FFFFFF7F FFFEFF01 6100 FFFEFF00");
    bytes += Hex("FFFEFFFFFFFFFFFFFF7F");
    QCOMPARE(bytes.size(), 4 + 6 + 4 + 10);
    QVERIFY(WriteWholeFile(BookPath(env), bytes));

    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(Labels(book), QStringList{QStringLiteral("a")});
    QVERIFY(book.LoadWasIncomplete());
}

void TestAddressBook::bytesAfterTheLastRecordAreDroppedByTheNextSave() {
    CTestEnvironment env;
    QByteArray bytes = Hex("01000000 FFFEFF01 6100 FFFEFF00");
    QVERIFY(WriteWholeFile(BookPath(env), bytes + "trailing garbage"));
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(book.GetSize(), 1);
    QVERIFY(!book.LoadWasIncomplete());
    book.SaveAddressBook();
    QCOMPARE(ReadWholeFile(BookPath(env)), bytes);
    QVERIFY(!QFile::exists(BookPath(env) + QStringLiteral(".bak")));
}

void TestAddressBook::damagedFileIsKeptBesideTheFirstSave() {
    CTestEnvironment env;
    const QByteArray damaged = Hex("03000000 FFFEFF01 6100 FFFEFF00 FFFEFF07 41");
    QVERIFY(WriteWholeFile(BookPath(env), damaged));
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(book.GetSize(), 1);
    book.AddAddress(CAddress(QStringLiteral("b"), QString()));
    QCOMPARE(ReadWholeFile(BookPath(env) + QStringLiteral(".bak")), damaged);
    QCOMPARE(ReadWholeFile(BookPath(env)),
             Hex("02000000 FFFEFF01 6100 FFFEFF00 FFFEFF01 6200 FFFEFF00"));

    // Only the first save after the damaged load keeps a copy.
    QVERIFY(QFile::remove(BookPath(env) + QStringLiteral(".bak")));
    book.AddAddress(CAddress(QStringLiteral("c"), QString()));
    QVERIFY(!QFile::exists(BookPath(env) + QStringLiteral(".bak")));
}

void TestAddressBook::labelOrder_data() {
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("ordinal, upper case first")
        << QStringList{"beta", "alpha", "Gamma"} << QStringList{"Gamma", "alpha", "beta"};
    QTest::newRow("case makes a different label")
        << QStringList{"home", "Home"} << QStringList{"Home", "home"};
    QTest::newRow("Zoe before adam") << QStringList{"adam", "Zoe"} << QStringList{"Zoe", "adam"};
    QTest::newRow("shorter first, space counts")
        << QStringList{"Home ", "Home", "Hom"} << QStringList{"Hom", "Home", "Home "};
    QTest::newRow("code units, not code points")
        << QStringList{QString::fromUtf16(u"\uFF21"), QString::fromUtf16(u"\U0001F600")}
        << QStringList{QString::fromUtf16(u"\U0001F600"), QString::fromUtf16(u"\uFF21")};
    QTest::newRow("equal label goes before the first equal")
        << QStringList{"x", "x"} << QStringList{"x", "x"};
}

void TestAddressBook::labelOrder() {
    QFETCH(QStringList, added);
    QFETCH(QStringList, expected);
    CTestEnvironment env;
    CAddressBook book;
    book.LoadAddressBook();
    for (int i = 0; i < added.size(); ++i)
        book.AddAddress(CAddress(added[i], QString::number(i)));
    QCOMPARE(Labels(book), expected);

    CAddressBook reloaded;
    reloaded.LoadAddressBook();
    QCOMPARE(Labels(reloaded), expected);
    if (added == QStringList{"x", "x"})
        QCOMPARE(reloaded.GetAt(0).m_strAddress, QStringLiteral("1"));
}

void TestAddressBook::addIntoAnUnsortedBook() {
    CTestEnvironment env;
    // c, a, e as the file holds them: loading keeps that order.
    QVERIFY(WriteWholeFile(BookPath(env), Hex("03000000"
                                              "FFFEFF01 6300 FFFEFF00"
                                              "FFFEFF01 6100 FFFEFF00"
                                              "FFFEFF01 6500 FFFEFF00")));
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(Labels(book), (QStringList{"c", "a", "e"}));
    book.AddAddress(CAddress(QStringLiteral("b"), QString()));
    QCOMPARE(Labels(book), (QStringList{"b", "c", "a", "e"}));
    book.AddAddress(CAddress(QStringLiteral("d"), QString()));
    QCOMPARE(Labels(book), (QStringList{"b", "c", "a", "d", "e"}));
}

void TestAddressBook::duplicateLabelsActOnTheFirst() {
    CTestEnvironment env;
    QVERIFY(WriteWholeFile(BookPath(env), Hex("02000000"
                                              "FFFEFF01 6100 FFFEFF01 3100"
                                              "FFFEFF01 6100 FFFEFF01 3200")));
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(book.GetSize(), 2);
    QCOMPARE(book.FindLabel(QStringLiteral("a")), 0);
    QVERIFY(!book.IsLabelUnique(QStringLiteral("a")));
    QVERIFY(book.IsLabelUnique(QStringLiteral("A")));
    QCOMPARE(book.FindLabel(QStringLiteral("A")), -1);
    // Comparison stops at a U+0000, as the labels' own ends do.
    QCOMPARE(book.FindLabel(QStringLiteral("a") + QChar(u'\0') + QStringLiteral("z")), 0);
}

void TestAddressBook::recordAccessOutsideTheBookChangesNothing() {
    CTestEnvironment env;
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("a"), QStringLiteral("1")));
    const QByteArray before = ReadWholeFile(BookPath(env));
    for (int index : {-1, 1, 100}) {
        QVERIFY_THROWS_EXCEPTION(CInvalidArgException,
                                 book.SetAddressAt(index, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(CInvalidArgException, book.RemoveAt(index));
        QVERIFY_THROWS_EXCEPTION(CInvalidArgException, book.GetAt(index));
    }
    QCOMPARE(book.GetSize(), 1);
    QCOMPARE(book.GetAt(0).m_strAddress, QStringLiteral("1"));
    QCOMPARE(ReadWholeFile(BookPath(env)), before);
    QCOMPARE(CInvalidArgException().GetErrorMessage(),
             QStringLiteral("Encountered an improper argument."));
}

void TestAddressBook::deletingTheOnlyRecordLeavesFourZeroBytes() {
    CTestEnvironment env;
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("Home"), kHomeAddress));
    book.RemoveAt(book.FindLabel(QStringLiteral("Home")));
    book.SaveAddressBook();
    QCOMPARE(ReadWholeFile(BookPath(env)), Hex("00000000"));
}

void TestAddressBook::readOnlyFileKeepsItsContents() {
    CTestEnvironment env;
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("a"), QString()));
    const QByteArray before = ReadWholeFile(BookPath(env));
    QVERIFY(QFile::setPermissions(BookPath(env), QFileDevice::ReadOwner));

    try {
        book.AddAddress(CAddress(QStringLiteral("b"), QString()));
        QFAIL("the save of a read-only file reported success");
    } catch (const CFileException& e) {
        QCOMPARE(e.GetErrorMessage(),
                 QStringLiteral("Access to %1 was denied.").arg(BookPath(env)));
    }
    // The change stays in memory, the file stays as it was.
    QCOMPARE(Labels(book), (QStringList{"a", "b"}));
    QCOMPARE(ReadWholeFile(BookPath(env)), before);
}

// A file size limit stands for a full disk without needing root; the
// reliability harness fills a real tmpfs as well.
void TestAddressBook::fullDiskKeepsTheOldFile() {
    CTestEnvironment env;
    const QString folder = env.DataHome() + QStringLiteral("/Pelvaro");

    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("small"), QStringLiteral("1 Short Road")));
    book.AddAddress(CAddress(QStringLiteral("a"), QString()));
    const QByteArray fits = ReadWholeFile(BookPath(env));

    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 16 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    bool diskFull = false;
    QString message;
    try {
        book.AddAddress(CAddress(QStringLiteral("big"), QString(200 * 1024, QLatin1Char('x'))));
    } catch (const CFileException& e) {
        diskFull = e.GetCause() == FileErrorCause::DiskFull;
        message = e.GetErrorMessage();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(diskFull);
    QCOMPARE(message, QStringLiteral("Disk full while accessing %1.").arg(BookPath(env)));
    QCOMPARE(ReadWholeFile(BookPath(env)), fits);
    QCOMPARE(book.GetSize(), 3);
    // No temporary file is left behind to fill the disk further.
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("Addresses.plv")});
}

void TestAddressBook::locationMessage() {
    CTestEnvironment env;
    CAddressBook book;
    book.LoadAddressBook();
    QCOMPARE(book.LocationMessage(),
             QStringLiteral("The address book is stored in the file ") + BookPath(env));
}

QTEST_GUILESS_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
