#include "addressbook.h"
#include "archive.h"
#include "fileexception.h"
#include "registryfile.h"
#include "registryhive.h"
#include "reliabilitydata.h"
#include "settingsstore.h"
#include "testenvironment.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace {

struct ResultRow {
    QString name;
    int trials = 0;
    int failures = 0;
    QString note;
};

QList<ResultRow>& Results() {
    static QList<ResultRow> rows;
    return rows;
}

// Adds the row to the closing table however the test ends.
class CResultRow {
public:
    explicit CResultRow(QString name) { m_row.name = std::move(name); }
    ~CResultRow() { Results().append(m_row); }
    CResultRow(const CResultRow&) = delete;
    CResultRow& operator=(const CResultRow&) = delete;

    void Trial() { ++m_row.trials; }
    void Failure(const QString& what) {
        ++m_row.failures;
        if (m_first.isEmpty())
            m_first = what;
    }
    void Note(const QString& note) { m_row.note = note; }
    int Failures() const { return m_row.failures; }
    const QString& FirstFailure() const { return m_first; }

private:
    ResultRow m_row;
    QString m_first;
};

int Trials() {
    bool ok = false;
    const int trials = qEnvironmentVariableIntValue("PELVARO_RELIABILITY_TRIALS", &ok);
    return ok && trials > 0 ? trials : 200;
}

QString WriterPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/reliability_writer");
}

void StartWriter(QProcess& process, const QStringList& arguments) {
    process.setProgram(WriterPath());
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start();
}

bool WaitUntilReady(QProcess& process) {
    QElapsedTimer timer;
    timer.start();
    while (!process.canReadLine()) {
        if (timer.hasExpired(30000) || !process.waitForReadyRead(1000)) {
            if (process.state() != QProcess::Running || timer.hasExpired(30000))
                return false;
        }
    }
    return process.readLine().trimmed() == kReliabilityReady;
}

// Kills the writer at a random moment, some saves into its run.
void KillSoon(QProcess& process) {
    ::usleep(QRandomGenerator::global()->bounded(15000u));
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished(10000);
}

bool RunsToTheEnd(QProcess& process) {
    return process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Files in the folder other than the ones expected there.
QStringList Strays(const QString& folder, const QStringList& expected) {
    QStringList strays = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : expected)
        strays.removeAll(name);
    return strays;
}

// How many files were left behind, and the first of their names.
QString StrayNote(const QStringList& strays) {
    return strays.isEmpty() ? QStringLiteral("0")
                            : QStringLiteral("%1 (%2)").arg(strays.size()).arg(strays.first());
}

// Points the settings store at a folder for as long as the object lives.
class CConfigHome {
public:
    explicit CConfigHome(const QString& folder) : m_old(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    }
    ~CConfigHome() { qputenv("XDG_CONFIG_HOME", m_old); }
    CConfigHome(const CConfigHome&) = delete;
    CConfigHome& operator=(const CConfigHome&) = delete;

private:
    QByteArray m_old;
};

