// The post office's rules: the check on worked envelopes of each size as
// the print job lays them out, the postal style, the barcode's fields, and
// the barcode read back from pelvaro-cli's pictures against zint's.

#include "pdftext.h"
#include "postal/intelligentmail.h"
#include "postal/jobfromsettings.h"
#include "postal/postalareas.h"
#include "postal/postalcheck.h"
#include "postal/postaloptions.h"
#include "postal/postalstyle.h"
#include "postal/postplacement.h"
#include "print/logfont.h"
#include "print/papersizes.h"
#include "print/printjob.h"
#include "printblocks.h"
#include "settings/settingsstore.h"
#include "templates/maindialoggeometry.h"
#include "testenvironment.h"
#include "testjob.h"

#include <QtGui>
#include <QtTest>

namespace {

// Paper codes of the envelope sizes, as the printer setup stores them.
constexpr int kNo10 = 20;
constexpr int kDl = 27;

// The window's job for an envelope lying in the PDF writer, in Liberation
// Sans of the given point size.
EnvelopeJob Job(int paper, int points = 12) {
    return TestJob(LandscapeSettings(paper, 600), PdfNames(QStringLiteral("/nonexistent/x.pdf")),
                   QStringLiteral("Liberation Sans"), -points * 96 / 72, -points * 96 / 72);
}

// pelvaro-cli, with a No. 10 envelope in the PDF writer at 600 dpi stored
// as the window stores it: its exit status, and what it wrote on stdout
// and then stderr.
int Cli(const CTestEnvironment& environment, const QStringList& arguments, QByteArray* output,
        const QProcessEnvironment& system = QProcessEnvironment::systemEnvironment()) {
    CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    settings.WriteBinaryValue("DevMode", LandscapeSettings(kNo10, 600));
    settings.WriteBinaryValue("DevNames", PdfNames(environment.Root() + QStringLiteral("/x.pdf")));
    QProcess cli;
    cli.setProcessEnvironment(system);
    cli.start(QString::fromLocal8Bit(qgetenv("PELVARO_CLI")), arguments);
    cli.waitForFinished(60000);
    *output = cli.readAllStandardOutput() + cli.readAllStandardError();
    return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
}

// The bars of zint's own rendering: three rows of modules in hex, a bar
// every other module, the top row the ascenders', the bottom the
// descenders'.
QString ZintBars(const QString& data) {
    QProcess zint;
    zint.start(QStringLiteral("zint"), {QStringLiteral("--barcode=85"), QStringLiteral("--dump"),
                                        QStringLiteral("-d"), data});
    zint.waitForFinished();
    QStringList rows(3);
    const QStringList lines = QString::fromLatin1(zint.readAllStandardOutput()).split(u'\n');
    for (qsizetype row = 0; row < qMin(lines.size(), 3); ++row) {
        for (const QString& group : lines[row].split(u' ', Qt::SkipEmptyParts))
            rows[row] += QString::number(group.toUInt(nullptr, 16), 2)
                             .rightJustified(group.size() * 4, u'0');
    }
    // 129 modules; the last hex digit is filled up with zeros.
    QString bars;
    for (qsizetype c = 0; c < qMin<qsizetype>(rows[2].size(), 129); c += 2) {
        const bool up = rows[0][c] == u'1';
        const bool down = rows[2][c] == u'1';
        bars += up && down ? u'F' : up ? u'A' : down ? u'D' : u'T';
    }
    return bars;
}

// A bar read from a picture, in pixels; right and bottom are the first
// column and row past it.
struct SeenBar {
    int left, right, top, bottom;
};

// The bars in the clear zone of an envelope that fills the page.
QList<SeenBar> ReadBars(const QImage& page, int dpi) {
    const int zoneTop = page.height() - dpi * 5 / 8;
    const int zoneLeft = page.width() - dpi * 19 / 4;
    QList<SeenBar> bars;
    bool inBar = false;
    for (int x = zoneLeft; x < page.width(); ++x) {
        int top = -1;
        int bottom = -1;
        for (int y = zoneTop; y < page.height(); ++y) {
            if (qGray(page.pixel(x, y)) < 128)
                (top < 0 ? top : bottom) = y;
        }
        bottom = qMax(top, bottom) + 1;
        if (top >= 0 && !inBar)
            bars.append({x, x + 1, top, bottom});
        else if (top >= 0)
            bars.last() = {bars.last().left, x + 1, qMin(bars.last().top, top),
                           qMax(bars.last().bottom, bottom)};
        inBar = top >= 0;
    }
    return bars;
}

} // namespace

