#include "settings/settingsstore.h"

#include "settings/registryfile.h"
#include "settings/registryhive.h"
#include "testenvironment.h"

#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString kSection = QStringLiteral("Pelvaro");
const QString kCompanyKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software");
const QString kKey = kCompanyKey + QStringLiteral("\\Pelvaro\\Pelvaro");
const QString kAddress = QStringLiteral("LastReturnAddress");
const QString kIndex = QStringLiteral("LastEnvelopeIndex");
// As a hand-edited file may spell it.
const QString kHiveKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\PELVARO\\Pelvaro");

CRegistryHive Fixture(const char* name) {
    return CRegistryHive::Parse(ReadWholeFile(TestDataPath(QLatin1String(name))));
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
    CSettingsStore m_store{QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro")};

private slots:
    // Without HOME or XDG_CONFIG_HOME the settings file is in the home
    // folder from the password database, never the shared temporary one.
    void settingsFileWithoutHome() {
        CTestEnvironment env;
        const QByteArray home = qgetenv("HOME");
        qunsetenv("HOME");
        qunsetenv("XDG_CONFIG_HOME");
        const passwd* entry = ::getpwuid(::geteuid());
        QVERIFY(entry);
        QCOMPARE(CRegistryFile::DefaultPath(),
                 QFile::decodeName(entry->pw_dir) + "/.config/Torvane Software/registry.reg");
        qputenv("HOME", home);
    }

    void firstStart() {
        CTestEnvironment env;
        QCOMPARE(m_store.GetProfileString(kSection, kAddress, QStringLiteral("none")), u"none"_qs);
        QCOMPARE(m_store.GetProfileInt(kSection, kIndex, 7), 7);
        QVERIFY(!m_store.ReadBinaryValue(QStringLiteral("DevMode")));
        // Reading alone makes the whole profile path.
        QVERIFY(CRegistryFile().Load().KeyExists(kKey));
        QVERIFY(m_store.WriteProfileString(kSection, kAddress, QString()));
        QVERIFY(m_store.WriteProfileInt(kSection, kIndex, -1));
        QVERIFY(m_store.WriteBinaryValue(QStringLiteral("DevMode"), "mode"));
        // The profile path and the direct path are one key, spelled as first made.
        const CRegistryHive hive = CRegistryFile().Load();
        QCOMPARE(hive.KeyPaths(), QStringList({kCompanyKey, kCompanyKey + "\\Pelvaro", kKey}));
        QCOMPARE(hive.Values(kKey), (QList<CRegistryHive::Value>{{kAddress, 1, Hex("0000")},
                                                                 {kIndex, 4, Hex("FFFFFFFF")},
                                                                 {"DevMode", 3, "mode"}}));
        const QString address = QStringLiteral("Jo \"JJ\" Smith\r\n1 Main Street");
        QVERIFY(m_store.WriteProfileString(kSection, kAddress, address));
        QCOMPARE(m_store.GetProfileString(kSection, kAddress), address);
    }

    // Strings: whole units up to the first NUL, whatever the type. Numbers:
    // exactly four bytes, whatever the type.
    void reads() {
        const std::tuple<quint32, QByteArray, QString, int> values[] = {
            {1, Utf16("12"), "12", 7},
            {1, Utf16(QStringView(u"ab\0cd", 5).toString()), "ab", 7},
            {4, Hex("02010000"), QString::fromUtf16(u"\u0102"), 0x102},
            {4, Hex("0100"), QString::fromUtf16(u"\u0001"), 7}};
        for (const auto& [type, data, text, number] : values) {
            CTestEnvironment env;
            CRegistryHive hive;
            QVERIFY(hive.SetValue(kKey, kAddress, type, data) &&
                    hive.SetValue(kKey, kIndex, type, data));
            QVERIFY(WriteWholeFile(CRegistryFile().Path(), hive.Serialize()));
            QCOMPARE(m_store.GetProfileString(kSection, QStringLiteral("lastreturnaddress"), "x"),
                     text);
            QCOMPARE(m_store.GetProfileInt(kSection, kIndex, 7), number);
        }
    }

    void binaryValuesKeepTheirSize() {
        CTestEnvironment env;
        for (int size : {0, 91, 92, 5000}) {
            const QByteArray bytes(size, char(size));
            QVERIFY(m_store.WriteBinaryValue(QStringLiteral("DevMode"), bytes));
            QCOMPARE(m_store.ReadBinaryValue(QStringLiteral("devmode")), bytes);
            // Only a value of exactly the asked size counts.
            QCOMPARE(m_store.ReadFixedBinaryValue(QStringLiteral("DevMode"), 92),
                     size == 92 ? std::optional<QByteArray>(bytes) : std::nullopt);
        }
    }

    // Stored together, the values come out exactly as the single writes
    // leave them; a value the store cannot hold stops the whole change.
    void valuesWrittenTogetherAsOneChange() {
        CTestEnvironment env;
        QVERIFY(m_store.WriteProfileValues(kSection, {{"LastMailingAddressLabel", QString()},
                                                      {kAddress, QStringLiteral("a\r\nb")},
                                                      {kIndex, -1}}));
        const QByteArray together = ReadWholeFile(CRegistryFile().Path());
        CTestEnvironment other;
        QVERIFY(m_store.WriteProfileString(kSection, "LastMailingAddressLabel", QString()));
        QVERIFY(m_store.WriteProfileString(kSection, kAddress, QStringLiteral("a\r\nb")));
        QVERIFY(m_store.WriteProfileInt(kSection, kIndex, -1));
        QCOMPARE(ReadWholeFile(CRegistryFile().Path()), together);
        QVERIFY(!m_store.WriteProfileValues(kSection, {{kAddress, "x"}, {"bad\nname", 1}}));
        QCOMPARE(ReadWholeFile(CRegistryFile().Path()), together);
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
        QCOMPARE(multiline.FindValue(kHiveKey, "LastReturnAddress")->data,
                 Utf16(QStringLiteral("Quentin Sender  \r\n12 \"Return\" Lane\r\n")));
        QCOMPARE(multiline.Values(kHiveKey).size(), 4);
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
        QString text = QStringLiteral("REGEDIT4\r\n[") + kHiveKey + QStringLiteral("]\r\n");
        for (int i = 0; i < 100000; ++i)
            text += QStringLiteral("\"Value%1\"=dword:%2\r\n").arg(i).arg(i, 0, 16);
        text += QStringLiteral("\"VALUE7\"=dword:ffffffff\r\n");
        const CRegistryHive hive = CRegistryHive::Parse(text.toUtf8());
        QVERIFY(hive.DamagedLines() == 0 && hive.Values(kHiveKey).size() == 100000);
        QCOMPARE(hive.FindValue(kHiveKey, "value99999")->data, Hex("9f860100"));
        QCOMPARE(hive.FindValue(kHiveKey, "Value7")->data, Hex("ffffffff"));
    }

    // A damaged file gives what can be read; a later write keeps that and
    // keeps the damaged file aside, an intact one is not copied.
    void damagedHiveFile() {
        for (const bool damaged : {false, true}) {
            CTestEnvironment env;
            const CRegistryFile file;
            CRegistryHive hive;
            hive.SetValue(kHiveKey, QStringLiteral("A"), 1, Utf16(QStringLiteral("first")));
            hive.SetValue(kHiveKey, QStringLiteral("B"), 3, QByteArray(200, 'b'));
            QByteArray bytes = hive.Serialize();
            if (damaged) // cut in the middle of the long hex value
                bytes = bytes.left(bytes.indexOf(Utf16("62,62,62", false)) + 300);
            QVERIFY(WriteWholeFile(file.Path(), bytes));
            QCOMPARE(file.Load().FindValue(kHiveKey, "B") != nullptr, !damaged);
            QVERIFY(
                file.Update([](CRegistryHive& h) { return h.SetValue(kHiveKey, "New", 3, "n"); }));
            QCOMPARE(file.Load().FindValue(kHiveKey, "A")->data, Utf16(QStringLiteral("first")));
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
        QByteArray bytes = "Windows Registry Editor Version 5.00\r\n\r\n[" + kHiveKey.toUtf8() +
                           "]\r\n\"A\"=\"kept\"\r\n";
        bytes += QByteArray(CRegistryFile::kMaxFileSize, '\n');
        QVERIFY(WriteWholeFile(file.Path(), bytes));
        static QAtomicInt parses;
        parses = 0;
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& message) {
                parses += message.startsWith(QLatin1String("read \"")) ? 1 : 0;
            });
        QLoggingCategory::setFilterRules(QStringLiteral("pelvaro.settings.info=true"));
        bool complete = true;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(file.Load(&complete).FindValue(kHiveKey, "A")->data, Utf16("kept"));
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous);
        QVERIFY(!complete);
        QCOMPARE(int(parses), 1);
        QVERIFY(CRegistryFile::DamageNotes().join(u' ').contains(
            file.Path() + " is too large (65 MB; at most 64 MB are read)"));

        QVERIFY(file.Update([](CRegistryHive& h) { return h.SetValue(kHiveKey, "B", 3, "b"); }));
        QCOMPARE(QFileInfo(file.Path() + ".bak").size(), bytes.size());
        QCOMPARE_LT(QFileInfo(file.Path()).size(), 1000);
        QVERIFY(file.Load(&complete).FindValue(kHiveKey, "A") && complete);
        QVERIFY(
            CRegistryFile::DamageNotes().join(u' ').contains("kept as " + file.Path() + ".bak"));

        QVERIFY(QFile::remove(file.Path()) && QDir().mkdir(file.Path()));
        QVERIFY(file.Load(&complete).KeyPaths().isEmpty() && !complete);
        QVERIFY(!file.Update([](CRegistryHive& h) { return h.SetValue(kHiveKey, "C", 3, "c"); }));
        QVERIFY(CRegistryFile::DamageNotes().contains(
            "The stored settings were not used: " + file.Path() +
            " was not read: it is a folder."));
    }

    // The file is parsed again when it changed: replaced by another
    // writer, or edited in place to the same size.
    void changedFileIsReadAgain() {
        CTestEnvironment env;
        const CRegistryFile file;
        QVERIFY(
            file.Update([](CRegistryHive& hive) { return hive.SetValue(kHiveKey, "A", 3, "1"); }));
        QCOMPARE(file.LoadShared(), file.LoadShared());
        QVERIFY(CRegistryFile(file.Path()).Update([](CRegistryHive& hive) {
            return hive.SetValue(kHiveKey, "A", 3, "2");
        }));
        QCOMPARE(file.Load().FindValue(kHiveKey, "A")->data, QByteArray("2"));
        QVERIFY(WriteWholeFile(
            file.Path(),
            ReadWholeFile(file.Path()).replace(Utf16("=hex:32", false), Utf16("=hex:33", false))));
        QCOMPARE(file.Load().FindValue(kHiveKey, "A")->data, QByteArray("3"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
