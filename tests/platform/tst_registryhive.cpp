#include "registryfile.h"
#include "registryhive.h"
#include "registrykey.h"
#include "testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <QtEndian>

namespace {

const QString kKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\PELVARO\\Pelvaro");

QByteArray Sz(const QString& text) {
    QByteArray bytes((text.size() + 1) * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

QByteArray Dword(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(value, bytes.data());
    return bytes;
}

QByteArray Pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + 3);
    return bytes;
}

// The text of a serialized hive, without its byte order mark.
QString FileText(const QByteArray& bytes) {
    return QString(reinterpret_cast<const QChar*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
}

// Run as a child by twoProcessesLoseNothing: writes count values of its own,
// and now and then one value both children share.
int WriteValuesAsChild(const QString& hiveFile, const QString& tag, int count) {
    CRegistryKey key;
    if (CRegistryKey::CurrentUser(hiveFile).Create(QStringLiteral("Software\\Race"), key) !=
        RegistryStatus::Success)
        return 2;
    for (int i = 0; i < count; ++i) {
        if (key.SetValue(tag + QString::number(i), CRegistryHive::kRegDword, Dword(i)) !=
            RegistryStatus::Success)
            return 1;
        if (i % 10 == 0 && key.SetValue(QStringLiteral("Shared"), CRegistryHive::kRegSz, Sz(tag)) !=
                               RegistryStatus::Success)
            return 1;
    }
    return 0;
}

} // namespace

class TstRegistryHive : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void handWrittenUtf8File();
    void caseInsensitivePaths();
    void damagedFile_data();
    void damagedFile();
    void keyOperations();
    void twoProcessesLoseNothing();
};

void TstRegistryHive::roundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("line"); // how the value's line starts

    const quint32 sz = CRegistryHive::kRegSz;
    QTest::newRow("escaped text") << "s" << sz << Sz(QStringLiteral("a\"b\\c ü"))
                                  << QStringLiteral("\"s\"=\"a\\\"b\\\\c ü\"");
    QTest::newRow("empty text") << "s" << sz << Sz(QString()) << "\"s\"=\"\"";
    QTest::newRow("line breaks") << "s" << sz << Sz(QStringLiteral("1 Main\r\nTown"))
                                 << "\"s\"=hex(1):31,00,20,00";
    QTest::newRow("inner NUL") << "s" << sz << Sz(QStringLiteral("a")) + Sz(QStringLiteral("b"))
                               << "\"s\"=hex(1):";
    QTest::newRow("odd size") << "s" << sz << QByteArray("abc") << "\"s\"=hex(1):61,62,63";
    QTest::newRow("no terminator") << "s" << sz << QByteArray("a\0", 2) << "\"s\"=hex(1):61,00";
    QTest::newRow("lone surrogate") << "s" << sz << Sz(QString(QChar(0xD800))) << "\"s\"=hex(1):";
    QTest::newRow("dword") << "d" << CRegistryHive::kRegDword << Dword(0xFFFFFFFE)
                           << "\"d\"=dword:fffffffe";
    QTest::newRow("short dword") << "d" << CRegistryHive::kRegDword << QByteArray("\1\2\3")
                                 << "\"d\"=hex(4):01,02,03";
    QTest::newRow("long binary") << "b" << CRegistryHive::kRegBinary << Pattern(5000)
                                 << "\"b\"=hex:03,0a,11";
    QTest::newRow("empty binary") << "b" << CRegistryHive::kRegBinary << QByteArray()
                                  << "\"b\"=hex:\r\n";
    QTest::newRow("odd type") << "t" << quint32(0x12345678) << QByteArray("\xff", 1)
                              << "\"t\"=hex(12345678):ff\r\n";
    QTest::newRow("expandable") << "e" << CRegistryHive::kRegExpandSz << Sz(QStringLiteral("%X%"))
                                << "\"e\"=hex(2):25,00";
    QTest::newRow("default value") << "" << sz << Sz(QStringLiteral("x")) << "@=\"x\"";
    QTest::newRow("quoted name") << "a\"b\\c" << CRegistryHive::kRegDword << Dword(1)
                                 << "\"a\\\"b\\\\c\"=dword:00000001";
}

