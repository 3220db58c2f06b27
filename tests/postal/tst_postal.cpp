// The post office's rules: the check on worked envelopes of each size as
// the print job lays them out, the postal style, the barcode's fields, and
// the barcode read back from pelvaro-cli's pictures against zint's.

#include "postal/intelligentmail.h"
#include "postal/postalareas.h"
#include "postal/postalcheck.h"
#include "postal/postaloptions.h"
#include "postal/postalstyle.h"
#include "print/logfont.h"
#include "printblocks.h"
#include "settings/settingsstore.h"
#include "templates/maindialoggeometry.h"
#include "testenvironment.h"

#include <QtGui>
#include <QtTest>

namespace {

// Paper codes of the envelope sizes, as the printer setup stores them.
constexpr int kNo10 = 20;
constexpr int kDl = 27;

// The window's job for an envelope lying in the PDF writer, in Liberation
// Sans of the given point size.
EnvelopeJob Job(int paper, int points = 12) {
    EnvelopeJob job;
    job.mailingLogFont = StockVariableFontDescription();
    job.mailingLogFont.SetFaceName(QStringLiteral("Liberation Sans"));
    job.mailingLogFont.lfHeight = -points * 96 / 72;
    job.returnLogFont = job.mailingLogFont;
    job.devMode = LandscapeSettings(paper, 600);
    job.devNames = PdfNames(QStringLiteral("/nonexistent/x.pdf"));
    const DialogGeometry window = MainDialogGeometry(96);
    job.clientSize = window.clientSize;
    job.returnBoxTopLeft = window.returnBoxTopLeft;
    job.mailingBoxTopLeft = window.mailingBoxTopLeft;
    job.screenDpiY = window.screenDpiY;
    return job;
}

// The mailing block's findings on the job's printer, for a user in the US.
QStringList Findings(const EnvelopeJob& job, const QString& address) {
    const std::optional<QStringList> findings =
        CheckPostalAddress(job, address, PostalOptions(), QStringLiteral("US"));
    return findings.value_or(QStringList{QStringLiteral("no printer")});
}

// The bars of zint's own rendering: three rows of modules in hex, a bar
// every other module, the top row the ascenders', the bottom the
// descenders'.
QString ZintBars(const QString& data) {
    QProcess zint;
    zint.start(QStringLiteral("zint"), {QStringLiteral("--barcode=85"), QStringLiteral("--dump"),
                                        QStringLiteral("-d"), data});
    if (!zint.waitForFinished() || zint.exitCode() != 0)
        return QString();
    QStringList rows;
    for (const QString& line : QString::fromLatin1(zint.readAllStandardOutput()).split(u'\n')) {
        QString bits;
        for (const QString& group : line.split(u' ', Qt::SkipEmptyParts))
            bits += QString::number(group.toUInt(nullptr, 16), 2)
                        .rightJustified(group.size() * 4, u'0');
        if (!bits.isEmpty())
            rows.append(bits);
    }
    if (rows.size() != 3)
        return QString();
    // 129 modules; the last hex digit is filled up with zeros.
    QString bars;
    for (qsizetype c = 0; c < qMin<qsizetype>(rows[0].size(), 129); c += 2) {
        const bool up = rows[0][c] == u'1';
        const bool down = rows[2][c] == u'1';
        bars += up && down ? u'F' : up ? u'A' : down ? u'D' : u'T';
    }
    return bars;
}

// A bar read from a picture, in pixels.
struct SeenBar {
    int left = 0;
    int right = 0; // the first column past it
    int top = 0;
    int bottom = 0; // the first row past it
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
            if (qGray(page.pixel(x, y)) < 128) {
                if (top < 0)
                    top = y;
                bottom = y + 1;
            }
        }
        if (top >= 0 && !inBar)
            bars.append({x, x + 1, top, bottom});
        else if (top >= 0) {
            SeenBar& bar = bars.last();
            bar.right = x + 1;
            bar.top = qMin(bar.top, top);
            bar.bottom = qMax(bar.bottom, bottom);
        }
        inBar = top >= 0;
    }
    return bars;
}

} // namespace

