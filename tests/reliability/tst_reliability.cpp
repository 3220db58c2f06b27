#include "addressbook/addressbook.h"
#include "addressbook/archive.h"
#include "modalscript.h"
#include "platform/exception.h"
#include "settings/registryfile.h"
#include "settings/settingsstore.h"
#include "testenvironment.h"
#include "ui/addaddressdlg.h"
#include "ui/multilineedit.h"
#include "ui/pelvarodlg.h"

#include <QtTest>
#include <QtWidgets>

#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

// The two books the writer alternates between, a short one and one that
// takes several buffers to write; the two versions of the settings values.
QByteArray ReliabilityBook(int which) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, QString());
    ar.WriteInt32(which == 0 ? 3 : 60);
    for (int i = 0; i < (which == 0 ? 3 : 60); ++i) {
        ar.WriteString(QStringLiteral("Entry %1").arg(i));
        ar.WriteString(QString(1 + which * 200, QChar(u'a' + i % 26)));
    }
    ar.Flush();
    return bytes;
}
QString ReliabilityAddress(int which) {
    return QStringLiteral("%1 First Street\r\nAnytown").arg(which) +
           QString(qsizetype(which) * 500, u'x');
}
QByteArray ReliabilityDevMode(int which) {
    return QByteArray(which == 0 ? 220 : 1500, char('a' + which));
}

// The writer, a copy of this program started by the tests: saves the book
// or writes settings over and over, the way the program does, and prints
// "ready" once the first write is complete. It dies with the test.
//   writer book <path> <which: 0, 1 or 2 for both in turn> <saves, 0 for ever>
//   writer hive <writes, 0 for ever>
//   writer settings <name prefix> <values>
int RunWriter(const QStringList& args) {
    const pid_t parent = getppid();
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        return 3;
    CSettingsStore store(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    CAddressBook book;
    book.SetAddressBookPath(args.value(2));
    for (long i = 0, count = args.last().toLong(); count == 0 || i < count; ++i) {
        bool written = true;
        if (args[1] == u"book") {
            book.LoadFromBytes(ReliabilityBook(args[3] == u"2" ? int(i % 2) : args[3].toInt()));
            try {
                book.SaveAddressBook();
            } catch (const CException&) {
                written = false;
            }
        } else if (args[1] == u"hive") {
            written = store.WriteProfileString("Pelvaro", "LastMailingAddress",
                                               ReliabilityAddress(i % 2)) &&
                      store.WriteBinaryValue("DevMode", ReliabilityDevMode(i % 2));
        } else {
            written = store.WriteProfileString("Pelvaro", args[2] + QString::number(i),
                                               QString::number(i));
        }
        if (!written)
            return 2;
        if (i == 0) {
            std::printf("ready\n");
            std::fflush(stdout);
        }
    }
    return 0;
}

// A window writer: shows the window, prints "ready", waits for a line on
// stdin, then adds one entry through the address list menu and the add
// dialog, as a user does. A message box (the book busy for too long) fails
// it.
//   writer window <label>
int RunWindowWriter(const QString& label) {
    CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    CPelvaroDlg dlg(settings);
    dlg.show();
    dlg.GetDlgItem<CMultiLineEdit>(IDC_MAILINGADDRESS)->SetText(label + QStringLiteral(" Street"));
    std::printf("ready\n");
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin))
        return 2;
    CModalScript script;
    QStringList message;
    script.Choose(QStringLiteral("&Add..."))
        .Then<CAddAddressDlg>([&](CAddAddressDlg* add) {
            QTest::keyClicks(add->GetDlgItem(IDC_LABEL), label);
            QTest::keyClick(add->GetDlgItem(IDC_LABEL), Qt::Key_Return);
        })
        .NoteMessage(message); // none comes when all is well
    QTest::mouseClick(dlg.GetDlgItem(IDC_MAILINGADDRESSLIST), Qt::LeftButton, {}, QPoint(16, 16));
    std::fprintf(stderr, "%s", qPrintable(message.value(0)));
    return message.isEmpty() && dlg.State().mailingLabel == label ? 0 : 1;
}