// A tmpfs of 64 KiB mounted on a folder, so that the disk can be filled or
// made read-only without touching anything else. Needs root.
class CSmallDisk {
public:
    explicit CSmallDisk(const QString& folder) : m_folder(QFile::encodeName(folder)) {
        QDir().mkpath(folder);
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~CSmallDisk() {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    CSmallDisk(const CSmallDisk&) = delete;
    CSmallDisk& operator=(const CSmallDisk&) = delete;

    bool IsMounted() const { return m_mounted; }
    bool MakeReadOnly() {
        return ::mount("tmpfs", m_folder.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                       "size=64k") == 0;
    }
    // Takes every free block; true once a write found the disk full.
    bool Fill() {
        QFile filler(QFile::decodeName(m_folder) + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'f');
        for (int i = 0; i < 64; ++i) {
            if (filler.write(block) != block.size())
                return true;
        }
        return false;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

CSettingsStore Store() {
    return CSettingsStore(QString::fromLatin1(CSettingsStore::kCompanyName),
                          QStringLiteral("Pelvaro"));
}

const QString kSection = QString::fromLatin1(kReliabilitySection);
const QString kAddressEntry = QString::fromLatin1(kReliabilityAddressEntry);
const QString kDevModeName = QString::fromLatin1(kReliabilityDevModeName);
// Where the profile values and the raw values meet, as the program's file
// name makes the two paths one key.
const QString kKeyPath =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\Pelvaro\\Pelvaro");

// A string value's stored bytes: UTF-16LE with its terminating NUL.
QByteArray StringValue(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
}

} // namespace

class TestReliability : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void bookSurvivesKillsWhileSaving();
    void hiveSurvivesKillsWhileWriting();
    void namelessLockOfAKilledWriterIsBroken();
    void writeFailuresKeepTheOldFile_data();
    void writeFailuresKeepTheOldFile();
    void twoCopiesWritingSettingsLoseNothing();
    void twoCopiesSavingBooksLeaveOneWholeBook();
    void cleanupTestCase();
};

void TestReliability::initTestCase() {
    QVERIFY2(QFile::exists(WriterPath()), qPrintable(WriterPath()));
    QVERIFY(ReliabilityBook(0) != ReliabilityBook(1));
    QVERIFY(ReliabilityBook(1).size() > 2 * CArchive::kBufferSize);
}

void TestReliability::bookSurvivesKillsWhileSaving() {
    CResultRow row(QStringLiteral("book: writer killed while saving"));
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Addresses.plv");
    const QByteArray books[2] = {ReliabilityBook(0), ReliabilityBook(1)};
    QVERIFY(WriteWholeFile(path, books[0]));

    int ended[2] = {0, 0};
    const int trials = Trials();
    for (int trial = 0; trial < trials; ++trial) {
        QProcess writer;
        StartWriter(writer,
                    {QStringLiteral("book"), path, QStringLiteral("2"), QStringLiteral("0")});
        QVERIFY2(WaitUntilReady(writer), "the writer did not start saving");
        KillSoon(writer);
        row.Trial();

        const QByteArray bytes = ReadWholeFile(path);
        CAddressBook book;
        const bool whole = book.LoadFromBytes(bytes);
        const int which = bytes == books[0] ? 0 : bytes == books[1] ? 1 : -1;
        if (which < 0 || !whole) {
            row.Failure(QStringLiteral("trial %1: %2 bytes, %3 records, %4")
                            .arg(trial)
                            .arg(bytes.size())
                            .arg(book.GetSize())
                            .arg(whole ? "readable" : "damaged"));
            QVERIFY(WriteWholeFile(path, books[0]));
        } else {
            ++ended[which];
        }
    }
    // A killed save may leave its temporary file behind; those are left to
    // pile up, as they would, and must not stop the next save.
    const QStringList strays = Strays(dir.path(), {QStringLiteral("Addresses.plv")});
    row.Note(QStringLiteral("short book %1, long book %2, temporary files left %3")
                 .arg(ended[0])
                 .arg(ended[1])
                 .arg(StrayNote(strays)));
    QVERIFY2(row.Failures() == 0, qPrintable(row.FirstFailure()));

    CAddressBook book;
    book.SetAddressBookPath(path);
    book.LoadFromBytes(books[1]);
    book.SaveAddressBook();
    QCOMPARE(ReadWholeFile(path), books[1]);
}

void TestReliability::hiveSurvivesKillsWhileWriting() {
    CResultRow row(QStringLiteral("hive: writer killed while writing"));
    CTestEnvironment env;
    CSettingsStore store = Store();
    // Values the writer never touches, which every rewrite must carry along.
    const QString kept = QStringLiteral("7 Kept Road\r\nStill Here");
    const QByteArray keptFont(92, '\x2A');
    QVERIFY(store.WriteProfileString(kSection, QStringLiteral("LastReturnAddress"), kept));
    QVERIFY(store.WriteBinaryValue(QStringLiteral("ReturnAddressLogFont"), keptFont));
    QVERIFY(store.WriteProfileString(kSection, kAddressEntry, ReliabilityAddress(0)));
    QVERIFY(store.WriteBinaryValue(kDevModeName, ReliabilityDevMode(0)));
    const CRegistryFile file(CRegistryFile::DefaultPath());
    const QString folder = QFileInfo(file.Path()).absolutePath();
    const QStringList expected = {QStringLiteral("registry.reg")};

    qint64 slowestWrite = 0;
    const int trials = Trials();
    for (int trial = 0; trial < trials; ++trial) {
        QProcess writer;
        StartWriter(writer, {QStringLiteral("hive"), QStringLiteral("0")});
        QVERIFY2(WaitUntilReady(writer), "the writer did not start writing");
        KillSoon(writer);
        row.Trial();

        // One read of the file, as the next start of the program would see it.
        bool complete = false;
        const CRegistryHive hive = file.Load(&complete);
        auto data = [&hive](const QString& name) {
            const CRegistryHive::Value* value = hive.FindValue(kKeyPath, name);
            return value ? value->data : QByteArray();
        };
        QStringList wrong;
        if (!complete || hive.DamagedLines() != 0)
            wrong << QStringLiteral("file damaged");
        const QByteArray address = data(kAddressEntry);
        if (address != StringValue(ReliabilityAddress(0)) &&
            address != StringValue(ReliabilityAddress(1)))
            wrong << QStringLiteral("address of %1 bytes").arg(address.size());
        const QByteArray devMode = data(kDevModeName);
        if (devMode != ReliabilityDevMode(0) && devMode != ReliabilityDevMode(1))
            wrong << QStringLiteral("DevMode of %1 bytes").arg(devMode.size());
        if (data(QStringLiteral("LastReturnAddress")) != StringValue(kept) ||
            data(QStringLiteral("ReturnAddressLogFont")) != keptFont)
            wrong << QStringLiteral("a value nobody wrote changed");

        // The lock of the killed writer must not hold up the next one.
        QElapsedTimer timer;
        timer.start();
        if (!store.WriteProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), trial))
            wrong << QStringLiteral("the next write failed");
        slowestWrite = qMax(slowestWrite, timer.elapsed());
        if (!wrong.isEmpty())
            row.Failure(QStringLiteral("trial %1: %2").arg(trial).arg(wrong.join(u", ")));
    }
    const QStringList strays = Strays(folder, expected);
    row.Note(QStringLiteral("slowest write after a kill %1 ms, files left %2")
                 .arg(slowestWrite)
                 .arg(StrayNote(strays)));
    QVERIFY2(row.Failures() == 0, qPrintable(row.FirstFailure()));
    QVERIFY2(slowestWrite < 5000, "a killed writer's lock held up the next write");
}