class TestPostal : public QObject {
    Q_OBJECT

private slots:
    void areasPerSize_data() {
        QTest::addColumn<QSizeF>("envelope");
        QTest::addColumn<int>("rules");
        QTest::addColumn<QRectF>("readArea");
        QTest::addColumn<QRectF>("strip");
        const double mm = 1 / 25.4;
        QTest::newRow("No. 10") << QSizeF(9.5, 4.125) << int(PostalRules::Us)
                                << QRectF(0.5, 1.375, 8.5, 2.125) << QRectF(4.75, 3.5, 4.75, 0.625);
        QTest::newRow("No. 6 3/4")
            << QSizeF(6.5, 3.625) << int(PostalRules::Us) << QRectF(0.5, 0.875, 5.5, 2.125)
            << QRectF(1.75, 3.0, 4.75, 0.625);
        QTest::newRow("DL") << QSizeF(220 * mm, 110 * mm) << int(PostalRules::Iso)
                            << QRectF(15 * mm, 40 * mm, 190 * mm, 55 * mm)
                            << QRectF(0, 95 * mm, 220 * mm, 15 * mm);
        QTest::newRow("C5 standing") << QSizeF(162 * mm, 229 * mm) << int(PostalRules::Iso)
                                     << QRectF(15 * mm, 40 * mm, 132 * mm, 174 * mm)
                                     << QRectF(0, 214 * mm, 162 * mm, 15 * mm);
    }
    void areasPerSize() {
        QFETCH(QSizeF, envelope);
        QFETCH(int, rules);
        QFETCH(QRectF, readArea);
        QFETCH(QRectF, strip);
        const PostalAreas areas = PostalAreasFor(envelope);
        QCOMPARE(int(areas.rules), rules);
        const auto near = [](const QRectF& a, const QRectF& b) {
            return qAbs(a.left() - b.left()) < 1e-6 && qAbs(a.top() - b.top()) < 1e-6 &&
                   qAbs(a.right() - b.right()) < 1e-6 && qAbs(a.bottom() - b.bottom()) < 1e-6;
        };
        QVERIFY2(near(areas.readArea, readArea), qPrintable(QDebug::toString(areas.readArea)));
        QVERIFY2(near(areas.barcodeStrip, strip), qPrintable(QDebug::toString(areas.barcodeStrip)));
    }

    // Blank lines move an address down without adding to its lines, as a
    // user does to place it lower.
    void workedExamples_data() {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("expected");
        const QString blank8 = QStringLiteral("\r\n").repeated(8);
        const QString us = QStringLiteral("JOHN DOE\r\n123 MAIN ST\r\nSPRINGFIELD IL 62704");
        const QString longLine = QStringLiteral("\r\n1234 LONG BOULEVARD NAME APARTMENT 56789");
        QTest::newRow("No. 10 inside") << kNo10 << 12 << us << QStringList();
        QTest::newRow("No. 10 one line low")
            << kNo10 << 12 << blank8 + us + QStringLiteral("\r\nUSA")
            << QStringList{QStringLiteral("Line 4 (\"USA\") lies 0.1")};
        QTest::newRow("No. 10 into the strip")
            << kNo10 << 12 << blank8 + us + longLine
            << QStringList{QStringLiteral("Line 4 (\"1234 LONG BOULEVARD NAME APARTMENT 56789\") "
                                          "runs into the barcode clear zone")};
        QTest::newRow("No. 10 small type")
            << kNo10 << 6 << us << QStringList{QStringLiteral("The capital letters are 1.5 mm")};
        QTest::newRow("No. 10 seven lines")
            << kNo10 << 10 << QStringLiteral("L1\r\nL2\r\nL3\r\nL4\r\nL5\r\nL6\r\nL7")
            << QStringList{QStringLiteral("The address has 7 lines")};
        QTest::newRow("No. 10 foreign, country second")
            << kNo10 << 12 << QStringLiteral("Hans Meier\r\nGermany\r\nLindenweg 3\r\n80331 Munich")
            << QStringList{QStringLiteral("The country (\"Germany\") is not on the last line")};
        QTest::newRow("No. 10 foreign, country last")
            << kNo10 << 12 << QStringLiteral("Hans Meier\r\nLindenweg 3\r\n80331 Munich\r\nGermany")
            << QStringList();
        // The window's box puts the first line's capitals 0.7 mm short of
        // the 40 mm of an ISO envelope.
        QTest::newRow("DL first line high")
            << kDl << 12 << us
            << QStringList{QStringLiteral("Line 1 (\"JOHN DOE\") lies 0.7 mm above")};
        QTest::newRow("DL inside") << kDl << 12 << QStringLiteral("\r\n") + us << QStringList();
        QTest::newRow("DL one line low")
            << kDl << 12 << blank8 + QStringLiteral("\r\n\r\n") + us
            << QStringList{QStringLiteral("Line 3 (\"SPRINGFIELD IL 62704\") runs into the strip "
                                          "along the bottom")};
        QTest::newRow("DL small type")
            << kDl << 7 << QStringLiteral("\r\n") + us
            << QStringList{QStringLiteral("The capital letters are 1.6 mm")};
        QTest::newRow("DL too wide")
            << kDl << 14
            << QStringLiteral("\r\nJOHN DOE\r\n1234 LONG BOULEVARD NAME APARTMENT 56789\r\nX")
            << QStringList{QStringLiteral("The address block is 1")};
    }
    void workedExamples() {
        QFETCH(int, paper);
        QFETCH(int, points);
        QFETCH(QString, address);
        QFETCH(QStringList, expected);
        const QStringList findings = Findings(Job(paper, points), address);
        QVERIFY2(findings.size() == expected.size(), qPrintable(findings.join(u'\n')));
        for (qsizetype i = 0; i < expected.size(); ++i)
            QVERIFY2(findings[i].startsWith(expected[i]), qPrintable(findings[i]));
    }