void TstRegistryHive::roundTrip() {
    QFETCH(QString, name);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, line);

    CRegistryHive hive;
    QVERIFY(hive.SetValue(kKey, QStringLiteral("before"), CRegistryHive::kRegSz, Sz("1")));
    QVERIFY(hive.SetValue(kKey, name, type, data));
    QVERIFY(hive.SetValue(kKey, QStringLiteral("after"), CRegistryHive::kRegBinary, Pattern(90)));
    const QByteArray bytes = hive.Serialize();

    QVERIFY(bytes.startsWith("\xFF\xFEW\0i\0n\0d\0o\0w\0s\0 \0R\0e\0g\0"));
    const QString text = FileText(bytes);
    QVERIFY(text.startsWith(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[") + kKey +
                            QStringLiteral("]\r\n\"before\"=\"1\"\r\n") + line));
    // regedit's shape: CR LF only, no line longer than 80 columns.
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (const QString& l : lines) {
        QVERIFY2(l.size() <= 80, qPrintable(l));
        QVERIFY(!l.contains(QLatin1Char('\n')) && !l.contains(QLatin1Char('\r')));
    }

    const CRegistryHive parsed = CRegistryHive::Parse(bytes);
    QCOMPARE(parsed.DamagedLines(), 0);
    QCOMPARE(parsed.Values(kKey), hive.Values(kKey));
    QCOMPARE(parsed.Serialize(), bytes);
}

