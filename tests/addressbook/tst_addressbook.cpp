#include "addressbook.h"
#include "archive.h"
#include "fileexception.h"
#include "testenvironment.h"

#include <QtTest>

#include <sys/resource.h>

#include <csignal>

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

// A book file with these labels, in this order, and empty addresses.
QByteArray BookBytes(const QStringList& labels) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, QString());
    ar.WriteInt32(static_cast<qint32>(labels.size()));
    for (const QString& label : labels) {
        ar.WriteString(label);
        ar.WriteString(QString());
    }
    ar.Flush();
    return bytes;
}

CAddressBook LoadedBook() {
    CAddressBook book;
    book.LoadAddressBook();
    return book;
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

    // What is whole is read; counts and lengths beyond the file end the
    // load at once, allocating nothing.
    void damagedFilesLoadWhatIsWhole() {
        const QByteArray a = Hex("FFFEFF01 6100 FFFEFF01 3100");
        for (const char* rest : {"FFFEFF01 6300 FFFEFF05 33",      // 'c' and half its address
                                 "FFFEFFFFFFFFFFFFFF7F",           // 0x7FFFFFFF units
                                 "FFFEFFFFFFFFFFFEFFFF80 4100"}) { // bytes beyond 32 bits
            CTestEnvironment env;
            // A count of 2^31-1 records, with the one that is whole.
            QVERIFY(WriteWholeFile(env.BookPath(), Hex("FFFFFF7F") + a + Hex(rest)));
            QCOMPARE(Labels(LoadedBook()), QStringList{"a"});
        }
    }

    void whatIsDroppedAndWhatIsKept() {
        CTestEnvironment env;
        const QString backup = env.BookPath() + QStringLiteral(".bak");
        // Bytes after the last record are dropped by the next save, unkept.
        QVERIFY(WriteWholeFile(env.BookPath(), BookBytes({"a"}) + "trailing garbage"));
        CAddressBook book = LoadedBook();
        book.SaveAddressBook();
        QCOMPARE(ReadWholeFile(env.BookPath()), BookBytes({"a"}));
        QVERIFY(!QFile::exists(backup));
        // A file that broke off is kept beside the first save after it, once.
        const QByteArray damaged = Hex("03000000") + BookBytes({"a"}).mid(4) + Hex("FFFEFF07 41");
        QVERIFY(WriteWholeFile(env.BookPath(), damaged));
        book = LoadedBook();
        book.AddAddress(CAddress(QStringLiteral("b"), QString()));
        QCOMPARE(ReadWholeFile(backup), damaged);
        QCOMPARE(ReadWholeFile(env.BookPath()), BookBytes({"a", "b"}));
        QVERIFY(QFile::remove(backup));
        book.AddAddress(CAddress(QStringLiteral("c"), QString()));
        QVERIFY(!QFile::exists(backup));
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

    // A file size limit stands for a full disk without needing root.
    void fullDiskKeepsTheOldFile() {
        CTestEnvironment env;
        CAddressBook book = LoadedBook();
        book.AddAddress(CAddress(QStringLiteral("small"), QStringLiteral("1 Short Road")));
        const QByteArray fits = ReadWholeFile(env.BookPath());
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = old;
        limited.rlim_cur = 16 * 1024;
        setrlimit(RLIMIT_FSIZE, &limited);
        QString message;
        try {
            book.AddAddress(CAddress(QStringLiteral("big"), QString(200 * 1024, QLatin1Char('x'))));
        } catch (const CFileException& e) {
            message = e.GetErrorMessage();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(message, QStringLiteral("Disk full while accessing %1.").arg(env.BookPath()));
        // The old file stays, and no temporary file fills the disk further.
        QCOMPARE(ReadWholeFile(env.BookPath()), fits);
        QCOMPARE(QDir(QFileInfo(env.BookPath()).path()).entryList(QDir::Files),
                 QStringList{"Addresses.plv"});
    }
};

QTEST_GUILESS_MAIN(TestAddressBook)
#include "tst_addressbook.moc"
