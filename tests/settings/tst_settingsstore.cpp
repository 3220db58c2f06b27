#include "settingsstore.h"

#include "registryfile.h"
#include "registryhive.h"
#include "testenvironment.h"

#include <QTest>
#include <QtEndian>

#include <memory>

namespace {

const QString kSection = QStringLiteral("Pelvaro");
const QString kCompanyKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software");
const QString kKey = kCompanyKey + QStringLiteral("\\Pelvaro\\Pelvaro");
const QString kReturnAddress = QStringLiteral("LastReturnAddress");
const char* const kAddressValues[] = {"LastMailingAddressLabel", "LastMailingAddress",
                                      "LastReturnAddressLabel", "LastReturnAddress"};

QByteArray Utf16(const QString& text) {
    QByteArray bytes(text.size() * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

QByteArray Pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 13 + 1);
    return bytes;
}

CRegistryHive StoredHive() {
    return CRegistryFile().Load();
}

void Store(const QString& name, quint32 type, const QByteArray& data) {
    QVERIFY(CRegistryFile().Update(
        [&](CRegistryHive& hive) { return hive.SetValue(kKey, name, type, data); }));
}

} // namespace

class TstSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void init() { m_environment = std::make_unique<CTestEnvironment>(); }
    void cleanup() { m_environment.reset(); }

    void firstStart();
    void threeLineAddress();
    void stringRead_data();
    void stringRead();
    void intRead_data();
    void intRead();
    void binaryValuesKeepTheirSize_data();
    void binaryValuesKeepTheirSize();
    void renamedExecutable();
    void valuesWrittenTogetherAsOneChange();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
    CSettingsStore m_store{QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro")};
};

void TstSettingsStore::firstStart() {
    for (const char* name : kAddressValues)
        QCOMPARE(m_store.GetProfileString(kSection, QLatin1String(name), QString()), QString());
    // Reading alone makes the whole profile path.
    QVERIFY(StoredHive().KeyExists(kKey));
    QVERIFY(StoredHive().Values(kKey).isEmpty());
    QVERIFY(!m_store.ReadBinaryValue(QStringLiteral("DevMode")));
    QVERIFY(!m_store.ReadBinaryValue(QStringLiteral("DevNames")));
    QVERIFY(!m_store.ReadFixedBinaryValue(QStringLiteral("MailingAddressLogFont"), 92));
    QCOMPARE(m_store.GetProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), 0), 0);

    for (const char* name : kAddressValues)
        QVERIFY(m_store.WriteProfileString(kSection, QLatin1String(name), QString()));
    QVERIFY(m_store.WriteProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), 0));
    QVERIFY(m_store.WriteBinaryValue(QStringLiteral("DevMode"), Pattern(220)));

    // The profile path and the direct path are one key, spelled as first made.
    const CRegistryHive hive = StoredHive();
    QCOMPARE(hive.KeyPaths(),
             QStringList({kCompanyKey, kCompanyKey + QStringLiteral("\\Pelvaro"), kKey}));
    const QList<CRegistryHive::Value> values = hive.Values(kKey);
    QCOMPARE(values.size(), 6);
    for (const CRegistryHive::Value& value : values.first(4)) {
        QCOMPARE(value.type, CRegistryHive::kRegSz);
        QCOMPARE(value.data, QByteArray(2, '\0'));
    }
    QCOMPARE(values[4].type, CRegistryHive::kRegDword);
    QCOMPARE(values[4].data, QByteArray(4, '\0'));
    QCOMPARE(values[5].type, CRegistryHive::kRegBinary);
}

void TstSettingsStore::threeLineAddress() {
    const QString address = QStringLiteral("Jo \"JJ\" Smith\r\n1 Main Street\r\nSpringfield");
    QVERIFY(m_store.WriteProfileString(kSection, kReturnAddress, address));
    QCOMPARE(m_store.GetProfileString(kSection, kReturnAddress), address);

    const QByteArray file = ReadWholeFile(CRegistryFile().Path());
    QVERIFY(file.startsWith("\xFF\xFE"));
    const QString text(reinterpret_cast<const QChar*>(file.constData() + 2), file.size() / 2 - 1);
    QVERIFY(text.contains(QStringLiteral("\r\n\"LastReturnAddress\"=hex(1):4a,00,6f,00,20,00")));
    QCOMPARE(StoredHive().FindValue(kKey, kReturnAddress)->data,
             Utf16(address) + QByteArray(2, '\0'));
}

void TstSettingsStore::stringRead_data() {
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");

    QTest::newRow("text") << CRegistryHive::kRegSz << Utf16("abc") + QByteArray(2, '\0') << "abc";
    QTest::newRow("no terminator") << CRegistryHive::kRegSz << Utf16("abc") << "abc";
    QTest::newRow("inner NUL") << CRegistryHive::kRegSz
                               << Utf16(QStringView(u"ab\0cd", 5).toString()) << "ab";
    QTest::newRow("odd byte count") << CRegistryHive::kRegSz << Utf16("ab") + 'c' << "ab";
    QTest::newRow("no bytes") << CRegistryHive::kRegSz << QByteArray() << "";
    QTest::newRow("binary type") << CRegistryHive::kRegBinary << Utf16("xy") << "xy";
    QTest::newRow("dword type") << CRegistryHive::kRegDword << QByteArray("A\0B\0", 4) << "AB";
}

void TstSettingsStore::stringRead() {
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    Store(kReturnAddress, type, data);
    QCOMPARE(m_store.GetProfileString(kSection, QStringLiteral("lastreturnaddress"),
                                      QStringLiteral("default")),
             expected);
}