class TestPostal : public QObject {
    Q_OBJECT

private slots:
    // The standing C5 is ISO too, whichever way it is held.
    void areasPerSize() {
        const double mm = 1 / 25.4;
        const struct {
            QSizeF envelope;
            PostalRules rules;
            QRectF readArea, strip;
        } rows[] = {
            {{9.5, 4.125}, PostalRules::Us, {0.5, 1.375, 8.5, 2.125}, {4.75, 3.5, 4.75, 0.625}},
            {{162 * mm, 229 * mm},
             PostalRules::Iso,
             {15 * mm, 40 * mm, 132 * mm, 174 * mm},
             {0, 214 * mm, 162 * mm, 15 * mm}},
        };
        for (const auto& row : rows) {
            const PostalAreas areas = PostalAreasFor(row.envelope);
            QVERIFY(areas.rules == row.rules);
            QCOMPARE(areas.readArea, row.readArea);
            QCOMPARE(areas.barcodeStrip, row.strip);
        }
    }

    // Place for the Post on every envelope of the table, at the smallest and
    // largest usual font and lying or standing: a four-line address then
    // has no finding, and the return block ends above the mailing one.
    void placedForThePost_data() {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("standing");
        for (const PaperSize& size : PaperSizes()) {
            if (!size.IsEnvelope())
                continue;
            for (int points : {10, 14})
                QTest::addRow("%s, %d pt", size.key, points) << size.Key() << points << false;
        }
        QTest::newRow("DL standing") << QStringLiteral("DL") << 12 << true;
        QTest::newRow("No. 10 standing") << QStringLiteral("No. 10") << 12 << true;
    }
    void placedForThePost() {
        QFETCH(QString, size);
        QFETCH(int, points);
        QFETCH(bool, standing);
        const PaperSize& paper = *FindPaperSize(size);
        EnvelopeJob job = Job(kNo10, points);
        job.returnAddress = QStringLiteral("Quentin Sender\r\n12 Return Lane\r\nSpringfield "
                                           "IL 62701\r\nUSA");
        if (standing)
            job.alignment.feed = EnvelopeFeed::StandingCentre;
        FeedPaper(job, paper);
        const BlockPlacement placement =
            PlaceForPost(paper, job.returnLogFont, job.mailingLogFont, 96);
        job.placements.insert(paper.Key(), placement);
        const QString address =
            paper.IsMetric()
                ? QStringLiteral("Herrn Maximilian Mustermann\r\nMusterstrasse 123\r\n10115 "
                                 "Berlin\r\nGERMANY")
                : QStringLiteral("Ms Jane Doe\r\nAcme Widgets Inc\r\n1234 Main St Apt "
                                 "5\r\nSpringfield IL 62704-1234");
        const std::optional<QList<PrintedBlock>> blocks = MeasureMailingBlocks(job, {address});
        QVERIFY(blocks);
        const PrintedBlock& block = blocks->constFirst();
        // The page is the envelope, to the printer's pixel.
        QCOMPARE_LT(
            qAbs(qMax(block.envelope.width(), block.envelope.height()) - paper.Inches().width()),
            0.02);
        const QStringList findings = CheckMailingBlock(block, QStringLiteral("US"));
        QVERIFY2(findings.isEmpty(), qPrintable(findings.join(u'\n')));
        const double returnBottom = placement.returnStart->y() + 4 * points / 72.0 * 1.15;
        QCOMPARE_LT(returnBottom, block.lines.constFirst().ink.top());
        // Japanese envelopes are read by the metric margins too.
        QCOMPARE(PostalAreasFor(paper.Inches()).rules,
                 paper.IsMetric() ? PostalRules::Iso : PostalRules::Us);
    }