void TstRegistryHive::handWrittenUtf8File() {
    const QByteArray file = ReadWholeFile(TestDataPath(QStringLiteral("registry-utf8.reg")));
    const CRegistryHive hive = CRegistryHive::Parse(file);
    QCOMPARE(hive.DamagedLines(), 0);
    const QString key =
        QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\Pelvaro\\Pelvaro");
    QCOMPARE(hive.StoredPath(key),
             QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\torvane software\\pelvaro\\PELVARO"));

    QCOMPARE(hive.FindValue(key, QStringLiteral("lastmailingaddresslabel"))->data,
             Sz(QStringLiteral("Büro ✉ été")));
    QCOMPARE(hive.FindValue(key, QStringLiteral("LastEnvelopeIndex"))->data, Dword(42));
    QCOMPARE(hive.FindValue(key, QStringLiteral("ReturnAddressLogFont"))->data,
             QByteArray("\xf4\xff\xff\xff\0\0\0\0\0\0\0\0\0\0\0\0", 16));
    QCOMPARE(hive.FindValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\Other"), {})->data,
             Dword(0xFFFFFFFF));

    const CRegistryHive again = CRegistryHive::Parse(hive.Serialize());
    QCOMPARE(again.DamagedLines(), 0);
    QVERIFY(again == hive);
}

void TstRegistryHive::caseInsensitivePaths() {
    CRegistryHive hive;
    QVERIFY(hive.CreateKey(kKey));
    const QString shouted =
        QStringLiteral("hkey_current_user\\SOFTWARE\\torvane software\\pelvaro\\PELVARO");
    QVERIFY(hive.SetValue(shouted, QStringLiteral("DevMode"), 3, "old"));
    QVERIFY(hive.SetValue(kKey, QStringLiteral("DEVMODE"), 3, "new"));
    QVERIFY(hive.SetValue(shouted + QStringLiteral("\\Sub"), QStringLiteral("x"), 3, "x"));

    QCOMPARE(hive.KeyPaths(), QStringList({kKey, kKey + QStringLiteral("\\Sub")}));
    const QList<CRegistryHive::Value> values = hive.Values(shouted);
    QCOMPARE(values.size(), 1);
    QCOMPARE(values[0].name, QStringLiteral("DevMode"));
    QCOMPARE(values[0].data, QByteArray("new"));

    // Keys above a section exist; a name that only starts the same does not.
    QVERIFY(hive.KeyExists(QStringLiteral("HKEY_CURRENT_USER\\software\\TORVANE SOFTWARE")));
    QVERIFY(!hive.KeyExists(QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane")));
    QVERIFY(!hive.KeyExists(kKey + QStringLiteral("\\Su")));
}

void TstRegistryHive::damagedFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("readable");

    CRegistryHive hive;
    hive.SetValue(kKey, QStringLiteral("A"), CRegistryHive::kRegSz, Sz(QStringLiteral("first")));
    hive.SetValue(kKey, QStringLiteral("B"), CRegistryHive::kRegBinary, Pattern(200));
    hive.SetValue(kKey, QStringLiteral("C"), CRegistryHive::kRegDword, Dword(0x12345678));
    hive.SetValue(kKey, QStringLiteral("D"), CRegistryHive::kRegSz, Sz(QStringLiteral("last")));
    const QByteArray whole = hive.Serialize();
    const QString text = FileText(whole);
    const auto cutBefore = [&](const QString& mark) {
        return whole.left(2 + 2 * text.indexOf(mark));
    };
    const auto utf16 = [](const QString& s) { return QByteArray("\xFF\xFE") + Sz(s).chopped(2); };

    QTest::newRow("intact") << whole << QStringList{"A", "B", "C", "D"};
    QTest::newRow("cut in a hex line") << cutBefore(QStringLiteral("2d,34,3b")) << QStringList{"A"};
    QTest::newRow("cut in a dword") << cutBefore(QStringLiteral("5678")) << QStringList{"A", "B"};
    QTest::newRow("cut in a string")
        << cutBefore(QStringLiteral("ast\"")) << QStringList{"A", "B", "C"};
    QTest::newRow("odd byte count") << whole.chopped(1) << QStringList{"A", "B", "C", "D"};
    QTest::newRow("no byte order mark") << whole.sliced(2) << QStringList{"A", "B", "C", "D"};
    QString garbled = text;
    garbled.insert(text.indexOf(QStringLiteral("\"C\"")),
                   QStringLiteral("garbage\r\n\"E\"=hex:zz\r\n\"F\"=dword:123456789\r\n"
                                  "\"G\"=hex:01,\\\r\n\"H\"=-\r\n\"I\"=\"open\r\n"
                                  "\"K\"=hex:01,\\\r\n[") +
                       kKey + QStringLiteral("]\r\n"));
    garbled += QStringLiteral("[unterminated\r\n\"J\"=\"lost\"\r\n");
    QTest::newRow("garbage lines") << utf16(garbled) << QStringList{"A", "B", "C", "D"};
    QTest::newRow("8-bit text") << QByteArray("REGEDIT4\r\n\r\n[" + kKey.toLatin1() +
                                              "]\r\n\"A\"=\"caf\xe9\"\r\n")
                                << QStringList{"A"};
    QTest::newRow("all NUL") << QByteArray(4096, '\0') << QStringList{};
}

void TstRegistryHive::damagedFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, readable);

    CTestEnvironment environment;
    const CRegistryFile file;
    QVERIFY(WriteWholeFile(file.Path(), bytes));
    const CRegistryHive loaded = file.Load();
    for (const char* name : {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K"}) {
        const auto* value = loaded.FindValue(kKey, name);
        QCOMPARE(value != nullptr, readable.contains(QLatin1String(name)));
    }
    if (readable.contains("B"))
        QCOMPARE(loaded.FindValue(kKey, "B")->data, Pattern(200));
    if (QTest::currentDataTag() == QByteArray("8-bit text"))
        QCOMPARE(loaded.FindValue(kKey, "A")->data, Sz(QStringLiteral("café")));

    // A later write keeps everything that could be read.
    QVERIFY(file.Update([](CRegistryHive& hive) { return hive.SetValue(kKey, "New", 3, "n"); }));
    const CRegistryHive rewritten = file.Load();
    QCOMPARE(rewritten.DamagedLines(), 0);
    QVERIFY(rewritten.FindValue(kKey, "New"));
    for (const QString& name : readable)
        QCOMPARE(rewritten.FindValue(kKey, name)->data, loaded.FindValue(kKey, name)->data);
    // What could not be read is kept aside.
    QCOMPARE(QFile::exists(file.Path() + ".bak"), loaded.DamagedLines() > 0);
}

void TstRegistryHive::keyOperations() {
    CTestEnvironment environment;
    const CRegistryFile file;
    CRegistryKey root = CRegistryKey::CurrentUser();
    CRegistryKey key;
    QCOMPARE(root.Open(QStringLiteral("SOFTWARE"), key), RegistryStatus::Success);
    QCOMPARE(root.Open(QStringLiteral("Software\\Missing"), key), RegistryStatus::NotFound);
    QVERIFY(!QFile::exists(file.Path()));

    QCOMPARE(root.Create(QStringLiteral("software\\A\\B"), key), RegistryStatus::Success);
    QCOMPARE(key.Path(), QStringLiteral("HKEY_CURRENT_USER\\Software\\A\\B"));
    QCOMPARE(key.SetValue(QStringLiteral("v"), 3, QByteArray(10, 'x')), RegistryStatus::Success);

    CRegistryKey reopened;
    QCOMPARE(CRegistryKey::CurrentUser().Open(QStringLiteral("Software\\a\\b"), reopened),
             RegistryStatus::Success);
    qsizetype size = 0;
    quint32 type = 0;
    QCOMPARE(reopened.QueryValueSize(QStringLiteral("V"), size, &type), RegistryStatus::Success);
    QVERIFY(size == 10 && type == 3u);
    QByteArray data;
    QCOMPARE(reopened.QueryValue(QStringLiteral("v"), 9, data), RegistryStatus::MoreData);
    QCOMPARE(reopened.QueryValue(QStringLiteral("v"), 10, data), RegistryStatus::Success);
    QCOMPARE(data, QByteArray(10, 'x'));
    QCOMPARE(reopened.QueryValue(QStringLiteral("w"), 10, data), RegistryStatus::NotFound);
    reopened.Close();
    QCOMPARE(reopened.QueryValue(QStringLiteral("v"), 10, data), RegistryStatus::Failed);
    QCOMPARE(reopened.SetValue(QStringLiteral("v"), 3, "y"), RegistryStatus::Failed);

    QVERIFY(FileText(ReadWholeFile(file.Path()))
                .contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\A\\B]\r\n\"v\"=hex:")));
    QVERIFY(!QFile::exists(file.Path() + ".lock"));
}

