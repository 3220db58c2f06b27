#include "ansicodepage.h"
#include "appdatafolder.h"
#include "executablepath.h"
#include "registryfile.h"
#include "testenvironment.h"

#include <QtTest>

namespace {

const QString kKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\PELVARO\\Pelvaro");

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codePages() {
        const std::tuple<const char*, int, QByteArray, const char16_t*> pages[] = {
            // 0x80 is the euro sign; undefined 0x81 stays a C1 control.
            {"en_US", 1252, "\x80\x81\x9F\xE9", u"\u20AC\u0081\u0178\u00E9"},
            {"ru_RU", 1251, "\xC0\xE1", u"\u0410\u0431"},
            // A lead byte cut at the end is replaced, never read past.
            {"ja_JP", 932,
             "\x82\xA0"
             "a\x82",
             u"\u3042a\uFFFD"},
            {"zh_TW", 950, "a", u"a"}};
        for (const auto& [locale, codePage, bytes, text] : pages) {
            QCOMPARE(AnsiCodePageForLocale(QString::fromLatin1(locale)), codePage);
            QCOMPARE(MultiByteToWide(codePage, bytes), QString::fromUtf16(text));
        }
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
    }

    // A file as regedit exports it is read to these values and written
    // again byte for byte; a hand-written UTF-8 file's names compare without
    // regard to case, spelled as first seen.
    void hiveFiles() {
        const QByteArray file = ReadWholeFile(TestDataPath(QStringLiteral("registry-regedit.reg")));
        const CRegistryHive hive = CRegistryHive::Parse(file);
        QCOMPARE(hive.DamagedLines(), 0);
        const QList<CRegistryHive::Value> values = hive.Values(kKey);
        QCOMPARE(values.size(), 11);
        QCOMPARE(values[1],
                 (CRegistryHive::Value{"LastReturnAddressLabel", 1,
                                       Utf16(QStringLiteral("Home \"main\" C:\\Users\\"))}));
        QCOMPARE(values[10].data.size(), 40); // over two continued hex lines
        QCOMPARE(hive.Serialize(), file);

        CRegistryHive utf8 =
            CRegistryHive::Parse(ReadWholeFile(TestDataPath(QStringLiteral("registry-utf8.reg"))));
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
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