void TstSettingsStore::intRead_data() {
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("expected");

    QTest::newRow("dword") << CRegistryHive::kRegDword << QByteArray("\1\0\0\0", 4) << 1;
    QTest::newRow("negative") << CRegistryHive::kRegDword << QByteArray("\xff\xff\xff\xff") << -1;
    QTest::newRow("long text") << CRegistryHive::kRegSz << Utf16("12") + QByteArray(2, '\0') << 7;
    QTest::newRow("four bytes of text") << CRegistryHive::kRegSz << QByteArray("\2\0\0\0", 4) << 2;
    QTest::newRow("short") << CRegistryHive::kRegDword << QByteArray("\1\0", 2) << 7;
    QTest::newRow("empty") << CRegistryHive::kRegBinary << QByteArray() << 7;
}

void TstSettingsStore::intRead() {
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(int, expected);
    Store(QStringLiteral("LastEnvelopeIndex"), type, data);
    QCOMPARE(m_store.GetProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), 7), expected);
    QCOMPARE(m_store.GetProfileInt(kSection, QStringLiteral("Missing"), 7), 7);

    QVERIFY(m_store.WriteProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), -1));
    QCOMPARE(m_store.GetProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), 7), -1);
    QCOMPARE(StoredHive().FindValue(kKey, "LastEnvelopeIndex")->type, CRegistryHive::kRegDword);
}

void TstSettingsStore::binaryValuesKeepTheirSize_data() {
    QTest::addColumn<int>("size");
    for (int size : {0, 1, 91, 92, 93, 5000})
        QTest::addRow("%d bytes", size) << size;
}

void TstSettingsStore::binaryValuesKeepTheirSize() {
    QFETCH(int, size);
    QVERIFY(m_store.WriteBinaryValue(QStringLiteral("DevMode"), Pattern(size)));
    QVERIFY(m_store.WriteBinaryValue(QStringLiteral("DevNames"), Pattern(size + 3)));
    QVERIFY(m_store.WriteBinaryValue(QStringLiteral("MailingAddressLogFont"), Pattern(size)));
    QVERIFY(m_store.WriteBinaryValue(QStringLiteral("ReturnAddressLogFont"), Pattern(92)));

    QCOMPARE(m_store.ReadBinaryValue(QStringLiteral("DevMode")),
             std::optional<QByteArray>(Pattern(size)));
    QCOMPARE(m_store.ReadBinaryValue(QStringLiteral("DevNames")),
             std::optional<QByteArray>(Pattern(size + 3)));
    // Only exactly 92 bytes are a font; the other font is kept either way.
    QCOMPARE(m_store.ReadFixedBinaryValue(QStringLiteral("MailingAddressLogFont"), 92),
             size == 92 ? std::optional<QByteArray>(Pattern(92)) : std::nullopt);
    QCOMPARE(m_store.ReadFixedBinaryValue(QStringLiteral("ReturnAddressLogFont"), 92),
             std::optional<QByteArray>(Pattern(92)));
}

void TstSettingsStore::renamedExecutable() {
    QVERIFY(m_store.WriteProfileString(kSection, kReturnAddress, QStringLiteral("old")));
    QVERIFY(m_store.WriteBinaryValue(QStringLiteral("DevMode"), "mode"));

    CSettingsStore renamed(QStringLiteral("Torvane Software"), QStringLiteral("Envelopes"));
    QCOMPARE(renamed.GetProfileString(kSection, kReturnAddress), QString());
    QCOMPARE(renamed.ReadBinaryValue(QStringLiteral("DevMode")), std::optional<QByteArray>("mode"));
    QVERIFY(renamed.WriteProfileString(kSection, kReturnAddress, QStringLiteral("new")));
    QVERIFY(renamed.WriteBinaryValue(QStringLiteral("DevMode"), "other"));

    QCOMPARE(m_store.GetProfileString(kSection, kReturnAddress), QStringLiteral("old"));
    QCOMPARE(m_store.ReadBinaryValue(QStringLiteral("DevMode")),
             std::optional<QByteArray>("other"));
    const CRegistryHive hive = StoredHive();
    QVERIFY(hive.FindValue(kCompanyKey + QStringLiteral("\\Envelopes\\Pelvaro"), kReturnAddress));
    QVERIFY(!hive.FindValue(kCompanyKey + QStringLiteral("\\Envelopes\\Pelvaro"), "DevMode"));
}

void TstSettingsStore::valuesWrittenTogetherAsOneChange() {
    // Stored together, the values come out exactly as the single writes
    // leave them, in the same order.
    QVERIFY(m_store.WriteProfileValues(
        kSection, {
                      {QStringLiteral("LastMailingAddressLabel"), QString()},
                      {QStringLiteral("LastMailingAddress"), QStringLiteral("a\r\nb")},
                      {QStringLiteral("LastEnvelopeIndex"), -1},
                  }));
    const QByteArray together = CRegistryFile().Load().Serialize();

    CTestEnvironment other;
    CSettingsStore single(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    QVERIFY(
        single.WriteProfileString(kSection, QStringLiteral("LastMailingAddressLabel"), QString()));
    QVERIFY(single.WriteProfileString(kSection, QStringLiteral("LastMailingAddress"),
                                      QStringLiteral("a\r\nb")));
    QVERIFY(single.WriteProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), -1));
    QCOMPARE(CRegistryFile().Load().Serialize(), together);

    // A value the store cannot hold stops the whole change: nothing of it
    // is stored, and what was there stays.
    QVERIFY(!single.WriteProfileValues(
        kSection, {
                      {QStringLiteral("LastReturnAddress"), QStringLiteral("x")},
                      {QStringLiteral("bad\nname"), 1},
                  }));
    QCOMPARE(CRegistryFile().Load().Serialize(), together);
}

QTEST_GUILESS_MAIN(TstSettingsStore)
#include "tst_settingsstore.moc"