void TstRegistryHive::twoProcessesLoseNothing() {
    CTestEnvironment environment;
    const CRegistryFile file;
    constexpr int kCount = 60;
    QProcess writers[2];
    const QString tags[2] = {QStringLiteral("first"), QStringLiteral("second")};
    for (int i = 0; i < 2; ++i)
        writers[i].start(QCoreApplication::applicationFilePath(),
                         {"--write-values", file.Path(), tags[i], QString::number(kCount)});
    for (QProcess& writer : writers) {
        QVERIFY(writer.waitForFinished(60000));
        QVERIFY(writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0);
    }

    const CRegistryHive hive = file.Load();
    QCOMPARE(hive.DamagedLines(), 0);
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Race");
    QCOMPARE(hive.Values(key).size(), 2 * kCount + 1);
    for (const QString& tag : tags) {
        for (int i = 0; i < kCount; ++i) {
            const auto* value = hive.FindValue(key, tag + QString::number(i));
            QVERIFY2(value && value->data == Dword(i), qPrintable(tag + QString::number(i)));
        }
    }
    const QByteArray shared = hive.FindValue(key, QStringLiteral("Shared"))->data;
    QVERIFY(shared == Sz(tags[0]) || shared == Sz(tags[1]));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--write-values") == 0)
        return WriteValuesAsChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                                  atoi(argv[4]));
    TstRegistryHive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registryhive.moc"