void TestReliability::namelessLockOfAKilledWriterIsBroken() {
    // What a writer killed between making the lock file and naming itself
    // in it leaves behind.
    CTestEnvironment env;
    CSettingsStore store = Store();
    QVERIFY(store.WriteProfileString(kSection, kAddressEntry, ReliabilityAddress(0)));
    const QString lockPath = CRegistryFile::DefaultPath() + QStringLiteral(".lock");
    QVERIFY(WriteWholeFile(lockPath, QByteArray()));
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::ReadWrite));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                             QFileDevice::FileModificationTime));
    lock.close();

    QElapsedTimer timer;
    timer.start();
    QVERIFY(store.WriteProfileString(kSection, kAddressEntry, ReliabilityAddress(1)));
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(store.GetProfileString(kSection, kAddressEntry), ReliabilityAddress(1));
    QVERIFY(!QFile::exists(lockPath));
}

void TestReliability::writeFailuresKeepTheOldFile_data() {
    QTest::addColumn<bool>("book");
    QTest::addColumn<QString>("fault");
    for (const bool book : {true, false}) {
        for (const char* fault : {"full disk", "read-only file", "read-only folder"}) {
            QTest::addRow("%s, %s", book ? "book" : "hive", fault)
                << book << QString::fromLatin1(fault);
        }
    }
}

void TestReliability::writeFailuresKeepTheOldFile() {
    QFETCH(bool, book);
    QFETCH(QString, fault);
    CResultRow row(QStringLiteral("%1: %2").arg(book ? "book" : "hive", fault));
    row.Trial();
    auto fail = qScopeGuard([&row] { row.Failure(QStringLiteral("failed")); });

    QTemporaryDir dir;
    const QString disk = dir.path() + QStringLiteral("/disk");
    std::unique_ptr<CSmallDisk> smallDisk;
    if (fault != QLatin1String("read-only file")) {
        // Root may write into any folder its permission bits close; a
        // file system mounted read-only stops even root.
        if (geteuid() != 0) {
            fail.dismiss();
            row.Note(QStringLiteral("skipped: mounting needs root"));
            QSKIP("mounting a small tmpfs needs root");
        }
        smallDisk = std::make_unique<CSmallDisk>(disk);
        if (!smallDisk->IsMounted()) {
            fail.dismiss();
            row.Note(QStringLiteral("skipped: mount refused"));
            QSKIP("mounting a small tmpfs was refused here");
        }
    }
    QDir().mkpath(disk);

    auto injectFault = [&](const QString& file) {
        if (fault == QLatin1String("full disk"))
            return smallDisk->Fill();
        if (fault == QLatin1String("read-only file"))
            return QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                                   QFileDevice::ReadOther);
        return smallDisk->MakeReadOnly();
    };

    if (book) {
        const QString path = disk + QStringLiteral("/Addresses.plv");
        CAddressBook addressBook;
        addressBook.SetAddressBookPath(path);
        addressBook.LoadFromBytes(ReliabilityBook(0));
        addressBook.SaveAddressBook();
        const QByteArray old = ReadWholeFile(path);
        QVERIFY(injectFault(path));

        addressBook.LoadFromBytes(ReliabilityBook(1));
        QString message;
        try {
            addressBook.SaveAddressBook();
        } catch (const CFileException& e) {
            message = e.GetErrorMessage();
        }
        const QString expected = fault == QLatin1String("full disk")
                                     ? QStringLiteral("Disk full while accessing %1.")
                                     : QStringLiteral("Access to %1 was denied.");
        QCOMPARE(message, expected.arg(path));
        QCOMPARE(ReadWholeFile(path), old);
        QCOMPARE(Strays(disk, {QStringLiteral("Addresses.plv"), QStringLiteral("filler")}),
                 QStringList());
    } else {
        CConfigHome home(disk);
        CSettingsStore store = Store();
        QVERIFY(store.WriteProfileString(kSection, kAddressEntry, ReliabilityAddress(0)));
        QVERIFY(store.WriteBinaryValue(kDevModeName, ReliabilityDevMode(0)));
        const QString path = CRegistryFile::DefaultPath();
        const QByteArray old = ReadWholeFile(path);
        QVERIFY(!old.isEmpty());
        QVERIFY(injectFault(path));

        QVERIFY(!store.WriteProfileString(kSection, kAddressEntry, ReliabilityAddress(1)));
        QVERIFY(!store.WriteBinaryValue(kDevModeName, ReliabilityDevMode(1)));
        QCOMPARE(store.GetProfileString(kSection, kAddressEntry), ReliabilityAddress(0));
        QCOMPARE(store.ReadBinaryValue(kDevModeName), ReliabilityDevMode(0));
        QCOMPARE(ReadWholeFile(path), old);
        QCOMPARE(Strays(QFileInfo(path).absolutePath(), {QStringLiteral("registry.reg")}),
                 QStringList());
    }
    fail.dismiss();
}

