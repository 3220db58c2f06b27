#include "platform/ansicodepage.h"
#include "platform/appdatafolder.h"
#include "platform/executablepath.h"
#include "platform/outputfile.h"
#include "platform/registryfile.h"
#include "testenvironment.h"

#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString kKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\PELVARO\\Pelvaro");

CRegistryHive Fixture(const char* name) {
    return CRegistryHive::Parse(ReadWholeFile(TestDataPath(QLatin1String(name))));
}

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Old 8-bit books are read through these. Every sample ends in a letter
    // of its script, where a converter that holds the last character back
    // would drop it; a letter and the accent after it stay two characters.
    void codePages_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* locale, int page, const char* hex, const char16_t* text) {
            QTest::addRow("%d %s", page, hex)
                << QString::fromLatin1(locale) << page << QByteArray::fromHex(hex)
                << QString::fromUtf16(text);
        };
        // 0x80 is the euro sign; bytes a table leaves undefined stand for
        // the code point of their value.
        row("en_US", 1252, "80819fe9", u"\u20AC\u0081\u0178\u00E9");
        row("th_TH", 874, "41dbcac7d1cab4d5", u"A\u00DBสวัสดี");
        row("pl_PL", 1250, "a3f3649f", u"Łódź");
        row("ru_RU", 1251, "cceef1eae2e0", u"Москва");
        row("el_GR", 1253, "aa41c1e8deede1", u"\u00AAAΑθήνα");
        row("he_IL", 1255, "fff9ece5ed", u"\u00FFשלום");
        row("vi_VN", 1258, "5669eaf274", u"Vi\u00EA\u0323t");
        row("", 1258, "5669eaf2", u"Vi\u00EA\u0323");
        // A lead byte cut at the end is replaced, never read past.
        row("ja_JP", 932, "b1938c8b9e938c8b", u"\uFF71東京東\uFFFD");
        row("zh_CN", 936, "b1b1bea9", u"北京");
        row("ko_KR", 949, "bcadbfef", u"서울");
        row("zh_TW", 950, "bb4fa55f", u"臺北");
    }
    void codePages() {
        QFETCH(QString, locale);
        QFETCH(int, codePage);
        QFETCH(QByteArray, bytes);
        if (!locale.isEmpty())
            QCOMPARE(AnsiCodePageForLocale(locale), codePage);
        QTEST(MultiByteToWide(codePage, bytes), "text");
    }

    void foldersAndNames() {
        CTestEnvironment env;
        const QString data = env.DataHome() + QStringLiteral("/not/yet");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        QString folder;
        QVERIFY(GetAppDataFolder(folder) && folder == data && QFileInfo(data).isDir());
        // Only the last extension goes.
        QCOMPARE(ApplicationNameFromPath(QStringLiteral("C:/Apps/Pelvaro.EXE")), u"Pelvaro"_qs);
        QCOMPARE(ApplicationNameFromPath(QStringLiteral("/opt/Pel.va.ro")), u"Pel.va"_qs);
        // Without HOME the home folder comes from the password database,
        // never from the shared temporary folder.
        const QByteArray home = qgetenv("HOME");
        qunsetenv("HOME");
        const passwd* entry = ::getpwuid(::geteuid());
        QVERIFY(entry);
        QCOMPARE(FallbackDataFolder(), QFile::decodeName(entry->pw_dir) + u'/');
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(CRegistryFile::DefaultPath(),
                 QFile::decodeName(entry->pw_dir) + "/.config/Torvane Software/registry.reg");
        qputenv("HOME", home);
    }

    // Files as regedit exports them are read to these values and written
    // again byte for byte; a string's line breaks may stand in the file as
    // they are; the older format's strings are 8-bit text, quoted or in hex.
    // A hand-written UTF-8 file's names compare without regard to case,
    // spelled as first seen.
    void hiveFiles() {
        const QByteArray file = ReadWholeFile(TestDataPath(QStringLiteral("registry-regedit.reg")));
        const CRegistryHive hive = CRegistryHive::Parse(file);
        QCOMPARE(hive.DamagedLines(), 0);
        // Over ten continued hex lines.
        QCOMPARE(
            hive.FindValue("HKEY_CLASSES_ROOT\\PhotoViewer.FileAssoc.Png\\shell\\open\\command", "")
                ->data,
            Utf16(QStringLiteral("%SystemRoot%\\System32\\rundll32.exe \"%ProgramFiles%\\Windows "
                                 "Photo Viewer\\PhotoViewer.dll\", ImageView_Fullscreen %1")));
        const QString fontLink = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows "
                                                "NT\\CurrentVersion\\FontLink\\SystemLink");
        QCOMPARE(hive.FindValue(fontLink, "Description")->data,
                 Utf16(QStringLiteral("@%systemroot%\\system32\\wuaueng.dll,-106")));
        QCOMPARE(hive.Serialize(), file);

        const CRegistryHive multiline = Fixture("registry-multiline.reg");
        QCOMPARE(multiline.DamagedLines(), 0);
        QCOMPARE(multiline.FindValue(kKey, "LastReturnAddress")->data,
                 Utf16(QStringLiteral("Quentin Sender  \r\n12 \"Return\" Lane\r\n")));
        QCOMPARE(multiline.Values(kKey).size(), 4);
        QVERIFY(CRegistryHive::Parse(multiline.Serialize()) == multiline);
        // Written, such a string is bytes, as regedit reads it.
        const QString written = QStringDecoder(QStringConverter::Utf16)(multiline.Serialize());
        QVERIFY(written.contains(u"\"LastReturnAddress\"=hex(1):"));

        const CRegistryHive old = Fixture("registry-regedit4.reg");
        const QString complex = QStringLiteral("HKEY_CURRENT_USER\\Software\\regashii\\complex");
        QVERIFY(old.DamagedLines() == 0 &&
                old.FindValue(complex, "multi-sz-a-b")->data == Hex("61000000 62000000 0000"));
        for (const char* name : {"sz-caf\xC3\xA9", "expand-sz-caf\xC3\xA9"})
            QCOMPARE(old.FindValue(complex, QString::fromUtf8(name))->data,
                     Utf16(QStringLiteral("café")));

        CRegistryHive utf8 = Fixture("registry-utf8.reg");
        const QString key =
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\Pelvaro\\Pelvaro");
        QCOMPARE(utf8.StoredPath(key),
                 u"HKEY_CURRENT_USER\\SOFTWARE\\torvane software\\pelvaro\\PELVARO"_qs);
        QCOMPARE(utf8.FindValue(key, QStringLiteral("lastmailingaddresslabel"))->data,
                 Utf16(QStringLiteral("Büro ✉ été")));
        QVERIFY(
            utf8.SetValue(key.toUpper(), QStringLiteral("LASTENVELOPEINDEX"), 4, Hex("03000000")));
        QCOMPARE(utf8.Values(key).value(1),
                 (CRegistryHive::Value{"LastEnvelopeIndex", 4, Hex("03000000")}));
    }

    // Many values in one key are each found, whatever their case.
    void manyValuesInOneKey() {
        QString text = QStringLiteral("REGEDIT4\r\n[") + kKey + QStringLiteral("]\r\n");
        for (int i = 0; i < 100000; ++i)
            text += QStringLiteral("\"Value%1\"=dword:%2\r\n").arg(i).arg(i, 0, 16);
        text += QStringLiteral("\"VALUE7\"=dword:ffffffff\r\n");
        const CRegistryHive hive = CRegistryHive::Parse(text.toUtf8());
        QVERIFY(hive.DamagedLines() == 0 && hive.Values(kKey).size() == 100000);
        QCOMPARE(hive.FindValue(kKey, "value99999")->data, Hex("9f860100"));
        QCOMPARE(hive.FindValue(kKey, "Value7")->data, Hex("ffffffff"));
    }

    // A damaged file gives what can be read; a later write keeps that and
    // keeps the damaged file aside, an intact one is not copied.
    void damagedHiveFile() {
        for (const bool damaged : {false, true}) {
            CTestEnvironment env;
            const CRegistryFile file;
            CRegistryHive hive;
            hive.SetValue(kKey, QStringLiteral("A"), 1, Utf16(QStringLiteral("first")));
            hive.SetValue(kKey, QStringLiteral("B"), 3, QByteArray(200, 'b'));
            QByteArray bytes = hive.Serialize();
            if (damaged) // cut in the middle of the long hex value
                bytes = bytes.left(bytes.indexOf(Utf16("62,62,62", false)) + 300);
            QVERIFY(WriteWholeFile(file.Path(), bytes));
            QCOMPARE(file.Load().FindValue(kKey, "B") != nullptr, !damaged);
            QVERIFY(file.Update([](CRegistryHive& h) { return h.SetValue(kKey, "New", 3, "n"); }));
            QCOMPARE(file.Load().FindValue(kKey, "A")->data, Utf16(QStringLiteral("first")));
            QCOMPARE(QFile::exists(file.Path() + ".bak"), damaged);
        }
    }

    // A file past the limit is parsed once however often it is read, used as
    // far as it was read and said to be too large; the first write keeps it
    // aside whole and starts a new file from what was read. One that cannot
    // be read at all is said so, and never written over.
    void oversizedAndUnreadableFiles() {
        CTestEnvironment env;
        const CRegistryFile file;
        QByteArray bytes = "Windows Registry Editor Version 5.00\r\n\r\n[" + kKey.toUtf8() +
                           "]\r\n\"A\"=\"kept\"\r\n";
        bytes += QByteArray(CRegistryFile::kMaxFileSize, '\n');
        QVERIFY(WriteWholeFile(file.Path(), bytes));
        static QAtomicInt parses;
        parses = 0;
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& message) {
                parses += message.startsWith(QLatin1String("read \"")) ? 1 : 0;
            });
        QLoggingCategory::setFilterRules(QStringLiteral("pelvaro.platform.info=true"));
        bool complete = true;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(file.Load(&complete).FindValue(kKey, "A")->data, Utf16("kept"));
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous);
        QVERIFY(!complete);
        QCOMPARE(int(parses), 1);
        QVERIFY(CRegistryFile::DamageNotes().join(u' ').contains(
            file.Path() + " is too large (65 MB; at most 64 MB are read)"));

        QVERIFY(file.Update([](CRegistryHive& h) { return h.SetValue(kKey, "B", 3, "b"); }));
        QCOMPARE(QFileInfo(file.Path() + ".bak").size(), bytes.size());
        QCOMPARE_LT(QFileInfo(file.Path()).size(), 1000);
        QVERIFY(file.Load(&complete).FindValue(kKey, "A") && complete);
        QVERIFY(
            CRegistryFile::DamageNotes().join(u' ').contains("kept as " + file.Path() + ".bak"));

        QVERIFY(QFile::remove(file.Path()) && QDir().mkdir(file.Path()));
        QVERIFY(file.Load(&complete).KeyPaths().isEmpty() && !complete);
        QVERIFY(!file.Update([](CRegistryHive& h) { return h.SetValue(kKey, "C", 3, "c"); }));
        QVERIFY(CRegistryFile::DamageNotes().contains(
            "The stored settings were not used: " + file.Path() +
            " was not read: it is a folder."));
    }

    // What stopped jobs left is swept: only Pelvaro's own hidden names, only
    // when older than the job, and never while a running job holds one.
    void leftoversOfStoppedJobsAreSwept() {
        CTestEnvironment env;
        COutputFile running(env.Root() + "/running.pdf");
        QVERIFY(running.Open());
        const QString live = running.TemporaryPath();
        const QString stale = env.Root() + "/.old.pdf.pelvaro-abc123";
        const QString fresh = env.Root() + "/.new.pdf.pelvaro-def456";
        const QString other = env.Root() + "/.old.pdf.abc123";
        const QDateTime past = QDateTime::currentDateTimeUtc().addSecs(-60);
        for (const QString& path : {live, stale, fresh, other}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            QVERIFY(path == fresh || file.setFileTime(past, QFileDevice::FileModificationTime));
        }
        QCOMPARE(SweepLeftovers(env.Root(), past.addSecs(30)), 1);
        QVERIFY(!QFile::exists(stale));
        QVERIFY(QFile::exists(live) && QFile::exists(fresh) && QFile::exists(other));
        running.Discard();
        QCOMPARE(SweepLeftovers(env.Root(), past.addSecs(30)), 0);
    }

    // The file is parsed again when it changed: replaced by another
    // writer, or edited in place to the same size.
    void changedFileIsReadAgain() {
        CTestEnvironment env;
        const CRegistryFile file;
        QVERIFY(file.Update([](CRegistryHive& hive) { return hive.SetValue(kKey, "A", 3, "1"); }));
        QCOMPARE(file.LoadShared(), file.LoadShared());
        QVERIFY(CRegistryFile(file.Path()).Update([](CRegistryHive& hive) {
            return hive.SetValue(kKey, "A", 3, "2");
        }));
        QCOMPARE(file.Load().FindValue(kKey, "A")->data, QByteArray("2"));
        QVERIFY(WriteWholeFile(
            file.Path(),
            ReadWholeFile(file.Path()).replace(Utf16("=hex:32", false), Utf16("=hex:33", false))));
        QCOMPARE(file.Load().FindValue(kKey, "A")->data, QByteArray("3"));
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
