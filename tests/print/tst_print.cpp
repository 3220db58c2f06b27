// What describes and prints an envelope: the layout arithmetic against the
// worked layouts, the stored blocks byte for byte and what they set up, and
// jobs printed to the PDF writer and read back.

#include "pdftext.h"
#include "print/blockplacement.h"
#include "print/envelopelayout.h"
#include "print/envelopepainter.h"
#include "print/jobwarnings.h"
#include "print/logfont.h"
#include "print/papersizes.h"
#include "print/printeralignment.h"
#include "print/printerblocks.h"
#include "print/printjob.h"
#include "printblocks.h"
#include "settings/settingsstore.h"
#include "testenvironment.h"
#include "testjob.h"

#include <QtGui>
#include <QtPrintSupport>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <limits>

namespace {

QByteArray WithWord(QByteArray b, int offset, uint16_t value) {
    qToLittleEndian<uint16_t>(value, b.data() + offset);
    return b;
}

// The main dialog of the worked layouts, printing to the PDF writer.
EnvelopeJob Job(const QString& output, const QByteArray& devMode) {
    EnvelopeJob job =
        TestJob(devMode, PdfNames(output), QStringLiteral("Liberation Sans"), -13, -16);
    job.returnAddress = QStringLiteral("Returnline\r\nSecondline");
    job.mailingAddress = QStringLiteral("Mailingline\r\nTown");
    job.window = {QSize(646, 316), QPoint(14, 14), QPoint(206, 100), 96};
    return job;
}

// For cups_e2e.sh: one envelope to a CUPS queue, with blocks made the way
// the printer setup makes them.
int PrintToQueue(const QString& queue) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    if (printer.printerName() != queue)
        return 2;
    EnvelopeJob job = Job(QString(), QByteArray());
    const PrinterBlocks blocks = BlocksFromPrinter(printer);
    job.devMode = blocks.devMode;
    job.target = PrintTarget::FromDevNames(blocks.devNames);
    job.returnAddress = QStringLiteral("Quentin Sender\r\n12 Return Lane");
    job.mailingAddress = QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue");
    // A job that did not come out says why, as the window would.
    PrintFailure failure;
    const PrintResult result = PrintEnvelope(job, &failure);
    if (result == PrintResult::Failed)
        std::fprintf(stderr, "%s\n", qPrintable(PrintFailureMessage(failure)));
    return result == PrintResult::Printed ? 0 : result == PrintResult::Failed ? 3 : 1;
}

// A letter sheet at 300 DPI, lying or standing.
QByteArray LetterSettings(bool landscape) {
    DEVMODEW mode = *DEVMODEW::FromBytes(LandscapeSettings(1, 300));
    if (!landscape)
        mode.dmOrientation = DEVMODEW::DMORIENT_PORTRAIT;
    return mode.ToBytes();
}

