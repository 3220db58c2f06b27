#include "printerblocks.h"

#include "pdfwriterblocks.h"
#include "settingsstore.h"
#include "testenvironment.h"

#include <QPageSize>
#include <QPrinter>
#include <QTest>
#include <QtEndian>

class TestPrinterBlocks : public QObject {
    Q_OBJECT

private slots:
    void DevModeLayout();
    void DevModeKeepsDriverBytesAndShortLayouts();
    void DevNamesLayout();
    void RefusedBlocks_data();
    void RefusedBlocks();
    void RoundTripsThroughPrinter();
    void PaperCodesAndOverrides();
    void StoredThroughTheSettings();
};

namespace {

template <typename T> T At(const QByteArray& bytes, int offset) {
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

QString UnitsAt(const QByteArray& bytes, int offset) {
    QString text;
    for (int i = offset; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = At<uint16_t>(bytes, i);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

} // namespace

void TestPrinterBlocks::DevModeLayout() {
    // Every field gets a value of its own, so a field at a wrong offset shows.
    // Listed in their order in the block: words from 76, dwords from 168.
    int16_t DEVMODEW::*const words[] = {
        &DEVMODEW::dmOrientation,   &DEVMODEW::dmPaperSize,    &DEVMODEW::dmPaperLength,
        &DEVMODEW::dmPaperWidth,    &DEVMODEW::dmScale,        &DEVMODEW::dmCopies,
        &DEVMODEW::dmDefaultSource, &DEVMODEW::dmPrintQuality, &DEVMODEW::dmColor,
        &DEVMODEW::dmDuplex,        &DEVMODEW::dmYResolution,  &DEVMODEW::dmTTOption,
        &DEVMODEW::dmCollate};
    uint32_t DEVMODEW::*const dwords[] = {
        &DEVMODEW::dmBitsPerPel,   &DEVMODEW::dmPelsWidth,        &DEVMODEW::dmPelsHeight,
        &DEVMODEW::dmDisplayFlags, &DEVMODEW::dmDisplayFrequency, &DEVMODEW::dmICMMethod,
        &DEVMODEW::dmICMIntent,    &DEVMODEW::dmMediaType,        &DEVMODEW::dmDitherType,
        &DEVMODEW::dmReserved1,    &DEVMODEW::dmReserved2,        &DEVMODEW::dmPanningWidth,
        &DEVMODEW::dmPanningHeight};
    DEVMODEW dm;
    dm.SetDeviceName(QStringLiteral("Envelope Printer"));
    dm.dmSpecVersion = 0x0401;
    dm.dmDriverVersion = 0x0302;
    dm.dmFields = 0x0001BF1F;
    for (int i = 0; i < 13; ++i) {
        dm.*words[i] = int16_t(-1000 - i);
        dm.*dwords[i] = 0x01020304u * uint32_t(i + 1);
    }
    dm.SetFormName(QStringLiteral("Envelope #10"));
    dm.dmLogPixels = 7;
    dm.driverExtra = QByteArray("\x01\x02\x03", 3);

    const QByteArray b = dm.ToBytes();
    QCOMPARE(b.size(), 220 + 3);
    QCOMPARE(UnitsAt(b, 0), QStringLiteral("Envelope Printer"));
    QCOMPARE(At<uint16_t>(b, 64), 0x0401);
    QCOMPARE(At<uint16_t>(b, 66), 0x0302);
    QCOMPARE(At<uint16_t>(b, 68), 220);
    QCOMPARE(At<uint16_t>(b, 70), 3);
    QCOMPARE(At<uint32_t>(b, 72), 0x0001BF1Fu);
    QCOMPARE(UnitsAt(b, 102), QStringLiteral("Envelope #10"));
    QCOMPARE(At<uint16_t>(b, 166), 7);
    for (int i = 0; i < 13; ++i) {
        QCOMPARE(At<int16_t>(b, 76 + 2 * i), int16_t(-1000 - i));
        QCOMPARE(At<uint32_t>(b, 168 + 4 * i), 0x01020304u * uint32_t(i + 1));
    }
    QCOMPARE(b.mid(220), QByteArray("\x01\x02\x03", 3));

    // Names are cut to leave room for the terminator.
    dm.SetDeviceName(QString(40, u'x'));
    QCOMPARE(dm.DeviceName().size(), 31);

    const std::optional<DEVMODEW> back = DEVMODEW::FromBytes(b);
    QVERIFY(back);
    QCOMPARE(back->ToBytes(), b);
}

void TestPrinterBlocks::DevModeKeepsDriverBytesAndShortLayouts() {
    DEVMODEW dm;
    dm.dmFields = DEVMODEW::DM_COPIES;
    dm.dmCopies = 2;
    dm.driverExtra = QByteArray(37, '\x5A');
    // A memory block may be larger than what it holds.
    QByteArray block = dm.ToBytes() + QByteArray(16, '\xEE');
    std::optional<DEVMODEW> back = DEVMODEW::FromBytes(block);
    QVERIFY(back);
    QCOMPARE(back->driverExtra, QByteArray(37, '\x5A'));
    QCOMPARE(back->dmCopies, 2);

    // An older, shorter public part: fields past it read as zero, and the
    // driver bytes start right after it.
    QByteArray shortBlock = dm.ToBytes().left(156);
    qToLittleEndian<uint16_t>(156, shortBlock.data() + 68);
    qToLittleEndian<uint16_t>(4, shortBlock.data() + 70);
    shortBlock.append("\xA1\xA2\xA3\xA4", 4);
    back = DEVMODEW::FromBytes(shortBlock);
    QVERIFY(back);
    QCOMPARE(back->dmSize, 156);
    QCOMPARE(back->dmCopies, 2);
    QCOMPARE(back->dmLogPixels, 0);
    QCOMPARE(back->driverExtra, QByteArray("\xA1\xA2\xA3\xA4", 4));
}

void TestPrinterBlocks::DevNamesLayout() {
    DEVNAMES names;
    names.driver = QStringLiteral("cups");
    names.device = QStringLiteral("Büro");
    names.output = QString();
    names.wDefault = DEVNAMES::DN_DEFAULTPRN;
    const QByteArray b = names.ToBytes();
    // Offsets count UTF-16 units: the header is 4 units, "cups" and its
    // terminator 5, "Büro" and its terminator 5.
    QCOMPARE(At<uint16_t>(b, 0), 4);
    QCOMPARE(At<uint16_t>(b, 2), 9);
    QCOMPARE(At<uint16_t>(b, 4), 14);
    QCOMPARE(At<uint16_t>(b, 6), 1);
    QCOMPARE(b.size(), 2 * 15);
    QCOMPARE(UnitsAt(b, 8), QStringLiteral("cups"));
    QCOMPARE(UnitsAt(b, 18), QStringLiteral("Büro"));
    QCOMPARE(DEVNAMES::FromBytes(b), names);

    // Names may share storage or sit in any order.
    QByteArray shared(16, '\0');
    qToLittleEndian<uint16_t>(4, shared.data());
    qToLittleEndian<uint16_t>(5, shared.data() + 2);
    qToLittleEndian<uint16_t>(7, shared.data() + 4);
    qToLittleEndian<uint16_t>(u'a', shared.data() + 8);
    qToLittleEndian<uint16_t>(u'b', shared.data() + 10);
    const std::optional<DEVNAMES> back = DEVNAMES::FromBytes(shared);
    QVERIFY(back);
    QCOMPARE(back->driver, QStringLiteral("ab"));
    QCOMPARE(back->device, QStringLiteral("b"));
    QCOMPARE(back->output, QString());
}

void TestPrinterBlocks::RefusedBlocks_data() {
    QTest::addColumn<QByteArray>("devMode");
    QTest::addColumn<QByteArray>("devNames");

    const QByteArray goodNames = PdfNames(QStringLiteral("/tmp/never-written.pdf"));
    DEVMODEW dm;
    dm.driverExtra = QByteArray(8, '\0');
    const QByteArray goodMode = dm.ToBytes();
    auto withWord = [](QByteArray b, int offset, uint16_t value) {
        qToLittleEndian<uint16_t>(value, b.data() + offset);
        return b;
    };

    QTest::newRow("names: empty block") << goodMode << QByteArray("");
    QTest::newRow("names: shorter than the header") << goodMode << goodNames.left(7);
    QTest::newRow("names: driver offset beyond") << goodMode << withWord(goodNames, 0, 500);
    QTest::newRow("names: device offset beyond") << goodMode << withWord(goodNames, 2, 0xFFFF);
    QTest::newRow("names: output offset at the end")
        << goodMode << withWord(goodNames, 4, goodNames.size() / 2);
    QTest::newRow("names: no terminator") << goodMode << goodNames.left(goodNames.size() - 2);
    QTest::newRow("names: odd size cuts the terminator")
        << goodMode << goodNames.left(goodNames.size() - 1);
    QTest::newRow("mode: empty block") << QByteArray("") << goodNames;
    QTest::newRow("mode: too short for its fields") << goodMode.left(75) << goodNames;
    QTest::newRow("mode: dmSize larger than the block") << withWord(goodMode, 68, 300) << goodNames;
    QTest::newRow("mode: dmSize too small") << withWord(goodMode, 68, 10) << goodNames;
    QTest::newRow("mode: driver bytes beyond the block") << withWord(goodMode, 70, 9) << goodNames;
    QTest::newRow("mode: driver bytes cut") << goodMode.left(goodMode.size() - 1) << goodNames;

    // Printers that are not here configure nothing either.
    const auto names = [](const char* driver, const char* device, const char* output) {
        DEVNAMES block;
        block.driver = QString::fromLatin1(driver);
        block.device = QString::fromLatin1(device);
        block.output = QString::fromLatin1(output);
        return block.ToBytes();
    };
    QTest::newRow("no such queue") << QByteArray() << names("cups", "No Such Queue 7f3a", "");
    QTest::newRow("another platform's printer")
        << QByteArray() << names("winspool", "\\\\server\\LaserJet", "Ne00:");
    QTest::newRow("PDF writer without a file") << QByteArray() << PdfNames(QString());
    QTest::newRow("no names block") << goodMode << QByteArray();
}

void TestPrinterBlocks::RefusedBlocks() {
    QFETCH(QByteArray, devMode);
    QFETCH(QByteArray, devNames);
    QPrinter printer;
    QVERIFY(!ConfigurePrinterFromBlocks(printer, devMode, devNames));
}

void TestPrinterBlocks::RoundTripsThroughPrinter() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/tmp/envelopes.pdf"));
    printer.setPageSize(QPageSize(QPageSize::Envelope10));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setCopyCount(3);
    printer.setResolution(300);
    printer.setColorMode(QPrinter::GrayScale);
    // The PDF writer has no duplex unit; it reports simplex whatever is set.
    printer.setDuplex(QPrinter::DuplexShortSide);
    printer.setCollateCopies(false);

    const PrinterBlocks blocks = BlocksFromPrinter(printer);
    const std::optional<DEVMODEW> mode = DEVMODEW::FromBytes(blocks.devMode);
    QVERIFY(mode);
    QCOMPARE(mode->dmPaperSize, 20);
    QCOMPARE(mode->dmOrientation, DEVMODEW::DMORIENT_LANDSCAPE);
    QCOMPARE(mode->dmCopies, 3);
    QCOMPARE(mode->dmPrintQuality, 300);
    QCOMPARE(mode->dmColor, DEVMODEW::DMCOLOR_MONOCHROME);
    QCOMPARE(mode->dmDuplex, DEVMODEW::DMDUP_SIMPLEX);
    QVERIFY(mode->Has(DEVMODEW::DM_COLLATE) && mode->dmCollate == 0);
    QVERIFY(!mode->Has(DEVMODEW::DM_PAPERWIDTH));

    QPrinter copy(QPrinter::HighResolution);
    QVERIFY(ConfigurePrinterFromBlocks(copy, blocks.devMode, blocks.devNames));
    // Every field set above differs from a new printer's, so a field the
    // way back drops changes the blocks.
    QCOMPARE(copy.outputFileName(), QStringLiteral("/tmp/envelopes.pdf"));
    QCOMPARE(BlocksFromPrinter(copy).devMode, blocks.devMode);
    QCOMPARE(BlocksFromPrinter(copy).devNames, blocks.devNames);

    // A size without a code of its own goes as width and length.
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageSize(QPageSize(QSizeF(123.4, 201.7), QPageSize::Millimeter));
    const PrinterBlocks custom = BlocksFromPrinter(printer);
    const std::optional<DEVMODEW> customMode = DEVMODEW::FromBytes(custom.devMode);
    QVERIFY(customMode);
    QCOMPARE(customMode->dmPaperSize, DEVMODEW::DMPAPER_USER);
    QVERIFY(customMode->Has(DEVMODEW::DM_PAPERWIDTH) && customMode->Has(DEVMODEW::DM_PAPERLENGTH));
    QCOMPARE(customMode->dmPaperWidth, 1234);
    QCOMPARE(customMode->dmPaperLength, 2017);
    QVERIFY(ConfigurePrinterFromBlocks(copy, custom.devMode, custom.devNames));
    const QSizeF size = copy.pageLayout().pageSize().size(QPageSize::Millimeter);
    QCOMPARE_LT(qAbs(size.width() - 123.4), 0.05);
    QCOMPARE_LT(qAbs(size.height() - 201.7), 0.05);
}

void TestPrinterBlocks::PaperCodesAndOverrides() {
    const QByteArray names = PdfNames(QStringLiteral("/tmp/x.pdf"));
    DEVMODEW dm;
    dm.dmFields = DEVMODEW::DM_PAPERSIZE;
    dm.dmPaperSize = 1; // letter
    QPrinter letter;
    QVERIFY(ConfigurePrinterFromBlocks(letter, dm.ToBytes(), names));
    QCOMPARE(letter.pageLayout().pageSize().id(), QPageSize::Letter);

    // Length and width win over the code when both are given.
    dm.dmFields |= DEVMODEW::DM_PAPERWIDTH | DEVMODEW::DM_PAPERLENGTH;
    dm.dmPaperWidth = 1000;
    dm.dmPaperLength = 1500;
    QPrinter custom;
    QVERIFY(ConfigurePrinterFromBlocks(custom, dm.ToBytes(), names));
    QCOMPARE(custom.pageLayout().pageSize().size(QPageSize::Millimeter), QSizeF(100, 150));

    // Values whose bit is not set in dmFields are ignored, and so is an
    // unknown paper code.
    DEVMODEW unset;
    unset.dmPaperSize = 1;
    unset.dmCopies = 9;
    unset.dmOrientation = DEVMODEW::DMORIENT_LANDSCAPE;
    QPrinter plain;
    const QPageSize before = plain.pageLayout().pageSize();
    QVERIFY(ConfigurePrinterFromBlocks(plain, unset.ToBytes(), names));
    QCOMPARE(plain.copyCount(), 1);
    QCOMPARE(plain.pageLayout().orientation(), QPageLayout::Portrait);
    QCOMPARE(plain.pageLayout().pageSize().id(), before.id());
    unset.dmFields = DEVMODEW::DM_PAPERSIZE;
    unset.dmPaperSize = 9999;
    QVERIFY(ConfigurePrinterFromBlocks(plain, unset.ToBytes(), names));
    QCOMPARE(plain.pageLayout().pageSize().id(), before.id());
}

void TestPrinterBlocks::StoredThroughTheSettings() {
    CTestEnvironment environment;
    CSettingsStore store(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    DEVMODEW dm;
    dm.driverExtra = QByteArray(64, '\x7F');
    const QByteArray devMode = dm.ToBytes() + QByteArray(12, '\0');
    const QByteArray devNames = PdfNames(QStringLiteral("/tmp/stored.pdf"));
    StorePrinterBlocks(store, devMode, devNames);
    QCOMPARE(store.ReadBinaryValue(QStringLiteral("DevMode")), devMode);
    QCOMPARE(store.ReadBinaryValue(QStringLiteral("DevNames")), devNames);
}

QTEST_MAIN(TestPrinterBlocks)
#include "tst_printerblocks.moc"