    void postalStyle_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected");
        QTest::newRow("US") << QStringLiteral("Mr. John O'Neil\r\n123 N. Main St., Apt. #4\r\n"
                                              "St. Louis, MO 63101-1234")
                            << QStringLiteral(
                                   "MR JOHN ONEIL|123 N MAIN ST APT #4|ST LOUIS MO 63101-1234");
        QTest::newRow("US, fraction and Queens number")
            << QStringLiteral(
                   "Ann Lee\n123 1/2 Elm Rd.\n\n118-20 Queens Blvd.\nForest Hills, NY 11375")
            << QStringLiteral("ANN LEE|123 1/2 ELM RD|118-20 QUEENS BLVD|FOREST HILLS NY 11375");
        QTest::newRow("own country kept last")
            << QStringLiteral("Jo Ray\r\n1 Elm St\r\nBoise, ID 83702\r\nUSA")
            << QStringLiteral("JO RAY|1 ELM ST|BOISE ID 83702|USA");
        QTest::newRow("UK") << QStringLiteral("Ms. Jane Smith-Jones\r\nFlat 2, 10 Downing St.\r\n"
                                              "London SW1A 2AA\r\nUnited Kingdom")
                            << QStringLiteral(
                                   "MS JANE SMITH JONES|FLAT 2 10 DOWNING ST|LONDON SW1A 2AA|"
                                   "UNITED KINGDOM");
        QTest::newRow("German, country moved last")
            << QStringLiteral("Herrn Dr. Jürgen Groß\r\nDeutschland\r\nHauptstraße 5a\r\n"
                              "D-10115 Berlin")
            << QStringLiteral("HERRN DR JÜRGEN GROSS|HAUPTSTRASSE 5A|D 10115 BERLIN|DEUTSCHLAND");
        QTest::newRow("German, bare code")
            << QStringLiteral("Anna Schmidt\r\nLindenweg 3\r\n"
                              "80331 München\r\nDE")
            << QStringLiteral("ANNA SCHMIDT|LINDENWEG 3|80331 MÜNCHEN|GERMANY");
    }
    void postalStyle() {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        QCOMPARE(
            PostalStyle(address, QStringLiteral("US")).split(QStringLiteral("\r\n")).join(u'|'),
            expected);
    }

    void barcodeFields_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // empty: refused
        QTest::addColumn<QString>("why");
        QTest::newRow("6-digit Mailer ID") << "00,700,123456,42"
                                           << "00,700,123456,000000042"
                                           << "";
        QTest::newRow("9-digit Mailer ID") << "14,040,912345678,123456"
                                           << "14,040,912345678,123456"
                                           << "";
        QTest::newRow("three fields") << "00,700,123456"
                                      << ""
                                      << "BARCODEID,SERVICE,MAILERID,SERIAL";
        QTest::newRow("identifier's second digit") << "05,700,123456,1"
                                                   << ""
                                                   << "barcode identifier";
        QTest::newRow("service of two digits") << "00,70,123456,1"
                                               << ""
                                               << "service type";
        QTest::newRow("Mailer ID of 7 digits") << "00,700,1234567,1"
                                               << ""
                                               << "Mailer ID";
        QTest::newRow("9 digits not beginning with 9") << "00,700,812345678,1"
                                                       << ""
                                                       << "Mailer ID";
        QTest::newRow("6 digits beginning with 9") << "00,700,912345,1"
                                                   << ""
                                                   << "Mailer ID";
        QTest::newRow("serial too long") << "00,700,912345678,1234567"
                                         << ""
                                         << "serial number";
        QTest::newRow("serial not digits") << "00,700,123456,12a"
                                           << ""
                                           << "serial number";
    }
    void barcodeFields() {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QString, why);
        QString reason;
        const std::optional<IntelligentMailFields> fields = ParseIntelligentMail(text, &reason);
        QCOMPARE(fields ? FormatIntelligentMail(*fields) : QString(), stored);
        QVERIFY2(reason.contains(why), qPrintable(reason));
    }

    void routingCode_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("routing");
        QTest::newRow("ZIP") << "A\r\nSpringfield, IL 62704"
                             << "62704";
        QTest::newRow("ZIP+4") << "A\r\nSpringfield IL 62704-1234"
                               << "627041234";
        QTest::newRow("delivery point") << "A\r\nSpringfield IL 62704-1234-56"
                                        << "62704123456";
        QTest::newRow("before the country") << "A\r\nBoise ID 83702\r\nUSA"
                                            << "83702";
        QTest::newRow("a box number is no ZIP") << "A\r\nPO Box 12345\r\nSpringfield"
                                                << "";
        QTest::newRow("German postcode") << "A\r\n10115 Berlin\r\nGermany"
                                         << "";
    }
    void routingCode() {
        QFETCH(QString, address);
        QFETCH(QString, routing);
        QCOMPARE(RoutingCode(address), routing);
    }

    // Off, nothing is stored and the job prints as it always has; the
    // fields stay when the barcode is turned off.
    void optionsStoredInOwnKey() {
        const CTestEnvironment environment;
        CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
        QCOMPARE(ReadPostalOptions(settings), PostalOptions());
        EnvelopeJob job;
        ApplyPostalOptions(job, ReadPostalOptions(settings), QStringLiteral("US"));
        QVERIFY(!job.mailingPage);
        PostalOptions options;
        options.postalStyle = true;
        QString why;
        options.barcodeFields = ParseIntelligentMail(QStringLiteral("00,700,123456,1"), &why);
        QVERIFY(WritePostalOptions(settings, options));
        QCOMPARE(ReadPostalOptions(settings), options);
        QVERIFY(
            !settings.GetProfileString(QStringLiteral("Pelvaro"), QStringLiteral("Postal Style"))
                 .size());
        ApplyPostalOptions(job, options, QStringLiteral("US"));
        QVERIFY(job.mailingPage);
        const MailingPage page =
            job.mailingPage(QStringLiteral("a.b\r\nc IL 62704"), QSizeF(9.5, 4.125));
        QCOMPARE(page.text, QStringLiteral("AB\r\nC IL 62704"));
        QVERIFY(page.bars.isEmpty());
    }

    // pelvaro-cli's picture at 600 dpi, each bar classified by the rows it
    // covers, against zint's bars for the same data; and the sizes measured.
    void barcodeReadBack_data() {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("data");
        // The specification's worked examples, then others across the fields.
        const QString spec = QStringLiteral("01,234,567094,987654321");
        QTest::newRow("example 1") << spec << "Nowhere"
                                   << "01234567094987654321";
        QTest::newRow("example 2") << spec << "Town XX 01234"
                                   << "01234567094987654321-01234";
        QTest::newRow("example 3") << spec << "Town XX 01234-5678"
                                   << "01234567094987654321-012345678";
        QTest::newRow("example 4") << spec << "Town XX 01234-5678-91"
                                   << "01234567094987654321-01234567891";
        const char* const more[][3] = {
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
        for (const auto& [fields, place, data] : more)
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
        CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
        QVERIFY(
            settings.WriteBinaryValue(QStringLiteral("DevMode"), LandscapeSettings(kNo10, 600)));
        QVERIFY(settings.WriteBinaryValue(QStringLiteral("DevNames"),
                                          PdfNames(environment.Root() + QStringLiteral("/x.pdf"))));
        const QString png = environment.Root() + QStringLiteral("/page.png");
        QProcess cli;
        cli.start(QString::fromLocal8Bit(qgetenv("PELVARO_CLI")),
                  {QStringLiteral("print"), QStringLiteral("--to"),
                   QStringLiteral("Jo Ray\\n1 Elm St\\n") + place, QStringLiteral("--imb"), fields,
                   QStringLiteral("--png"), png, QStringLiteral("--dpi"), QStringLiteral("600")});
        QVERIFY(cli.waitForFinished(60000));
        QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
        const QImage page(png);
        QCOMPARE(page.size(), QSize(5700, 2475));

        const QList<SeenBar> bars = ReadBars(page, 600);
        QCOMPARE(bars.size(), 65);
        int top = page.height();
        int bottom = 0;
        for (const SeenBar& bar : bars) {
            top = qMin(top, bar.top);
            bottom = qMax(bottom, bar.bottom);
        }
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