// Set in main(): mounts made here live in a mount namespace of this process
// alone, so they go with it however it ends.
bool g_privateMounts = false;
// The closing table: what each harness tried, and what went wrong.
QStringList g_table;

// The random start value of the kill times: given, to replay a run, or new.
quint32 RandomStart() {
    static const quint32 start = [] {
        bool given = false;
        const uint value = qEnvironmentVariable("PELVARO_RELIABILITY_RANDOM_START").toUInt(&given);
        return given ? value : QRandomGenerator::system()->generate();
    }();
    return start;
}

int Trials() {
    const int trials = qEnvironmentVariableIntValue("PELVARO_RELIABILITY_TRIALS");
    return trials > 0 ? trials : 200;
}

bool StartWriter(QProcess& writer, const QStringList& arguments, bool waitReady = true) {
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QCoreApplication::applicationFilePath(), QStringList{"writer"} + arguments);
    while (waitReady && !writer.canReadLine()) {
        if (!writer.waitForReadyRead(kWaitMs))
            return false;
    }
    return !waitReady || writer.readLine().trimmed() == "ready";
}

CSettingsStore Store() {
    return CSettingsStore(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
}

const QString kSection = QStringLiteral("Pelvaro");
const QString kAddress = QStringLiteral("LastMailingAddress");

// Kills a writer at random moments, some saves into its run, and checks
// what it leaves after each kill. Returns the failures.
QStringList KillTrials(const QString& name, const QStringList& arguments,
                       const std::function<QString()>& check) {
    QRandomGenerator random(RandomStart());
    QStringList failures;
    for (int trial = 0; trial < Trials(); ++trial) {
        QProcess writer;
        if (!StartWriter(writer, arguments))
            return {QStringLiteral("the writer did not start")};
        ::usleep(random.bounded(15000u));
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        writer.waitForFinished(10000);
        if (const QString wrong = check(); !wrong.isEmpty())
            failures << QStringLiteral("trial %1: %2").arg(trial).arg(wrong);
    }
    g_table << QStringLiteral("%1 %2 trials, %3 failures")
                   .arg(name, -40)
                   .arg(Trials())
                   .arg(failures.size());
    return failures;
}

} // namespace

