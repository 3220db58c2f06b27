#include "settings/settingsstore.h"

#include "platform/registryfile.h"
#include "platform/registryhive.h"
#include "testenvironment.h"

#include <QtTest>

namespace {

const QString kSection = QStringLiteral("Pelvaro");
const QString kCompanyKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software");
const QString kKey = kCompanyKey + QStringLiteral("\\Pelvaro\\Pelvaro");
const QString kAddress = QStringLiteral("LastReturnAddress");
const QString kIndex = QStringLiteral("LastEnvelopeIndex");

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
    CSettingsStore m_store{QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro")};

private slots:
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
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