// Each word's box by its text.
QMap<QString, QRectF> WordBoxes(const QString& path) {
    QMap<QString, QRectF> boxes;
    for (const PdfWord& word : ReadPdf(path).words)
        boxes.insert(word.text,
                     QRectF(QPointF(word.xMin, word.yMin), QPointF(word.xMax, word.yMax)));
    return boxes;
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_count = 0;
    QString NextPdf() { return m_dir.filePath(QStringLiteral("job-%1.pdf").arg(++m_count)); }

private slots:
    // A dialog whose client area is 646 x 316 with the return box at
    // (14, 14), the mailing box at (206, 100), a 96 DPI screen, a return font
    // of -13 and a mailing font of -16.
    void layout_data() {
        QTest::addColumn<QList<int>>("printer"); // W, H, OX, OY, D, PY
        QTest::addColumn<int>("index");
        QTest::addColumn<QList<int>>("corners"); // return left, top; mailing left, top
        QTest::addColumn<QList<int>>("fonts");   // return, mailing
        // Beyond the worked layouts that placesBothBlocks prints, what the PDF
        // writer cannot show: (42, 48) held at the offsets and -40.625 truncated to
        // -40; a sheet of exactly 8 inches taken as large, its vertical
        // resolution scaling the fonts and nothing else; on letter portrait
        // the return block held at OX and the mailing block not.
        QTest::newRow("No. 6 3/4 fed as the page, clamped")
            << QList<int>{1950, 1088, 50, 50, 300, 300} << 1 << QList<int>{50, 50, 621, 344}
            << QList<int>{-40, -50};
        QTest::newRow("8 inch page, 300 DPI down")
            << QList<int>{6600, 4800, 0, 0, 600, 300} << 0 << QList<int>{1043, 1374, 2717, 1945}
            << QList<int>{-40, -50};
        QTest::newRow("7.99 inch page")
            << QList<int>{6600, 4794, 0, 0, 600, 600} << 0 << QList<int>{143, 212, 2104, 1517}
            << QList<int>{-81, -100};
        QTest::newRow("narrow large sheet, index outside the table")
            << QList<int>{5100, 6600, 150, 150, 600, 600} << -1 << QList<int>{150, 2354, 1217, 2845}
            << QList<int>{-81, -100};
    }
    void layout() {
        QFETCH(QList<int>, printer);
        QFETCH(int, index);
        const PrinterMetrics metrics{printer[0], printer[1], printer[2],
                                     printer[3], printer[4], printer[5]};
        const DialogGeometry dialog{QSize(646, 316), QPoint(14, 14), QPoint(206, 100), 96};
        const EnvelopeLayout l = ComputeEnvelopeLayout(metrics, dialog, index, -13, -16);
        QTEST((QList<int>{l.returnRect.left, l.returnRect.top, l.mailingRect.left,
                          l.mailingRect.top}),
              "corners");
        QTEST((QList<int>{l.returnFontHeight, l.mailingFontHeight}), "fonts");
    }

    // Pinned against the platform's layout: a round trip alone would pass
    // with the same wrong offset both ways.
    void fontDescriptionBytes() {
        QByteArray bytes =
            Hex("F0FFFFFF 07000000 00000000 00000000 BC020000 01 00 01 EE 03 02 01 22"
                "4100 7200 6900 6100 6C00");
        bytes.resize(92, '\0');
        const std::optional<LOGFONTW> font = LOGFONTW::FromBytes(bytes);
        QVERIFY(font && font->lfHeight == -16 && font->lfWidth == 7 && font->lfWeight == 700);
        QVERIFY(font->lfItalic && !font->lfUnderline && font->lfCharSet == 0xEE &&
                font->lfPitchAndFamily == 0x22);
        QCOMPARE(font->FaceName(), QStringLiteral("Arial"));
        QCOMPARE(font->ToBytes().toHex(' '), bytes.toHex(' '));
        // Only a block of exactly the structure's size is a description.
        QVERIFY(!LOGFONTW::FromBytes(bytes.chopped(1)) && !LOGFONTW::FromBytes(bytes + '\0'));
    }

    // 12 points on a 96 DPI screen is a character height of 16 pixels. A
    // positive height is the cell: the largest font whose ascent plus
    // descent fits. Nonsense heights are held to what the engine can take.
    void fontHeights() {
        QCOMPARE(LogFontFromFont(QFont(QStringLiteral("Liberation Serif"), 12), 120).lfHeight, -20);
        LOGFONTW description = StockVariableFontDescription();
        description.SetFaceName(QStringLiteral("Liberation Sans"));
        for (int cell : {12, 20, 37}) {
            description.lfHeight = cell;
            QFont font = FontFromLogFont(description);
            QVERIFY(QFontMetrics(font).height() <= cell);
            font.setPixelSize(font.pixelSize() + 1);
            QVERIFY2(QFontMetrics(font).height() > cell, qPrintable(QString::number(cell)));
        }
    }

    // Every byte of the public part belongs to a field: a block of
    // distinct bytes comes back whole, and the fields the program uses sit
    // at the platform's offsets.
    void devModeLayout() {
        QByteArray b(223, '\0');
        for (int i = 0; i < b.size(); ++i)
            b[i] = char(i * 7 + 1);
        b = WithWord(WithWord(b, 68, 220), 70, 3);
        const std::optional<DEVMODEW> dm = DEVMODEW::FromBytes(b);
        QVERIFY(dm);
        QCOMPARE(dm->ToBytes(), b);
        const auto at = [&](int offset) {
            return qFromLittleEndian<int16_t>(b.constData() + offset);
        };
        QCOMPARE(
            (QList<int>{dm->dmOrientation, dm->dmPaperSize, dm->dmPaperLength, dm->dmPaperWidth,
                        dm->dmCopies, dm->dmDefaultSource, dm->dmPrintQuality, dm->dmColor,
                        dm->dmDuplex, dm->dmYResolution, dm->dmCollate}),
            (QList<int>{at(76), at(78), at(80), at(82), at(86), at(88), at(90), at(92), at(94),
                        at(96), at(100)}));
        QCOMPARE(dm->dmFields, qFromLittleEndian<uint32_t>(b.constData() + 72));
        QCOMPARE(dm->driverExtra, b.sliced(220));
        // An older, shorter public part: fields past it read as zero, the
        // driver bytes start right after it; a block may be longer than it says.
        const auto back =
            DEVMODEW::FromBytes(WithWord(WithWord(b.first(156), 68, 156), 70, 2) + "xyz");
        QVERIFY(back && back->dmCopies == at(86) && back->dmLogPixels == 0 &&
                back->driverExtra == "xy");
    }

    void devNamesLayout() {
        // Offsets count UTF-16 units: the header is 4 units, "cups" and its
        // terminator 5, "Büro" and its terminator 5.
        DEVNAMES names{QStringLiteral("cups"), QStringLiteral("Büro"), QString(),
                       DEVNAMES::DN_DEFAULTPRN};
        const QByteArray b = names.ToBytes();
        QCOMPARE(b, Hex("0400 0900 0E00 0100") + Utf16("cups") + Utf16(QStringLiteral("Büro")) +
                        Utf16(""));
        QCOMPARE(DEVNAMES::FromBytes(b), names);
        // What a job reads of them: the PDF writer's name in any case is a
        // file; a block that is cut short is no printer.
        using Kind = PrintTarget::Kind;
        QVERIFY(PrintTarget::FromDevNames(b) == (PrintTarget{Kind::Queue, u"Büro"_qs}));
        QVERIFY(PrintTarget::FromDevNames(DEVNAMES{"PDF", "x", "/a.pdf"}.ToBytes()) ==
                (PrintTarget{Kind::File, u"/a.pdf"_qs}));
        QVERIFY(PrintTarget::FromDevNames(b.left(7)).kind == Kind::Damaged &&
                PrintTarget::FromDevNames(QByteArray()).kind == Kind::None);
    }

    // Blocks that do not hold what they claim, printers that are not here,
    // and output paths that are no file of their own configure nothing: a
    // relative path lands wherever the program was started, a FIFO would
    // hang the window, a link that leads nowhere creates a file where it
    // points.
    void refusedBlocks() {
        const QByteArray names = DEVNAMES{"pdf", "pdf", "/tmp/never.pdf"}.ToBytes();
        const QByteArray mode = DEVMODEW().ToBytes() + QByteArray(8, '\0');
        const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
        const QString dangling = m_dir.filePath(QStringLiteral("dangling"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 &&
                QFile::link(m_dir.filePath(QStringLiteral("nowhere/x.pdf")), dangling));
        QList<std::pair<QByteArray, QByteArray>> refused = {
            {mode, names.left(7)},
            {mode, names.chopped(2)},
            {WithWord(mode, 68, 300), names},
            {WithWord(mode, 70, 9), names}, // driver bytes beyond the block
            {QByteArray(), DEVNAMES{"cups", "No Such Queue 7f3a", ""}.ToBytes()}};
        for (const QString& output : {QString(), u"envelope.pdf"_qs, u"~/envelope.pdf"_qs,
                                      m_dir.path(), fifo, u"/dev/null"_qs, dangling})
            refused.append({QByteArray(), PdfNames(output)});
        for (const auto& [devMode, devNames] : refused) {
            QPrinter printer;
            QVERIFY2(!ConfigurePrinterFromBlocks(printer, devMode, devNames),
                     devNames.toHex().constData());
        }
    }

    // A job that does not come out says so, where and why: a folder that
    // is a file refuses even root, and a file size limit stands for a full
    // disk.
    void failedJobs() {
        const QString notAFolder = m_dir.filePath(QStringLiteral("plain-file"));
        QVERIFY(WriteWholeFile(notAFolder, "x"));
        const QString output = notAFolder + QStringLiteral("/envelope.pdf");
        PrintFailure failure;
        QCOMPARE(PrintEnvelope(Job(output, QByteArray()), &failure), PrintResult::Failed);
        QCOMPARE(PrintFailureMessage(failure),
                 u"The envelope was not printed to the file %1: Not a directory."_qs.arg(output));
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limited = {1024, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
        const PrintResult result = PrintEnvelope(Job(NextPdf(), QByteArray()), &failure);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(result, PrintResult::Failed);
        QCOMPARE(failure.cause, QStringLiteral("the file could not be written whole"));
    }

    // Every setting the printer has differs from a new printer's, so a
    // field that either way drops changes the blocks; a size without a code
    // of its own goes as width and length, which win over the code.
    void roundTripsThroughPrinter() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFileName(QStringLiteral("/tmp/envelopes.pdf"));
        printer.setPageSize(QPageSize(QPageSize::Envelope10));
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setCopyCount(3);
        printer.setResolution(300);
        printer.setColorMode(QPrinter::GrayScale);
        printer.setCollateCopies(false);
        const PrinterBlocks blocks = BlocksFromPrinter(printer);
        QCOMPARE(DEVMODEW::FromBytes(blocks.devMode)->dmPaperSize, 20);
        QPrinter copy(QPrinter::HighResolution);
        QVERIFY(ConfigurePrinterFromBlocks(copy, blocks.devMode, blocks.devNames));
        QCOMPARE(BlocksFromPrinter(copy).devMode.toHex(), blocks.devMode.toHex());
        QCOMPARE(copy.outputFileName(), QStringLiteral("/tmp/envelopes.pdf"));
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setPageSize(QPageSize(QSizeF(123.4, 201.7), QPageSize::Millimeter));
        const PrinterBlocks custom = BlocksFromPrinter(printer);
        QCOMPARE(DEVMODEW::FromBytes(custom.devMode)->dmPaperSize, DEVMODEW::DMPAPER_USER);
        QVERIFY(ConfigurePrinterFromBlocks(copy, custom.devMode, custom.devNames));
        QCOMPARE(copy.pageLayout().pageSize().size(QPageSize::Millimeter).toSize(),
                 QSize(123, 202));
    }

    // The worked layouts' corners, in the printer's pixels, from the corner
    // of the printable area, which the PDF writer starts 10 points in.
    void placesBothBlocks_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("index");
        QTest::addColumn<QList<int>>("corners"); // return left, top, mailing left, top
        QTest::newRow("No. 10 envelope, 600 DPI")
            << 20 << 600 << 0 << QList<int>{123, 109, 1817, 783};
        QTest::newRow("letter, 600 DPI") << 1 << 600 << 0 << QList<int>{1043, 1537, 2717, 2095};
        QTest::newRow("letter, row 1, 300 DPI")
            << 1 << 300 << 1 << QList<int>{1421, 843, 1971, 1075};
    }
    void placesBothBlocks() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        QFETCH(int, paper);
        QFETCH(int, dpi);
        QFETCH(QList<int>, corners);
        const QString path = NextPdf();
        EnvelopeJob job = Job(path, LandscapeSettings(paper, dpi));
        QFETCH(int, index);
        job.envelopeIndex = index;
        QCOMPARE(PrintEnvelope(job), PrintResult::Printed);
        const PdfText text = ReadPdf(path);
        QVERIFY(text.pages == 1 && text.title == u"Pelvaro");
        const PdfWord* words[] = {text.Find("Returnline"), text.Find("Mailingline")};
        for (qsizetype i = 0; i < 2; ++i) {
            QVERIFY(words[i]);
            QCOMPARE_LT(qAbs(words[i]->xMin - 10 - corners[2 * i] * 72.0 / dpi), 1.0);
            QCOMPARE_LT(qAbs(words[i]->yMin - 10 - corners[2 * i + 1] * 72.0 / dpi), 1.0);
        }
        // -13 px on a 96 DPI screen is 9.75 points on paper; the word box is
        // ascent plus descent, a little more.
        QVERIFY(words[0]->yMax - words[0]->yMin > 9.75 && words[0]->yMax - words[0]->yMin < 12.7);
    }

    // Where each feed puts the envelope on a letter sheet, in points: a
    // No. 10 of 684 x 297 lying across the sheet lying, or standing on it
    // standing, then turned. Every word keeps its place on the envelope
    // as the first placement has it on the lying sheet, and a shift moves
    // every word by exactly that.
    void alignmentMovesEveryWord_data() {
        QTest::addColumn<int>("feed");
        QTest::addColumn<QPointF>("corner"); // the envelope's top left on the sheet
        for (int turned = 0; turned < 2; ++turned) {
            const char* turn = turned ? ", turned" : "";
            const QList<std::pair<EnvelopeFeed, QPointF>> feeds = {
                {EnvelopeFeed::AcrossLeft, {0, 157.5}},
                {EnvelopeFeed::AcrossCentre, {54, 157.5}},
                {EnvelopeFeed::AcrossRight, {108, 157.5}},
                {EnvelopeFeed::StandingLeft, {0, 54}},
                {EnvelopeFeed::StandingCentre, {157.5, 54}},
                {EnvelopeFeed::StandingRight, {315, 54}}};
            for (const auto& [feed, corner] : feeds)
                QTest::addRow("%s%s", qPrintable(FeedName(feed)), turn)
                    << static_cast<int>(feed) + 6 * turned << corner;
        }
    }
    void alignmentMovesEveryWord() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        QFETCH(int, feed);
        QFETCH(QPointF, corner);
        PrinterAlignment alignment{static_cast<EnvelopeFeed>(feed % 6), feed >= 6, 0, 0};
        const bool standing = IsStanding(alignment.feed);
        const auto print = [&](bool landscape, const PrinterAlignment& aligned) {
            const QString path = NextPdf();
            EnvelopeJob job = Job(path, LetterSettings(landscape));
            job.alignment = aligned;
            return PrintEnvelope(job) == PrintResult::Printed ? WordBoxes(path)
                                                              : QMap<QString, QRectF>();
        };
        const QMap<QString, QRectF> first = print(true, {});
        const QMap<QString, QRectF> placed = print(!standing, alignment);
        alignment.shiftRight = 37;
        alignment.shiftDown = -21;
        const QMap<QString, QRectF> shifted = print(!standing, alignment);
        QCOMPARE(first.size(), 4);
        QCOMPARE(placed.keys(), first.keys());
        QCOMPARE(shifted.keys(), first.keys());
        // The envelope's corner of the first placement, then a quarter turn
        // clockwise for each step, about the envelope's own corners.
        const int quarters = (standing ? 1 : 0) + (alignment.turned ? 2 : 0);
        QTransform onEnvelope = QTransform::fromTranslate(-108, -157.5);
        const QPointF turnedCorner[] = {{0, 0}, {297, 0}, {684, 297}, {0, 684}};
        QTransform toSheet = QTransform::fromTranslate(corner.x() + turnedCorner[quarters].x(),
                                                       corner.y() + turnedCorner[quarters].y());
        toSheet.rotate(90 * quarters);
        for (const QString& word : first.keys()) {
            const QRectF expected = (onEnvelope * toSheet).mapRect(first[word]);
            // Word boxes are the font's, turned with the text: within half a
            // point of the glyphs.
            QVERIFY2(qAbs(placed[word].center().x() - expected.center().x()) < 0.5 &&
                         qAbs(placed[word].center().y() - expected.center().y()) < 0.5,
                     qPrintable(word));
            const QPointF moved = shifted[word].topLeft() - placed[word].topLeft();
            QVERIFY2(qAbs(moved.x() - 3.7 * 72 / 25.4) < 0.05 &&
                         qAbs(moved.y() + 2.1 * 72 / 25.4) < 0.05,
                     qPrintable(word));
        }
    }

    // The test page's outline lies where the envelope is drawn: each block's
    // label 1 mm into the block, each ruler number at its millimetre from
    // the outline's corner, the outline's edges in ink.
    // Sizes by the names people type, and by a paper within 1 mm either way
    // round; no two of the table so close that a paper could be either.
    void paperSizesByName() {
        const std::pair<const char16_t*, const char*> typed[] = {
            {u"dl", "DL"},
            {u"C6/5", "C6/5"},
            {u"no10", "No. 10"},
            {u"No. 6 3/4", "No. 6 3/4"},
            {u"no.6\u00BE", "No. 6 3/4"},
            {u"6\u00D79", "6x9"},
            {u"chou3", "Chou 3"},
            {u"LETTER", "Letter"},
        };
        for (const auto& [name, key] : typed) {
            const PaperSize* size = FindPaperSize(QString::fromUtf16(name));
            QVERIFY2(size && size->Key() == QLatin1String(key), key);
        }
        QVERIFY(!FindPaperSize("C7") && !FindPaperSize(" . "));
        const QSizeF c5 = QSizeF(229.9, 161.1) / 25.4;
        QCOMPARE(MatchPaperSize(c5), FindPaperSize("C5"));
        QCOMPARE(MatchPaperSize(c5.transposed()), FindPaperSize("C5"));
        QVERIFY(!MatchPaperSize(QSizeF(230.2, 162) / 25.4));
        for (const PaperSize& size : PaperSizes())
            QCOMPARE(MatchPaperSize(size.Inches()), &size);
        QCOMPARE(PaperSizeOfRow(1).Key(), "No. 6 3/4");
        QCOMPARE(PaperSizeOfRow(-1).Key(), "No. 10");
        QCOMPARE(FindPaperSize("dl")->Description(), QStringLiteral("DL (220 \u00D7 110 mm)"));
        QCOMPARE(FindPaperSize("no10")->Description(),
                 QStringLiteral("No. 10 (9.5 \u00D7 4.125 in)"));
    }

    // A size's starts are stored in its own unit and read back; a start at
    // or past the envelope's far edge, or text that is no start, is none.
    void placementStored() {
        const CTestEnvironment environment;
        CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
        const PaperSize& dl = *FindPaperSize("DL");
        const PaperSize& no10 = *FindPaperSize("No. 10");
        const BlockPlacement inches{QPointF(0.5, 0.25), std::nullopt};
        QCOMPARE(FormatPlacement(inches, no10), "0.5,0.25;");
        const BlockPlacement mm{std::nullopt, QPointF(100, 52.5) / 25.4};
        QCOMPARE(FormatPlacement(mm, dl), ";100,52.5");
        QVERIFY(WriteBlockPlacement(settings, dl, mm));
        QVERIFY(WriteBlockPlacement(settings, no10, inches));
        const BlockPlacements stored = ReadBlockPlacements(settings);
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored.value("No. 10"), inches);
        QVERIFY(qAbs(stored.value("DL").mailingStart->x() * 25.4 - 100) < 1e-9);
        QVERIFY(WriteBlockPlacement(settings, no10, {}));
        QVERIFY(!ReadBlockPlacements(settings).contains("No. 10"));
        for (const char* damaged : {"220,5;", "5,110;", "-1,5;", "5;", "a,b;", "1,2", ";;"})
            QVERIFY2(!ParsePlacement(QLatin1String(damaged), dl), damaged);
    }

    // The paper and the envelope chosen: an envelope fed as the page is no
    // mismatch, whichever the list names; a page of no size the table has
    // is; a sheet too small for the envelope is named as people know it.
    void paperWarnings() {
        const auto warnings = [](const QByteArray& devMode, int index) {
            EnvelopeJob job = Job(QStringLiteral("/nonexistent/x.pdf"), devMode);
            job.envelopeIndex = index;
            QPrinter printer(QPrinter::HighResolution);
            return ConfigureJobPrinter(printer, job) ? PaperWarnings(job, printer)
                                                     : QStringList{"no printer"};
        };
        QCOMPARE(warnings(LandscapeSettings(20, 300), 1), QStringList());
        QCOMPARE(warnings(LandscapeSettings(27, 300), 0), QStringList());
        DEVMODEW odd = *DEVMODEW::FromBytes(LandscapeSettings(20, 300));
        odd.dmFields |= DEVMODEW::DM_PAPERWIDTH | DEVMODEW::DM_PAPERLENGTH;
        odd.dmPaperWidth = 800;
        odd.dmPaperLength = 1500;
        const QStringList mismatch = warnings(odd.ToBytes(), 0);
        QVERIFY2(mismatch.size() == 1 && mismatch[0].startsWith("The envelope chosen is No. 10"),
                 qPrintable(mismatch.join(u'|')));
        DEVMODEW a4 = *DEVMODEW::FromBytes(LandscapeSettings(9, 300));
        a4.dmOrientation = DEVMODEW::DMORIENT_PORTRAIT;
        QCOMPARE(
            warnings(a4.ToBytes(), 0),
            QStringList{"The No. 10 envelope does not fit on the printer's paper, A4 (297 "
                        "\u00D7 210 mm): what lies beyond the sheet is not printed. Choose the "
                        "envelope itself, or a sheet lying across, as the paper with "
                        "Printer... (in the configuration menu)."});
    }

    void testPageMatchesTheEnvelope() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        const double mm = 72 / 25.4;
        const QString printed = NextPdf();
        EnvelopeJob job = Job(printed, LetterSettings(true));
        job.alignment = {EnvelopeFeed::AcrossLeft, false, 52, -30};
        const QPointF corner(5.2 * mm, 157.5 - 3 * mm);
        QCOMPARE(PrintEnvelope(job), PrintResult::Printed);
        const QMap<QString, QRectF> envelope = WordBoxes(printed);
        const QString path = NextPdf();
        job.target = PrintTarget::FromDevNames(PdfNames(path));
        QCOMPARE(PrintTestPage(job, QStringLiteral("Caption")), PrintResult::Printed);
        const PdfText page = ReadPdf(path);
        QVERIFY(page.Find("Caption") && page.Find("Mailing"));
        QCOMPARE_LT(qAbs(page.Find("Mailing")->xMin - envelope["Mailingline"].left() - 1 * mm),
                    0.5);
        int numbers = 0;
        for (const PdfWord& word : page.words) {
            const int n = word.text.toInt();
            if (n % 10 != 0 || n == 0)
                continue;
            ++numbers;
            const bool top = word.yMin < corner.y() + 5 * mm;
            const double at = top ? (word.xMin + word.xMax) / 2 - corner.x()
                                  : (word.yMin + word.yMax) / 2 - corner.y();
            QVERIFY2(qAbs(at - n * mm) < 0.1 * mm, qPrintable(word.text));
        }
        QCOMPARE(numbers, 24 + 10); // 241.3 mm across, 104.8 mm down
        const QImage picture = RenderPdfPage(path, 0, 300);
        const auto ink = [&](double x, double y) {
            int darkest = 255;
            for (int dx = -2; dx <= 2; ++dx) {
                for (int dy = -2; dy <= 2; ++dy)
                    darkest = qMin(darkest, qGray(picture.pixel(qRound(x * 300 / 72) + dx,
                                                                qRound(y * 300 / 72) + dy)));
            }
            return darkest < 160;
        };
        QVERIFY(ink(corner.x(), corner.y() + 100) && ink(corner.x() + 684, corner.y() + 100) &&
                ink(corner.x() + 300, corner.y()) && ink(corner.x() + 300, corner.y() + 297));
    }

    // The test page fits the sheet it prints on, or is refused before
    // anything is written: every ruler number from 0 on the sheet, the 0 at
    // the outline's edge, and the reading's sign spelt out.
    void testPageFitsTheSheet_data() {
        QTest::addColumn<int>("paper"); // the printer setup's paper code
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<int>("feed");
        QTest::addColumn<QString>("refusal"); // empty: printed
        const int across = int(EnvelopeFeed::AcrossRight);
        QTest::newRow("No. 10 envelope as the paper") << 20 << true << across << QString();
        QTest::newRow("A4 landscape") << 9 << true << across << QString();
        QTest::newRow("Letter landscape, at the left") << 1 << true << 0 << QString();
        QTest::newRow("A4 portrait, standing") << 9 << false << 5 << QString();
        QTest::newRow("A4 portrait")
            << 9 << false << across
            << "A No. 10 envelope (241 \u00D7 105 mm), \"lying across, at the right edge\", does "
               "not fit on A4 paper in portrait (210 \u00D7 297 mm): part of the test page would "
               "be cut off. Choose the No. 10 envelope itself as the paper, the paper in "
               "landscape or the feed \"Standing, at the right edge\" in Printer Alignment.";
        QTest::newRow("Letter portrait") << 1 << false << across << "Letter paper in portrait";
        QTest::newRow("A4 landscape, standing")
            << 9 << true << int(EnvelopeFeed::StandingCentre) << "A4 paper in landscape";
    }
    void testPageFitsTheSheet() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        QFETCH(int, paper);
        QFETCH(bool, landscape);
        QFETCH(int, feed);
        QFETCH(QString, refusal);
        DEVMODEW mode = *DEVMODEW::FromBytes(LandscapeSettings(paper, 300));
        if (!landscape)
            mode.dmOrientation = DEVMODEW::DMORIENT_PORTRAIT;
        const QString path = NextPdf();
        EnvelopeJob job = Job(path, mode.ToBytes());
        job.alignment.feed = static_cast<EnvelopeFeed>(feed);
        PrintFailure failure;
        const PrintResult result = PrintTestPage(job, QStringLiteral("Caption"), &failure);
        if (!refusal.isEmpty()) {
            QCOMPARE(result, PrintResult::Failed);
            QVERIFY2(failure.cause.contains(refusal), qPrintable(failure.cause));
            QCOMPARE(TestPageRefusal(job), failure.cause);
            QVERIFY(!QFileInfo::exists(path));
            return;
        }
        QCOMPARE(result, PrintResult::Printed);
        QCOMPARE(TestPageRefusal(job), QString());
        const PdfText page = ReadPdf(path);
        QStringList words;
        for (const PdfWord& word : page.words) {
            words.append(word.text);
            QVERIFY2(word.xMin >= 0 && word.yMin >= 0 && word.xMax <= page.width &&
                         word.yMax <= page.height,
                     qPrintable(word.text));
        }
        const QString text = words.join(u' ');
        QVERIFY2(text.contains(u"This edge goes into the printer") &&
                     text.contains(u"If its left edge lies at +3, add 3 to Shift right"),
                 qPrintable(text));
        // The top ruler: its numbers in order from the 0 at the outline's
        // left edge, as far as the outline and the printer hold them whole.
        const PdfWord* zero = page.Find(QStringLiteral("0"));
        QVERIFY(zero);
        const double mm = 72 / 25.4;
        QPrinter printer(QPrinter::HighResolution);
        QVERIFY(ConfigureJobPrinter(printer, job));
        const PrinterMetrics metrics = CEnvelopePainter::MetricsOf(printer);
        const AlignedPage aligned = AlignPage(metrics, job.envelopeIndex, job.alignment);
        const double points = 72.0 / metrics.dpiX;
        const QRectF outline = QTransform::fromScale(points, points)
                                   .mapRect(aligned.transform.mapRect(aligned.envelope))
                                   .translated(metrics.offsetX * points, metrics.offsetY * points);
        QVERIFY(zero->xMin >= outline.left() && zero->xMin < outline.left() + mm);
        const double end = qMin(outline.right(), page.width - metrics.offsetX * points);
        for (int n = 10; outline.left() + (n + 3) * mm < end; n += 10) {
            const PdfWord* number = page.Find(QString::number(n));
            QVERIFY2(number && qAbs((number->xMin + number->xMax) / 2 - outline.left() - n * mm) <
                                   0.2 * mm,
                     qPrintable(QString::number(n)));
        }
    }

    void linesApartCutNotWrapped() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        const QString path = NextPdf();
        EnvelopeJob job = Job(path, LandscapeSettings(20, 600));
        QStringList rows;
        for (int i = 0; i < 60; ++i)
            rows.append(QStringLiteral("Row%1").arg(i));
        job.returnAddress =
            QStringLiteral("Long ") + QString(20000, u'M') + QStringLiteral("\r\nNext");
        job.mailingAddress = rows.join(QStringLiteral("\r\n"));
        QCOMPARE(PrintEnvelope(job), PrintResult::Printed);
        const PdfText text = ReadPdf(path);
        // One font height apart (ascent plus descent of a 12-point Liberation
        // Sans, 13.4 points; with the leading it would be 13.8), at one edge.
        const PdfWord* first = text.Find(rows[0]);
        const PdfWord* fourth = text.Find(rows[3]);
        QVERIFY(first && fourth && fourth->xMin == first->xMin);
        const double step = (fourth->yMin - first->yMin) / 3;
        QVERIFY2(step > 13.3 && step < 13.65, qPrintable(QString::number(step)));
        // Not wrapped: cut at the right edge, and the next line follows.
        const PdfWord* cut = nullptr;
        for (const PdfWord& word : text.words)
            cut = word.text.startsWith(u'M') ? &word : cut;
        QVERIFY(cut && cut->xMax <= text.width + 10 && cut->xMax > text.width - 10);
        const PdfWord* next = text.Find(QStringLiteral("Next"));
        QVERIFY(next && next->yMin > cut->yMin && next->yMin - cut->yMin < 20);

        // Said once, with the font to change; the mailing lines left to the
        // postal check when it has looked.
        QPrinter printer(QPrinter::HighResolution);
        QVERIFY(ConfigureJobPrinter(printer, job));
        const QString both = CutLinesWarning(job, printer, {job.mailingAddress});
        const QString returnOnly =
            CutLinesWarning(job, printer, {job.mailingAddress}, MailingLinesChecked::Yes);
        QVERIFY2(
            both.contains(u"\u201CRow14") &&
                both.endsWith(u"Shorten or remove them, or choose a smaller font with the address "
                              u"fonts (in the configuration menu)."),
            qPrintable(both));
        QVERIFY2(returnOnly.startsWith(u"A line is cut at the edge of its block: \u201CLong MMM") &&
                     returnOnly.endsWith(
                         u"Shorten or remove the line, or choose a smaller font with Return "
                         u"Address Font... (in the configuration menu)."),
                 qPrintable(returnOnly));
    }
};

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--print-to-queue") == 0)
        return PrintToQueue(QString::fromLocal8Bit(argv[2]));
    TestPrint test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_print.moc"
