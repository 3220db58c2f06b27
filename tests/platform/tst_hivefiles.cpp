#include "registryfile.h"
#include "registryhive.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QTest>
#include <QtEndian>

namespace {

const QString kKey =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\PELVARO\\Pelvaro");

// REG_SZ bytes; chopped(2) gives the bare UTF-16 text.
QByteArray Sz(const QString& text) {
    QByteArray bytes((text.size() + 1) * 2, '\0');
    qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    return bytes;
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
};

// The fixture holds lines of genuine exports: hex lines continued after 23
// bytes behind "@=hex(2):", after 20 behind "\"Consolas\"=hex(7):", 25 bytes on
// every continuation line.
void TestHiveFiles::regeditExportReadAndWrittenAlike() {
    const QByteArray file = ReadWholeFile(TestDataPath(QStringLiteral("registry-regedit.reg")));
    const CRegistryHive hive = CRegistryHive::Parse(file);
    QCOMPARE(hive.DamagedLines(), 0);
    QCOMPARE(
        hive.FindValue("HKEY_CLASSES_ROOT\\PhotoViewer.FileAssoc.Png\\shell\\open\\command", "")
            ->data,
        Sz(QStringLiteral("%SystemRoot%\\System32\\rundll32.exe \"%ProgramFiles%\\Windows "
                          "Photo Viewer\\PhotoViewer.dll\", ImageView_Fullscreen %1")));
    // Written back, every line comes out as the export has it.
    QCOMPARE(hive.Serialize(), file);
}

void TestHiveFiles::stringsWithRawLineBreaks() {
    const CRegistryHive hive =
        CRegistryHive::Parse(ReadWholeFile(TestDataPath(QStringLiteral("registry-multiline.reg"))));
    QCOMPARE(hive.DamagedLines(), 0);
    QCOMPARE(hive.FindValue(kKey, "LastMailingAddress")->data,
             Sz(QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue\r\nRiverton")));
    // Blanks before a break, escapes, and a break just before the quote.
    QCOMPARE(hive.FindValue(kKey, "LastReturnAddress")->data,
             Sz(QStringLiteral("Quentin Sender  \r\n12 \"Return\" Lane\r\n")));
    QCOMPARE(hive.Values(kKey).size(), 4);
    QCOMPARE(hive.Values("HKEY_LOCAL_MACHINE\\SOFTWARE\\TestManufacturer\\TestProduct\\TableQuery1")
                 .size(),
             4);
    // Written back (as hex) and read again, nothing changes.
    QVERIFY(CRegistryHive::Parse(hive.Serialize()) == hive);
}

void TestHiveFiles::olderFormatWidensItsStrings() {
    const CRegistryHive hive =
        CRegistryHive::Parse(ReadWholeFile(TestDataPath(QStringLiteral("registry-regedit4.reg"))));
    QCOMPARE(hive.DamagedLines(), 0);
    const auto data = [&hive](const QString& name) {
        return hive
            .FindValue(QStringLiteral("HKEY_CURRENT_USER\\Software\\regashii\\complex"), name)
            ->data.toHex();
    };
    // As the same values read from the newer format.
    QCOMPARE(data("expand-sz"), "0000");
    QCOMPARE(data("multi-sz-a-b"), "61000000620000000000");
    QCOMPARE(data("binary-a-b"), "6162");
    // 8-bit text in the ANSI code page (1252 here), quoted or in hex.
    QCOMPARE(data("sz-café"), Sz(QStringLiteral("café")).toHex());
    QCOMPARE(data("expand-sz-café"), Sz(QStringLiteral("café")).toHex());
}

void TestHiveFiles::manyValuesInOneKeyReadInLinearTime() {
    // Each value checked against all before it took minutes for this file.
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[") + kKey +
                   QStringLiteral("]\r\n");
    for (int i = 0; i < 100000; ++i)
        text += QStringLiteral("\"Value%1\"=dword:%2\r\n").arg(i).arg(i, 8, 16, QLatin1Char('0'));
    text += QStringLiteral("\"VALUE7\"=dword:ffffffff\r\n");
    QElapsedTimer timer;
    timer.start();
    const CRegistryHive hive = CRegistryHive::Parse(Sz(text).chopped(2));
    QCOMPARE_LT(timer.elapsed(), 10000);
    QCOMPARE(hive.DamagedLines(), 0);
    QCOMPARE(hive.Values(kKey).size(), 100000);
    QCOMPARE(hive.FindValue(kKey, "value99999")->data.toHex(), "9f860100");
    QCOMPARE(hive.FindValue(kKey, "Value7")->data.toHex(), "ffffffff");
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
    bytes.replace(Sz(QStringLiteral("=hex:32")).chopped(2),
                  Sz(QStringLiteral("=hex:33")).chopped(2));
    QVERIFY(WriteWholeFile(file.Path(), bytes));
    QCOMPARE(file.Load().FindValue(kKey, "A")->data, QByteArray("3"));
}

QTEST_GUILESS_MAIN(TestHiveFiles)
#include "tst_hivefiles.moc"