    // Placed blocks start where asked from the envelope's corner: on an
    // envelope fed as the page, even one 8 inches tall or more, and on a
    // sheet, where the size list's envelope takes its size's placement. A
    // size's placement leaves the others as they always were.
    void placedBlocksPrinted() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        const CTestEnvironment environment;
        const auto print = [&](const QString& paper, const QString& placed, QPointF returnAt,
                               QPointF mailingAt) {
            const QString path = environment.Root() + QStringLiteral("/placed.pdf");
            EnvelopeJob job =
                TestJob({}, PdfNames(path), QStringLiteral("Liberation Sans"), -16, -16);
            job.returnAddress = QStringLiteral("Returnline");
            job.mailingAddress = QStringLiteral("Mailingline");
            FeedPaper(job, *FindPaperSize(paper));
            if (const PaperSize* size = FindPaperSize(placed)) {
                const double unit = size->IsMetric() ? 25.4 : 1;
                job.placements.insert(size->Key(), {returnAt / unit, mailingAt / unit});
            }
            return PrintEnvelope(job) == PrintResult::Printed ? ReadPdf(path) : PdfText();
        };
        // Where a word starts, in millimetres from the page's corner.
        const auto at = [](const PdfText& pdf, const char* word) {
            const PdfWord* found = pdf.Find(QLatin1String(word));
            return found ? QPointF(found->xMin, found->yMin) * 25.4 / 72 : QPointF(-1, -1);
        };
        const auto near = [](QPointF a, QPointF b) {
            return qAbs(a.x() - b.x()) < 0.5 && qAbs(a.y() - b.y()) < 0.5;
        };
        const PdfText dl = print("DL", "DL", {12, 9}, {100, 55});
        QVERIFY(near(at(dl, "Returnline"), {12, 9}));
        QVERIFY(near(at(dl, "Mailingline"), {100, 55}));
        const PdfText c4 = print("C4", "C4", {20, 15}, {150, 110});
        QVERIFY(near(at(c4, "Mailingline"), {150, 110}));
        // On a letter sheet standing the No. 10 envelope lies across at the
        // right edge, an inch beyond the left one, centred up and down.
        const PdfText letter = print("Letter", "No. 10", {0.5, 0.5}, {4, 2});
        const QPointF corner(-1 * 25.4, (11 - 4.125) / 2 * 25.4);
        QVERIFY(near(at(letter, "Mailingline"), corner + QPointF(4, 2) * 25.4));
        const PdfText standard = print("DL", "C5", {12, 9}, {100, 55});
        const PdfText none = print("DL", "", {}, {});
        QCOMPARE(at(standard, "Mailingline"), at(none, "Mailingline"));
        QVERIFY(!near(at(standard, "Mailingline"), {100, 55}));
    }

    // Blank lines move an address down without adding to its lines, as a
    // user does to place it lower.
    void workedExamples_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected"); // the one finding's start
        const QString blank8 = QStringLiteral("\r\n").repeated(8);
        const QString us = QStringLiteral("JOHN DOE\r\n123 MAIN ST\r\nSPRINGFIELD IL 62704");
        const QString longLine = QStringLiteral("\r\n1234 LONG BOULEVARD NAME APARTMENT 56789");
        QTest::newRow("No. 10 inside") << kNo10 << 12 << us << QString();
        QTest::newRow("No. 10 one line low")
            << kNo10 << 12 << blank8 + us + QStringLiteral("\r\nUSA")
            << QStringLiteral("Line 4 (\"USA\") lies 0.1");
        QTest::newRow("No. 10 into the strip")
            << kNo10 << 12 << blank8 + us + longLine
            << QStringLiteral("Line 4 (\"1234 LONG BOULEVARD NAME APARTMENT 56789\") "
                              "runs into the barcode clear zone");
        QTest::newRow("No. 10 off the page")
            << kNo10 << 12 << blank8 + blank8 + "JOHN DOE"
            << QStringLiteral("Line 1 (\"JOHN DOE\") falls below the address block and is not "
                              "printed. Remove a line, or choose a smaller font");
        // A pasted page is one finding, its long line quoted by its start.
        QTest::newRow("No. 10 a page pasted")
            << kNo10 << 12 << blank8 + blank8 + QString(300, u'X') + "\r\nB\r\nC"
            << QStringLiteral("Lines 1 to 3 fall below the address block and are not printed. "
                              "Remove lines");
        // A line cut by the block's edge is measured by what it lacks, not by
        // where its clipped part ends.
        QTest::newRow("No. 10 a line cut")
            << kNo10 << 12 << QStringLiteral("JOHN DOE\r\n") + QString(400, u'W')
            << QStringLiteral("Line 2 (\"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\u2026\") is cut "
                              "at the right edge of the address block: ");
        QTest::newRow("No. 10 small type")
            << kNo10 << 6 << us << QStringLiteral("The capital letters are 1.5 mm");
        QTest::newRow("No. 10 seven lines")
            << kNo10 << 10 << QStringLiteral("L1\r\nL2\r\nL3\r\nL4\r\nL5\r\nL6\r\nL7")
            << QStringLiteral("The address has 7 lines");
        QTest::newRow("No. 10 foreign, country second")
            << kNo10 << 12 << QStringLiteral("Hans Meier\r\nGermany\r\nLindenweg 3\r\n80331 Munich")
            << QStringLiteral("The country (\"Germany\") is not on the last line");
        QTest::newRow("No. 10 foreign, country last")
            << kNo10 << 12 << QStringLiteral("Hans Meier\r\nLindenweg 3\r\n80331 Munich\r\nGermany")
            << QString();
        // The window's box puts the first line's capitals 0.7 mm short of
        // the 40 mm of an ISO envelope.
        QTest::newRow("DL first line high")
            << kDl << 12 << us << QStringLiteral("Line 1 (\"JOHN DOE\") lies 0.7 mm above");
        QTest::newRow("DL inside") << kDl << 12 << QStringLiteral("\r\n") + us << QString();
        QTest::newRow("DL one line low")
            << kDl << 12 << blank8 + QStringLiteral("\r\n\r\n") + us
            << QStringLiteral("Line 3 (\"SPRINGFIELD IL 62704\") runs into the strip "
                              "along the bottom");
        QTest::newRow("DL small type") << kDl << 7 << QStringLiteral("\r\n") + us
                                       << QStringLiteral("The capital letters are 1.6 mm");
        QTest::newRow("DL too wide")
            << kDl << 14
            << QStringLiteral("\r\nJOHN DOE\r\n1234 LONG BOULEVARD NAME APARTMENT 56789\r\nX")
            << QStringLiteral("The address block is 1");
    }
    void workedExamples() {
        QFETCH(int, paper);
        QFETCH(int, points);
        QFETCH(QString, address);
        QFETCH(QString, expected);
        const QStringList findings =
            *CheckPostalAddress(Job(paper, points), address, {}, QStringLiteral("US"));
        QVERIFY2(findings.size() == (expected.isEmpty() ? 0 : 1) &&
                     (expected.isEmpty() || findings[0].startsWith(expected)),
                 qPrintable(findings.join(u'\n')));
    }

    // Forty lines: those past the envelope's edge are one finding, not
    // forty, and none of them is said to lie below the read area.
    void linesOffTheEnvelope() {
        QStringList lines;
        for (int i = 1; i <= 40; ++i)
            lines << QStringLiteral("L%1").arg(i);
        const QStringList findings = *CheckPostalAddress(
            Job(kNo10, 12), lines.join(QStringLiteral("\r\n")), {}, QStringLiteral("US"));
        const QRegularExpression run(
            QStringLiteral("^Lines \\d+ to 40 (fall below the address block|lie below the "
                           "envelope's edge) and are not printed"));
        QVERIFY2(findings.size() < 12 && findings.filter(run).size() == 1 &&
                     findings.filter(u"Line 40"_qs).isEmpty(),
                 qPrintable(findings.join(u'\n')));
    }

    void postalStyle() {
        const std::pair<const char*, const char*> rows[] = {
            {"Mr. John O'Neil\r\n123 N. Main St., Apt. #4\r\nSt. Louis, MO 63101-1234",
             "MR JOHN ONEIL|123 N MAIN ST APT #4|ST LOUIS MO 63101-1234"},
            {"Ann Lee\n123 1/2 Elm Rd.\n\n118-20 Queens Blvd.\nForest Hills, NY 11375",
             "ANN LEE|123 1/2 ELM RD|118-20 QUEENS BLVD|FOREST HILLS NY 11375"},
            {"Jo Ray\r\n1 Elm St\r\nBoise, ID 83702\r\nUSA", "JO RAY|1 ELM ST|BOISE ID 83702|USA"},
            {"Ms. Jane Smith-Jones\r\nFlat 2, 10 Downing St.\r\nLondon SW1A 2AA\r\nUnited Kingdom",
             "MS JANE SMITH JONES|FLAT 2 10 DOWNING ST|LONDON SW1A 2AA|UNITED KINGDOM"},
            {"Herrn Dr. Jürgen Groß\r\nDeutschland\r\nHauptstraße 5a\r\nD-10115 Berlin",
             "HERRN DR JÜRGEN GROSS|HAUPTSTRASSE 5A|D 10115 BERLIN|DEUTSCHLAND"},
            {"Anna Schmidt\r\nLindenweg 3\r\n80331 München\r\nDE",
             "ANNA SCHMIDT|LINDENWEG 3|80331 MÜNCHEN|GERMANY"},
            {"Βαγγέλης Παπαδόπουλος\r\nΟδός Μαΐου 12\r\nΆγιος Ευάγγελος, Ρόδος\r\nGreece",
             "ΒΑΓΓΕΛΗΣ ΠΑΠΑΔΟΠΟΥΛΟΣ|ΟΔΟΣ ΜΑΪΟΥ 12|ΑΓΙΟΣ ΕΥΑΓΓΕΛΟΣ ΡΟΔΟΣ|GREECE"},
            {"Μάιος Ρολόι", "ΜΑΪΟΣ ΡΟΛΟΪ"},
        };
        for (const auto& [address, expected] : rows)
            QCOMPARE(PostalStyle(QString::fromUtf8(address), QStringLiteral("US"))
                         .replace(QStringLiteral("\r\n"), QStringLiteral("|")),
                     QString::fromUtf8(expected));
    }

    // Right fields are kept, the serial filled out; a wrong one is refused
    // by its name.
    void barcodeFields() {
        const std::pair<const char*, const char*> rows[] = {
            {"00,700,123456,42", "00,700,123456,000000042"},
            {"14,040,912345678,123456", "14,040,912345678,123456"},
            {"00,700,123456", "BARCODEID,SERVICE,MAILERID,SERIAL"},
            {"05,700,123456,1", "barcode identifier"},
            {"00,70,123456,1", "service type"},
            {"00,700,812345678,1", "Mailer ID"},
            {"00,700,912345,1", "Mailer ID"},
            {"00,700,912345678,1234567", "serial number"},
        };
        for (const auto& [text, expected] : rows) {
            QString why;
            const auto fields = ParseIntelligentMail(QString::fromLatin1(text), &why);
            const QString outcome = fields ? FormatIntelligentMail(*fields) : why;
            QVERIFY2(outcome.contains(QLatin1String(expected)), qPrintable(outcome));
        }
    }

    void routingCode() {
        const std::pair<const char*, const char*> rows[] = {
            {"A\r\nSpringfield, IL 62704", "62704"},
            {"A\r\nSpringfield IL 62704-1234", "627041234"},
            {"A\r\nSpringfield IL 62704-1234-56", "62704123456"},
            {"A\r\nBoise ID 83702\r\nUSA", "83702"},
            {"A\r\nPO Box 12345\r\nSpringfield", ""},
        };
        for (const auto& [address, routing] : rows)
            QCOMPARE(RoutingCode(QString::fromUtf8(address)), QString::fromLatin1(routing));
    }

    // Off, nothing is stored and the job prints as it always has; the
    // fields stay when the barcode is turned off. Every job takes them.
    void optionsStoredInOwnKey() {
        const CTestEnvironment environment;
        CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
        QCOMPARE(ReadPostalOptions(settings), PostalOptions());
        const DialogGeometry window = MainDialogGeometry(96);
        QVERIFY(!MakeEnvelopeJob(settings, window, {}).mailingPage);
        const PostalOptions options{false, false, true, false,
                                    IntelligentMailFields{"00", "700", "123456", "000000001"}};
        QVERIFY(WritePostalOptions(settings, options));
        QCOMPARE(ReadPostalOptions(settings), options);
        const MailingPage page =
            MakeEnvelopeJob(settings, window, {})
                .mailingPage(QStringLiteral("a.b\r\nc IL 62704"), QSizeF(9.5, 4.125), 0);
        QCOMPARE(page.text, QStringLiteral("AB\r\nC IL 62704"));
    }

    // check: a line a finding and status 5, none and 0; a wrong --imb
    // field is a usage error that names it.
    void checkFromTheCommandLine() {
        const CTestEnvironment environment;
        QByteArray output;
        QCOMPARE(Cli(environment, {"check", "--to", "JO RAY\\nBOISE ID 83702"}, &output), 0);
        QCOMPARE(Cli(environment,
                     {"check", "--to", "A\\nB\\nC\\nD\\nE\\nF\\nG", "--imb", "00,700,123456,1"},
                     &output),
                 5);
        // An address abroad goes without a barcode, said once: no finding.
        QCOMPARE(output, "The address has 7 lines; the machines read at most 6. Remove a line.\n"
                         "pelvaro-cli: No barcode on envelopes to other countries: 1 envelope "
                         "goes without one (a place line that does not end with a state and a "
                         "ZIP code)\n");
        // A pasted page is one finding on the tool's output too.
        QCOMPARE(Cli(environment, {"check", "--to", QString("L\\n").repeated(40) + "L"}, &output),
                 5);
        QVERIFY2(QString::fromUtf8(output).contains(QRegularExpression(
                     QStringLiteral("\nLines \\d+ to 41 (fall below the address block|lie below "
                                    "the envelope's edge) and are not printed\\."))),
                 output.right(300).constData());
        // Printing what does not fit says so, with the remedy.
        QCOMPARE(Cli(environment, {"print", "--to", "JO RAY\\n" + QString(400, u'W')}, &output), 0);
        QVERIFY2(
            output.contains("A line is cut at the edge of its block: \xE2\x80\x9CWWW") &&
                output.contains("Shorten or remove the line, or choose a smaller font with Mailing "
                                "Address Font..."),
            output.constData());
        QCOMPARE(Cli(environment, {"merge", "--book", "--imb", "00,700,12345,1"}, &output), 2);
        QVERIFY2(output.contains("--imb: the Mailer ID"), output.constData());
    }

    // The barcode goes only on a US size to an address with a ZIP code; in
    // a job each one carries a serial number of its own, counting up from
    // the one given, never past its digits.
    void barcodesOfAJob() {
        PostalOptions options;
        options.barcode = true;
        QString why;
        options.barcodeFields = ParseIntelligentMail(QStringLiteral("00,700,123456,101"), &why);
        QStringList addresses;
        for (int i = 0; i < 5; ++i) {
            addresses.append(QStringLiteral("Jo Ray\r\n%1 Elm St\r\nBoise ID 8370%1").arg(i));
            addresses.append(QStringLiteral("Hans Maier\r\nHauptstr. %1\r\n10115 Berlin\r\n"
                                            "Germany")
                                 .arg(i));
        }
        const auto addressOf = [&](qsizetype i) { return addresses[i]; };
        EnvelopeJob job;
        const BarcodeRun run = NumberBarcodes(job, options, QStringLiteral("US"), 10, addressOf);
        QCOMPARE(run.barcoded, 5);
        QCOMPARE(run.abroad, 5);
        QVERIFY(!run.overflow);
        QCOMPARE(BarcodeSerialsLine(run),
                 QStringLiteral("the 5 barcodes carry the serial numbers 000000101 to 000000105"));
        const QSizeF no10(9.5, 4.125);
        const QSizeF dl(220 / 25.4, 110 / 25.4);
        int serial = 101;
        for (qsizetype i = 0; i < addresses.size(); ++i) {
            const MailingPage page = job.mailingPage(addresses[i], no10, i);
            QVERIFY2(page.problem.isEmpty(), qPrintable(page.problem));
            QVERIFY(job.mailingPage(addresses[i], dl, i).bars.isEmpty());
            const QString routing = RoutingCode(addresses[i]);
            if (routing.isEmpty()) {
                QVERIFY(page.bars.isEmpty());
                continue;
            }
            IntelligentMailFields fields = *options.barcodeFields;
            fields.serial = QString::number(serial++).rightJustified(9, u'0');
            QCOMPARE(page.bars,
                     IntelligentMailRects(IntelligentMailBars(TrackingCode(fields), routing, &why),
                                          no10));
        }
        // The last serial numbers a 9-digit one has: two fit, five do not,
        // and a page past them is not made.
        options.barcodeFields->serial = QStringLiteral("999999998");
        QCOMPARE(NumberBarcodes(job, options, QStringLiteral("US"), 3, addressOf).lastSerial,
                 QStringLiteral("999999999"));
        const BarcodeRun over = NumberBarcodes(job, options, QStringLiteral("US"), 10, addressOf);
        QVERIFY(over.overflow && BarcodeSerialsLine(over).isEmpty());
        QCOMPARE(BarcodeOverflowLine(options, over),
                 QStringLiteral("the serial number 999999998 leaves too few for the 5 envelopes "
                                "with a barcode, as serial numbers end at 999999999: give one of "
                                "999999995 or less"));
        QVERIFY(!job.mailingPage(addresses[4], no10, 4).problem.isEmpty());
    }

    // A barcode that cannot be made, its library missing, stops the job
    // with the cause: no file, no picture, as a page without it would look
    // printed whole.
    void barcodeThatCannotBeMade() {
        const CTestEnvironment environment;
        const QProcessEnvironment without = WithoutBarcodeLibrary(environment.Root());
        const QString cause =
            "the barcode could not be made: its library, " + BarcodeLibraryName() + ", is missing";
        const QString to = QStringLiteral("Jo Ray\\n1 Elm St\\nSpringfield IL 62704");
        const QString pdf = environment.Root() + QStringLiteral("/x.pdf");
        const QString png = environment.Root() + QStringLiteral("/x.png");
        QByteArray output;
        QCOMPARE(
            Cli(environment, {"print", "--to", to, "--imb", "00,700,123456,1"}, &output, without),
            4);
        QCOMPARE(output, "pelvaro-cli: The envelope was not printed to the file " + pdf + ": " +
                             cause + ".\n");
        QCOMPARE(Cli(environment, {"print", "--to", to, "--imb", "00,700,123456,1", "--png", png},
                     &output, without),
                 4);
        QCOMPARE(output, "pelvaro-cli: " + cause + '\n');
        QVERIFY(!QFileInfo::exists(pdf) && !QFileInfo::exists(png));
        // Without a barcode asked for, the library is not missed.
        QCOMPARE(Cli(environment, {"print", "--to", to}, &output, without), 0);
        QVERIFY(QFileInfo::exists(pdf));
    }

    // pelvaro-cli's picture at 600 dpi, each bar classified by the rows it
    // covers, against zint's bars for the same data; and the sizes measured.
    void barcodeReadBack_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("data");
        // The barcode standard's (USPS-B-3200) worked examples first, then others across the
        // fields.
        const char* const rows[][3] = {
            {"01,234,567094,987654321", "Nowhere", "01234567094987654321"},
            {"01,234,567094,987654321", "Town XX 01234", "01234567094987654321-01234"},
            {"01,234,567094,987654321", "Town XX 01234-5678", "01234567094987654321-012345678"},
            {"01,234,567094,987654321", "Town XX 01234-5678-91",
             "01234567094987654321-01234567891"},
            {"00,700,123456,000000001", "Springfield IL 62704", "00700123456000000001-62704"},
            {"00,040,899999,999999999", "Boise ID 83702-0001", "00040899999999999999-837020001"},
            {"10,300,000000,000000000", "Nome AK 99762", "10300000000000000000-99762"},
            {"44,999,912345678,000000", "Miami FL 33101-9999-99",
             "44999912345678000000-33101999999"},
            {"21,050,901234567,654321", "Nowhere", "21050901234567654321"},
            {"03,310,543210,123123123", "Austin TX 78701", "03310543210123123123-78701"},
            {"12,700,887654,5", "Reno NV 89501-1234", "12700887654000000005-895011234"},
            {"40,270,999999999,1", "Provo UT 84601-0000-00", "40270999999999000001-84601000000"},
            {"34,123,100000,100000000", "Erie PA 16501", "34123100000100000000-16501"},
            {"02,456,777777,888888888", "Waco TX 76701-2222", "02456777777888888888-767012222"},
            {"13,789,955555555,7", "Troy NY 12180-3333-44", "13789955555555000007-12180333344"},
            {"00,001,654321,123456789", "Lima OH 45801", "00001654321123456789-45801"},
        };
        for (const auto& [fields, place, data] : rows)
            QTest::newRow(data) << QString::fromLatin1(fields) << QString::fromLatin1(place)
                                << QString::fromLatin1(data);
    }
    void barcodeReadBack() {
        QFETCH(QString, fields);
        QFETCH(QString, place);
        QFETCH(QString, data);
        const QString expected = ZintBars(data);
        QVERIFY2(expected.size() == 65, "zint --barcode=85 --dump gave no barcode");

        const CTestEnvironment environment;
        const QString png = environment.Root() + QStringLiteral("/page.png");
        QByteArray output;
        QVERIFY2(Cli(environment,
                     {"print", "--to", "Jo Ray\\n1 Elm St\\n" + place, "--imb", fields, "--png",
                      png, "--dpi", "600"},
                     &output) == 0,
                 output.constData());
        const QImage page(png);
        QCOMPARE(page.size(), QSize(5700, 2475));

        const QList<SeenBar> bars = ReadBars(page, 600);
        // Without a ZIP code, abroad, the envelope carries none.
        if (!data.contains(u'-')) {
            QVERIFY(bars.isEmpty());
            return;
        }
        QCOMPARE(bars.size(), 65);
        const int top = std::min_element(bars.cbegin(), bars.cend(), [](auto& a, auto& b) {
                            return a.top < b.top;
                        })->top;
        const int bottom = std::max_element(bars.cbegin(), bars.cend(), [](auto& a, auto& b) {
                               return a.bottom < b.bottom;
                           })->bottom;
        QString seen;
        const int tolerance = 6; // 0.01 in
        for (const SeenBar& bar : bars) {
            const bool up = bar.top <= top + tolerance;
            const bool down = bar.bottom >= bottom - tolerance;
            seen += up && down ? u'F' : up ? u'A' : down ? u'D' : u'T';
            const double width = (bar.right - bar.left) / 600.0;
            QVERIFY2(width >= 0.015 && width <= 0.025, qPrintable(QString::number(width)));
            if (up && down) {
                const double height = (bar.bottom - bar.top) / 600.0;
                QVERIFY2(height >= 0.125 && height <= 0.165, qPrintable(QString::number(height)));
            }
        }
        QCOMPARE(seen, expected);
        const double barsPerInch = 64 * 600.0 /
                                   ((bars.last().left + bars.last().right) / 2.0 -
                                    (bars.first().left + bars.first().right) / 2.0);
        QVERIFY2(barsPerInch >= 20 && barsPerInch <= 24, qPrintable(QString::number(barsPerInch)));
    }
};

QTEST_MAIN(TestPostal)
#include "tst_postal.moc"