void TestReliability::twoCopiesWritingSettingsLoseNothing() {
    CResultRow row(QStringLiteral("settings: two copies writing at once"));
    CTestEnvironment env;
    const int values = qMax(20, Trials() / 8);
    QProcess first;
    QProcess second;
    StartWriter(first,
                {QStringLiteral("settings"), QStringLiteral("First"), QString::number(values)});
    StartWriter(second,
                {QStringLiteral("settings"), QStringLiteral("Second"), QString::number(values)});
    QVERIFY(RunsToTheEnd(first));
    QVERIFY(RunsToTheEnd(second));

    CSettingsStore store = Store();
    for (const QString& prefix : {QStringLiteral("First"), QStringLiteral("Second")}) {
        for (int i = 0; i < values; ++i) {
            row.Trial();
            if (store.GetProfileString(kSection, ConcurrentEntryName(prefix, i)) !=
                ConcurrentEntryValue(prefix, i))
                row.Failure(QStringLiteral("%1 was lost").arg(ConcurrentEntryName(prefix, i)));
        }
    }
    row.Note(QStringLiteral("values written, each checked afterwards"));
    QVERIFY2(row.Failures() == 0, qPrintable(row.FirstFailure()));
}

void TestReliability::twoCopiesSavingBooksLeaveOneWholeBook() {
    CResultRow row(QStringLiteral("book: two copies saving at once"));
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/Addresses.plv");
    const QByteArray books[2] = {ReliabilityBook(0), ReliabilityBook(1)};
    const int rounds = qMax(2, Trials() / 50);
    const QString saves = QString::number(100);
    for (int round = 0; round < rounds; ++round) {
        QProcess first;
        QProcess second;
        StartWriter(first, {QStringLiteral("book"), path, QStringLiteral("0"), saves});
        StartWriter(second, {QStringLiteral("book"), path, QStringLiteral("1"), saves});
        const bool firstDone = RunsToTheEnd(first);
        const bool secondDone = RunsToTheEnd(second);
        row.Trial();
        const QByteArray bytes = ReadWholeFile(path);
        if (!firstDone || !secondDone)
            row.Failure(QStringLiteral("round %1: a save failed").arg(round));
        else if (bytes != books[0] && bytes != books[1])
            row.Failure(
                QStringLiteral("round %1: %2 bytes, neither book").arg(round).arg(bytes.size()));
        else if (!Strays(dir.path(), {QStringLiteral("Addresses.plv")}).isEmpty())
            row.Failure(QStringLiteral("round %1: temporary files left").arg(round));
    }
    row.Note(QStringLiteral("rounds of 2 x %1 saves").arg(saves));
    QVERIFY2(row.Failures() == 0, qPrintable(row.FirstFailure()));
}

void TestReliability::cleanupTestCase() {
    std::printf("\n%-40s %7s %9s  %s\n", "reliability harness", "trials", "failures", "notes");
    int trials = 0;
    int failures = 0;
    for (const ResultRow& row : Results()) {
        std::printf("%-40s %7d %9d  %s\n", qPrintable(row.name), row.trials, row.failures,
                    qPrintable(row.note));
        trials += row.trials;
        failures += row.failures;
    }
    std::printf("%-40s %7d %9d\n\n", "total", trials, failures);
    std::fflush(stdout);
}

QTEST_GUILESS_MAIN(TestReliability)
#include "tst_reliability.moc"
