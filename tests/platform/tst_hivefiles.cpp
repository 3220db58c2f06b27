#include "registryfile.h"
#include "registryhive.h"
#include "testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

namespace {

const QString kKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\PELVARO\\Pelvaro");

QByteArray Utf16(const QString& text) {
    QByteArray bytes(text.size() * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

QByteArray Sz(const QString& text) {
    return Utf16(text) + QByteArray(2, '\0');
}

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

CRegistryHive Fixture(const char* name) {
    return CRegistryHive::Parse(ReadWholeFile(TestDataPath(QString::fromLatin1(name))));
}

} // namespace

// Settings files as the registry editor writes them, and as a damaged or
// hostile one may be.
class TestHiveFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void regeditExportReadAndWrittenAlike();
    void stringsWithRawLineBreaks();
    void olderFormatWidensItsStrings();
    void manyValuesInOneKeyReadInLinearTime();
    void unchangedFileIsNotParsedAgain();
    void newFilesAndFoldersArePrivate();
};

// The fixture holds lines of genuine exports: hex lines continued after 23
// bytes behind "@=hex(2):", after 20 behind "\"Consolas\"=hex(7):", 25 bytes on
// every continuation line.
void TestHiveFiles::regeditExportReadAndWrittenAlike() {
    const QByteArray file = ReadWholeFile(TestDataPath(QStringLiteral("registry-regedit.reg")));
    const CRegistryHive hive = CRegistryHive::Parse(file);
    QCOMPARE(hive.DamagedLines(), 0);
    const auto value = [&hive](const char* key, const char* name) {
        const auto* found = hive.FindValue(QString::fromLatin1(key), QString::fromLatin1(name));
        return found ? *found : CRegistryHive::Value{};
    };
    QCOMPARE(value("HKEY_CLASSES_ROOT\\PhotoViewer.FileAssoc.Png\\shell\\open\\command", "").data,
             Sz(QStringLiteral("%SystemRoot%\\System32\\rundll32.exe \"%ProgramFiles%\\Windows "
                               "Photo Viewer\\PhotoViewer.dll\", ImageView_Fullscreen %1")));
    const char* fontLink =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink";
    QCOMPARE(value(fontLink, "Consolas").type, CRegistryHive::kRegMultiSz);
    QCOMPARE(value(fontLink, "Consolas").data,
             Sz(QStringLiteral("MSYH.TTC,Microsoft YaHei UI,128,96")) +
                 Sz(QStringLiteral("MSYH.TTC,Microsoft YaHei UI")) + QByteArray(2, '\0'));
    QCOMPARE(value(fontLink, "Description").data,
             Sz(QStringLiteral("@%systemroot%\\system32\\wuaueng.dll,-106")));
    QCOMPARE(value("HKEY_CURRENT_USER\\Test\\subkey1", "DWORD64").data, Hex("23fe530000000000"));
    QCOMPARE(value("HKEY_CURRENT_USER\\Test", "binaire").data, Hex("00010010101010"));

    QCOMPARE(hive.Serialize(), file);
}

void TestHiveFiles::stringsWithRawLineBreaks() {
    const CRegistryHive hive = Fixture("registry-multiline.reg");
    QCOMPARE(hive.DamagedLines(), 0);
    QCOMPARE(hive.FindValue(kKey, QStringLiteral("LastMailingAddress"))->data,
             Sz(QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue\r\nRiverton")));
    // Blanks before a break, escapes, and a break just before the quote.
    QCOMPARE(hive.FindValue(kKey, QStringLiteral("LastReturnAddress"))->data,
             Sz(QStringLiteral("Quentin Sender  \r\n12 \"Return\" Lane\r\n")));
    QCOMPARE(hive.FindValue(kKey, QStringLiteral("LastMailingAddressLabel"))->data,
             Sz(QStringLiteral("Rosalind")));
    QCOMPARE(hive.FindValue(kKey, QStringLiteral("LastEnvelopeIndex"))->data, Hex("01000000"));
    const QString table =
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\TestManufacturer\\TestProduct\\TableQuery1");
    QCOMPARE(hive.Values(table).size(), 4);
    QCOMPARE(hive.FindValue(table, QStringLiteral("Title"))->data,
             Sz(QStringLiteral("$FullName$")));

    // Written back (as hex) and read again, nothing changes.
    const CRegistryHive again = CRegistryHive::Parse(hive.Serialize());
    QCOMPARE(again.DamagedLines(), 0);
    QVERIFY(again == hive);
}

void TestHiveFiles::olderFormatWidensItsStrings() {
    const CRegistryHive hive = Fixture("registry-regedit4.reg");
    QCOMPARE(hive.DamagedLines(), 0);
    const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\regashii\\complex");
    const auto data = [&](const QString& name) { return hive.FindValue(key, name)->data; };
    // As the same values read from the newer format.
    QCOMPARE(data(QStringLiteral("expand-sz")), Hex("0000"));
    QCOMPARE(data(QStringLiteral("expand-sz-a")), Hex("61000000"));
    QCOMPARE(data(QStringLiteral("multi-sz")), Hex("0000"));
    QCOMPARE(data(QStringLiteral("multi-sz-a-b")), Hex("61000000620000000000"));
    QCOMPARE(data(QStringLiteral("binary-a-b")), Hex("6162"));
    QCOMPARE(data(QStringLiteral("qword-255")), Hex("ff00000000000000"));
    QCOMPARE(data(QStringLiteral("sz-sp\\ec\"ial")), Sz(QStringLiteral("sp\\ec\"ial")));
    // 8-bit text in the ANSI code page (1252 here), quoted or in hex.
    QCOMPARE(data(QStringLiteral("sz-café")), Sz(QStringLiteral("café")));
    QCOMPARE(data(QStringLiteral("expand-sz-café")), Sz(QStringLiteral("café")));
}

void TestHiveFiles::manyValuesInOneKeyReadInLinearTime() {
    // Each value checked against all before it took minutes for this file.
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[") + kKey +
                   QStringLiteral("]\r\n");
    constexpr int kValues = 100000;
    for (int i = 0; i < kValues; ++i)
        text += QStringLiteral("\"Value%1\"=dword:%2\r\n").arg(i).arg(i, 8, 16, QLatin1Char('0'));
    text += QStringLiteral("\"VALUE7\"=dword:ffffffff\r\n");
    QElapsedTimer timer;
    timer.start();
    const CRegistryHive hive = CRegistryHive::Parse(Utf16(text));
    QCOMPARE_LT(timer.elapsed(), 10000);
    QCOMPARE(hive.DamagedLines(), 0);
    QCOMPARE(hive.Values(kKey).size(), kValues);
    QCOMPARE(hive.FindValue(kKey, QStringLiteral("value99999"))->data, Hex("9f860100"));
    QCOMPARE(hive.FindValue(kKey, QStringLiteral("Value7"))->data, Hex("ffffffff"));
}

void TestHiveFiles::unchangedFileIsNotParsedAgain() {
    CTestEnvironment environment;
    const CRegistryFile file;
    QVERIFY(file.Update([](CRegistryHive& hive) { return hive.SetValue(kKey, "A", 3, "1"); }));
    const auto first = file.LoadShared();
    QCOMPARE(file.LoadShared(), first);

    // Another copy's write replaces the file.
    QVERIFY(CRegistryFile(file.Path()).Update([](CRegistryHive& hive) {
        return hive.SetValue(kKey, "A", 3, "2");
    }));
    QCOMPARE(file.Load().FindValue(kKey, "A")->data, QByteArray("2"));
    // An edit in place to the same size is seen too.
    QByteArray bytes = ReadWholeFile(file.Path());
    bytes.replace(Utf16(QStringLiteral("=hex:32")), Utf16(QStringLiteral("=hex:33")));
    QVERIFY(WriteWholeFile(file.Path(), bytes));
    QCOMPARE(file.Load().FindValue(kKey, "A")->data, QByteArray("3"));
}

void TestHiveFiles::newFilesAndFoldersArePrivate() {
    CTestEnvironment environment;
    const mode_t oldMask = ::umask(022);
    const CRegistryFile file;
    const QString folder = QFileInfo(file.Path()).absolutePath();
    QVERIFY(QDir(environment.ConfigHome()).removeRecursively());
    QVERIFY(file.Update([](CRegistryHive& hive) { return hive.SetValue(kKey, "A", 3, "1"); }));
    const auto mode = [](const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 0777 : 0;
    };
    QCOMPARE(mode(environment.ConfigHome()), 0700u);
    QCOMPARE(mode(folder), 0700u);
    QCOMPARE(mode(file.Path()), 0600u);

    // What the user set stays.
    QVERIFY(::chmod(QFile::encodeName(file.Path()).constData(), 0640) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0750) == 0);
    QVERIFY(file.Update([](CRegistryHive& hive) { return hive.SetValue(kKey, "A", 3, "2"); }));
    QCOMPARE(mode(file.Path()), 0640u);
    QCOMPARE(mode(folder), 0750u);
    ::umask(oldMask);
}

QTEST_GUILESS_MAIN(TestHiveFiles)
#include "tst_hivefiles.moc"