class TestReliability : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        std::printf("kill times from random start value %u: PELVARO_RELIABILITY_RANDOM_START=%u "
                    "replays them\n",
                    RandomStart(), RandomStart());
    }

    // The file is always one whole book; temporary files of killed saves
    // pile up, as they would, and do not stop the next save.
    void bookSurvivesKillsWhileSaving() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Addresses.plv"));
        QVERIFY(WriteWholeFile(path, ReliabilityBook(0)));
        const QStringList failures =
            KillTrials("book: writer killed while saving", {"book", path, "2", "0"}, [&] {
                const QByteArray bytes = ReadWholeFile(path);
                if (bytes == ReliabilityBook(0) || bytes == ReliabilityBook(1))
                    return QString();
                WriteWholeFile(path, ReliabilityBook(0));
                return QStringLiteral("%1 bytes, neither book").arg(bytes.size());
            });
        QVERIFY2(failures.isEmpty(), qPrintable(failures.value(0)));
    }

    // Each value is one of its versions, a value nobody wrote stays, and
    // the killed writer's lock does not hold up the next write.
    void hiveSurvivesKillsWhileWriting() {
        CTestEnvironment env;
        CSettingsStore store = Store();
        QVERIFY(store.WriteProfileString(kSection, QStringLiteral("LastReturnAddress"), "kept"));
        QVERIFY(store.WriteProfileString(kSection, kAddress, ReliabilityAddress(0)));
        QVERIFY(store.WriteBinaryValue("DevMode", ReliabilityDevMode(0)));
        qint64 slowest = 0;
        const QStringList failures =
            KillTrials("hive: writer killed while writing", {"hive", "0"}, [&] {
                bool complete = false;
                const CRegistryHive hive = CRegistryFile().Load(&complete);
                const auto data = [&](const char* name) {
                    const auto* value = hive.FindValue(
                        "HKEY_CURRENT_USER\\Software\\Torvane Software\\Pelvaro\\Pelvaro", name);
                    return value ? value->data : QByteArray();
                };
                QElapsedTimer timer;
                timer.start();
                const bool written = store.WriteProfileInt(kSection, "LastEnvelopeIndex", 1);
                slowest = qMax(slowest, timer.elapsed());
                const QByteArray address = data("LastMailingAddress"), devMode = data("DevMode");
                return complete && hive.DamagedLines() == 0 && written &&
                               data("LastReturnAddress") == Utf16("kept") &&
                               (address == Utf16(ReliabilityAddress(0)) ||
                                address == Utf16(ReliabilityAddress(1))) &&
                               (devMode == ReliabilityDevMode(0) ||
                                devMode == ReliabilityDevMode(1))
                           ? QString()
                           : QStringLiteral(
                                 "damaged, a value lost or torn, or the next write failed");
            });
        QVERIFY2(failures.isEmpty(), qPrintable(failures.value(0)));
        QVERIFY2(slowest < 5000,
                 qPrintable(QStringLiteral("a write after a kill took %1 ms").arg(slowest)));
    }

    // A writer killed between making the lock file and naming itself in it
    // leaves a lock that must not hold up the next write for long.
    void namelessLockIsBroken() {
        CTestEnvironment env;
        const QString lockPath = CRegistryFile::DefaultPath() + QStringLiteral(".lock");
        QFile lock(lockPath);
        QVERIFY(WriteWholeFile(lockPath, QByteArray()) && lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                 QFileDevice::FileModificationTime));
        lock.close();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(Store().WriteProfileString(kSection, kAddress, "after"));
        QCOMPARE_LT(timer.elapsed(), 3000);
    }

    // Writing back what is stored needs no lock: the window's close, which
    // writes every value it keeps, neither waits for another writer nor
    // syncs a lock file to disk.
    void unchangedWriteTakesNoLock() {
        CTestEnvironment env;
        QVERIFY(Store().WriteProfileString(kSection, kAddress, "same"));
        QLockFile other(CRegistryFile::DefaultPath() + QStringLiteral(".lock"));
        QVERIFY(other.lock());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(Store().WriteProfileString(kSection, kAddress, "same"));
        QCOMPARE_LT(timer.elapsed(), 2000);
    }

    // A settings write that fails keeps the old file whole, leaves nothing
    // behind and says so. A full disk and a read-only file system are a
    // small tmpfs.
    void writeFailuresKeepTheOldFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("full disk") << "full disk";
        QTest::newRow("read-only file") << "read-only file";
        QTest::newRow("read-only file system") << "read-only file system";
    }
    void writeFailuresKeepTheOldFile() {
        QFETCH(QString, fault);
        QTemporaryDir dir;
        const QByteArray disk = QFile::encodeName(dir.filePath(QStringLiteral("disk")));
        QDir().mkpath(disk);
        if (fault != u"read-only file") {
            PELVARO_REQUIRE(g_privateMounts,
                            QStringLiteral("root, to mount in a namespace of its own"));
            PELVARO_REQUIRE(::mount("tmpfs", disk.constData(), "tmpfs", 0, "size=64k") == 0,
                            QStringLiteral("mounting a tmpfs: ") + qt_error_string(errno));
        }
        qputenv("XDG_CONFIG_HOME", disk);
        const QString path = CRegistryFile::DefaultPath();
        QVERIFY(Store().WriteProfileString(kSection, kAddress, ReliabilityAddress(0)));
        const QByteArray before = ReadWholeFile(path);
        if (fault == u"full disk") {
            QFile filler(disk + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
            }
        } else if (fault == u"read-only file") {
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        } else {
            QVERIFY(::mount("tmpfs", disk.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                            "size=64k") == 0);
        }
        QVERIFY(!Store().WriteProfileString(kSection, kAddress, ReliabilityAddress(1)));
        QCOMPARE(Store().GetProfileString(kSection, kAddress), ReliabilityAddress(0));
        QCOMPARE(ReadWholeFile(path), before);
        QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"registry.reg"});
        ::umount2(disk.constData(), MNT_DETACH);
    }

    // Two copies writing settings at once lose nothing of each other's.
    void twoCopiesLoseNothing() {
        CTestEnvironment env;
        const int values = qMax(20, Trials() / 8);
        QProcess first;
        QProcess second;
        QVERIFY(StartWriter(first, {"settings", "First", QString::number(values)}, false));
        QVERIFY(StartWriter(second, {"settings", "Second", QString::number(values)}, false));
        QVERIFY(first.waitForFinished(180000) && second.waitForFinished(180000));
        QVERIFY(first.exitCode() == 0 && second.exitCode() == 0);
        QStringList failures;
        for (int i = 0; i < values; ++i) {
            for (const QString& name :
                 {"First" + QString::number(i), "Second" + QString::number(i)})
                if (Store().GetProfileString(kSection, name) != QString::number(i))
                    failures << name + QStringLiteral(" was lost");
        }
        g_table << QStringLiteral("%1 %2 values, %3 failures")
                       .arg("settings: two copies at once", -40)
                       .arg(2 * values)
                       .arg(failures.size());
        QVERIFY2(failures.isEmpty(), qPrintable(failures.value(0)));
    }

    // Twenty programs each adding an entry to the book at once, windows
    // among them: every one says it did, and every entry is there.
    void twentyBookWritersLoseNothing() {
        CTestEnvironment env;
        std::vector<std::unique_ptr<QProcess>> writers;
        QStringList labels;
        for (int i = 0; i < 20; ++i) {
            labels << (i % 5 ? QStringLiteral("Tool %1") : QStringLiteral("Window %1")).arg(i);
            writers.push_back(std::make_unique<QProcess>());
            if (i % 5 == 0) {
                QVERIFY(StartWriter(*writers.back(), {"window", labels.last()}));
                continue;
            }
            const QString file = env.Root() + QStringLiteral("/%1.csv").arg(i);
            QVERIFY(WriteWholeFile(file, "Label,Address\n" + labels.last().toUtf8() + ",1 Road\n"));
            writers.back()->setProgram(qEnvironmentVariable("PELVARO_CLI"));
            writers.back()->setArguments({"import", file});
        }
        // The windows wait for the word, the tools start with it.
        for (const auto& writer : writers)
            writer->state() == QProcess::Running ? void(writer->write("go\n")) : writer->start();
        QStringList failures;
        for (int i = 0; i < 20; ++i) {
            QProcess& writer = *writers[i];
            const QByteArray said = writer.waitForFinished(120000) && writer.exitCode() == 0
                                        ? writer.readAllStandardOutput()
                                        : "failed";
            if (said != (i % 5 ? "1 address was added.\n" : ""))
                failures << labels[i] + ": " + said + writer.readAllStandardError();
        }
        CAddressBook book;
        book.LoadAddressBook();
        for (const QString& label : std::as_const(labels))
            failures << (book.FindLabel(label) < 0 ? label + " was lost" : QString());
        failures.removeAll(QString());
        g_table << QStringLiteral("%1 20 writers, %2 failures")
                       .arg("book: twenty writers at once", -40)
                       .arg(failures.size());
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    }

    // A PDF job stopped by Ctrl-C, a scheduler or a closed terminal leaves
    // no hidden file; what a killed one leaves goes with the next job to
    // that folder. A job started with nohup goes on when the terminal closes.
    void stoppedPdfJobLeavesNothing_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("nohup");
        QTest::newRow("SIGINT") << SIGINT << false;
        QTest::newRow("SIGTERM") << SIGTERM << false;
        QTest::newRow("SIGHUP") << SIGHUP << false;
        QTest::newRow("SIGKILL") << SIGKILL << false;
        QTest::newRow("SIGHUP under nohup") << SIGHUP << true;
    }
    void stoppedPdfJobLeavesNothing() {
        QFETCH(int, signal);
        QFETCH(bool, nohup);
        CTestEnvironment env;
        QByteArray rows = "Label,Address\n";
        for (int i = 0; i < 20000; ++i)
            rows += "Name " + QByteArray::number(i) + ",\"" + QByteArray::number(i) + " Road\"\n";
        const QString list = env.Root() + QStringLiteral("/rows.csv");
        const QString out = env.Root() + QStringLiteral("/out");
        QVERIFY(WriteWholeFile(list, rows) && QDir().mkpath(out));
        const auto hidden = [&] { return QDir(out).entryList(QDir::Files | QDir::Hidden); };
        QProcess job;
        // As a shell in the foreground starts it, whatever this test inherited.
        job.setChildProcessModifier([nohup] {
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGHUP, nohup ? SIG_IGN : SIG_DFL);
        });
        job.start(qEnvironmentVariable("PELVARO_CLI"), {"merge", list, "--pdf", out + "/all.pdf"});
        QVERIFY(job.waitForStarted(kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(!hidden().isEmpty(), kWaitMs);
        QCOMPARE(job.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(job.processId()), signal);
        if (nohup) {
            // The job goes on with its file: the file grows, or the job ends
            // whole. Stopped then, it still tidies up.
            const auto written = [&] {
                const QStringList names = hidden();
                return names.size() == 1 ? QFileInfo(out + u'/' + names[0]).size() : -1;
            };
            const qint64 before = written();
            QTRY_VERIFY_WITH_TIMEOUT(job.state() != QProcess::Running || written() > before,
                                     kWaitMs);
            if (job.state() == QProcess::Running)
                ::kill(static_cast<pid_t>(job.processId()), SIGTERM);
            else
                QCOMPARE(job.exitStatus(), QProcess::NormalExit);
        }
        QVERIFY(job.waitForFinished(kWaitMs * 4));
        if (nohup && job.exitStatus() == QProcess::NormalExit) {
            QCOMPARE(job.exitCode(), 0);
            QCOMPARE(hidden(), QStringList("all.pdf"));
            return;
        }
        QCOMPARE(job.exitStatus(), QProcess::CrashExit);
        QCOMPARE(hidden().size(), signal == SIGKILL ? 1 : 0);

        QVERIFY(WriteWholeFile(list, "Label,Address\nOne,1 Road\n"));
        QProcess next;
        next.start(qEnvironmentVariable("PELVARO_CLI"), {"merge", list, "--pdf", out + "/one.pdf"});
        QVERIFY(next.waitForFinished(kWaitMs) && next.exitCode() == 0);
        QCOMPARE(hidden(), QStringList("one.pdf"));
    }

    void cleanupTestCase() {
        std::printf("\nreliability harness, random start value %u\n%s\n\n", RandomStart(),
                    qPrintable(g_table.join(u'\n')));
        std::fflush(stdout);
    }
};

int main(int argc, char** argv) {
    if (argc > 2 && qstrcmp(argv[1], "writer") == 0 && qstrcmp(argv[2], "window") == 0) {
        QApplication app(argc, argv);
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
            return 3;
        return RunWindowWriter(QCoreApplication::arguments().value(3));
    }
    if (argc > 1 && qstrcmp(argv[1], "writer") == 0) {
        QCoreApplication app(argc, argv);
        return RunWriter(QCoreApplication::arguments().mid(1));
    }
    // A mount namespace of its own needs a process with no other thread yet.
    g_privateMounts = geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
                      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    QCoreApplication app(argc, argv);
    TestReliability test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reliability.moc"
