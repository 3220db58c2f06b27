#include "printjob.h"

#include "envelopelayout.h"
#include "logfont.h"
#include "pdfwriterblocks.h"
#include "printerblocks.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Prints to the PDF writer and reads back where the words landed.
class TestPrintJob : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void PlacesBothBlocks_data();
    void PlacesBothBlocks();
    void LinesApartCutNotWrapped();
    void WordsOnOnePage_data();
    void WordsOnOnePage();
    void InvalidSetups();

private:
    QString NextPdf() { return m_dir.filePath(QStringLiteral("job-%1.pdf").arg(++m_count)); }
    QTemporaryDir m_dir;
    int m_count = 0;
};

namespace {

struct Word {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

struct PdfText {
    double width = 0;
    double height = 0;
    int pages = 0;
    QList<Word> words; // of all pages
};

PdfText ReadPdf(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    process.waitForFinished(30000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    PdfText text;
    static const QRegularExpression page(
        QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)">)re"));
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.-]+)" yMin="([\d.-]+)" xMax="([\d.-]+)" yMax="([\d.-]+)">(.*?)</word>)re"));
    for (auto it = page.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        text.width = m.captured(1).toDouble();
        text.height = m.captured(2).toDouble();
        ++text.pages;
    }
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        // pdftotext escapes '&'; no address here holds '<', '>' or '"'.
        text.words.append({m.captured(5).replace(u"&amp;"_qs, u"&"_qs), m.captured(1).toDouble(),
                           m.captured(2).toDouble(), m.captured(3).toDouble(),
                           m.captured(4).toDouble()});
    }
    return text;
}

QString PdfTitle(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {path});
    process.waitForFinished(30000);
    static const QRegularExpression title(QStringLiteral(R"(^Title:\s*(.*)$)"),
                                          QRegularExpression::MultilineOption);
    return title.match(QString::fromUtf8(process.readAllStandardOutput())).captured(1).trimmed();
}

const Word* Find(const PdfText& text, const QString& wordText) {
    for (const Word& word : text.words) {
        if (word.text == wordText)
            return &word;
    }
    return nullptr;
}

QByteArray Settings(int paper, int orientation, int dpi) {
    DEVMODEW mode;
    mode.dmFields = DEVMODEW::DM_PAPERSIZE | DEVMODEW::DM_ORIENTATION | DEVMODEW::DM_PRINTQUALITY;
    mode.dmPaperSize = static_cast<int16_t>(paper);
    mode.dmOrientation = static_cast<int16_t>(orientation);
    mode.dmPrintQuality = static_cast<int16_t>(dpi);
    return mode.ToBytes();
}

LOGFONTW Font(int height) {
    LOGFONTW font = StockVariableFontDescription();
    font.lfHeight = height;
    font.SetFaceName(QStringLiteral("Liberation Sans"));
    return font;
}

// The main dialog of the worked examples.
CEnvelopeJob Job(const QString& output, const QByteArray& devMode) {
    CEnvelopeJob job;
    job.returnAddress = QStringLiteral("Returnline\r\nSecondline");
    job.mailingAddress = QStringLiteral("Mailingline\r\nTown");
    job.returnLogFont = Font(-13);
    job.mailingLogFont = Font(-16);
    job.devMode = devMode;
    job.devNames = PdfNames(output);
    job.clientSize = QSize(646, 316);
    job.returnBoxTopLeft = QPoint(14, 14);
    job.mailingBoxTopLeft = QPoint(206, 100);
    return job;
}

// What the printer reports for these blocks, read as the job reads it.
PrinterMetrics MetricsFor(const CEnvelopeJob& job) {
    QPrinter printer(QPrinter::HighResolution);
    ConfigurePrinterFromBlocks(printer, job.devMode, job.devNames);
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    return {qRound(paper.width()),
            qRound(paper.height()),
            qRound(page.left() - paper.left()),
            qRound(page.top() - paper.top()),
            printer.logicalDpiX(),
            printer.logicalDpiY()};
}

EnvelopeLayout LayoutFor(const CEnvelopeJob& job) {
    DialogGeometry dialog{job.clientSize, job.returnBoxTopLeft, job.mailingBoxTopLeft,
                          job.screenDpiY};
    return ComputeEnvelopeLayout(MetricsFor(job), dialog, job.envelopeIndex,
                                 job.returnLogFont.lfHeight, job.mailingLogFont.lfHeight);
}

} // namespace

void TestPrintJob::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    QVERIFY(m_dir.isValid());
}

void TestPrintJob::PlacesBothBlocks_data() {
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("largeSheet");

    QTest::newRow("No. 10 envelope, 600 DPI") << 20 << 2 << 600 << 0 << false;
    QTest::newRow("No. 6 3/4 envelope, 300 DPI") << 38 << 2 << 300 << 1 << false;
    QTest::newRow("letter landscape, 600 DPI") << 1 << 2 << 600 << 0 << true;
    QTest::newRow("letter portrait, 300 DPI") << 1 << 1 << 300 << 0 << true;
    QTest::newRow("A5 landscape, 1200 DPI, row 1") << 11 << 2 << 1200 << 1 << false;
    QTest::newRow("A4 landscape, 8.27 inches tall") << 9 << 2 << 300 << 1 << true;
}

void TestPrintJob::PlacesBothBlocks() {
    QFETCH(int, paper);
    QFETCH(int, orientation);
    QFETCH(int, dpi);
    QFETCH(int, index);
    QFETCH(bool, largeSheet);

    const QString path = NextPdf();
    CEnvelopeJob job = Job(path, Settings(paper, orientation, dpi));
    job.envelopeIndex = index;
    QCOMPARE(PrintEnvelope(job), PrintResult::Printed);

    const PrinterMetrics metrics = MetricsFor(job);
    QCOMPARE(metrics.dpiX, dpi);
    const EnvelopeLayout layout = LayoutFor(job);
    QCOMPARE(layout.largeSheet, largeSheet);

    const PdfText text = ReadPdf(path);
    QCOMPARE(text.pages, 1);
    QCOMPARE(PdfTitle(path), QStringLiteral("Pelvaro"));
    QCOMPARE_LT(qAbs(text.width - metrics.width * 72.0 / dpi), 1.0);
    QCOMPARE_LT(qAbs(text.height - metrics.height * 72.0 / dpi), 1.0);

    // Positions are relative to the printable area's corner; the page's
    // coordinates add the physical offsets.
    const auto expectAt = [&](const QString& wordText, const EdgeRect& rect) {
        const Word* word = Find(text, wordText);
        QVERIFY2(word, qPrintable(wordText));
        const double x = (metrics.offsetX + rect.left) * 72.0 / dpi;
        const double y = (metrics.offsetY + rect.top) * 72.0 / dpi;
        QCOMPARE_LT(qAbs(word->xMin - x), 1.0);
        QCOMPARE_LT(qAbs(word->yMin - y), 1.0);
    };
    expectAt(QStringLiteral("Returnline"), layout.returnRect);
    expectAt(QStringLiteral("Mailingline"), layout.mailingRect);

    // The font keeps its size in points: -13 px on a 96 DPI screen is 9.75
    // points; the word box is ascent plus descent, a little more.
    const Word* word = Find(text, QStringLiteral("Returnline"));
    const double returnPoints = -layout.returnFontHeight * 72.0 / dpi;
    QCOMPARE_LT(qAbs(returnPoints - 9.75), 0.2);
    QVERIFY(word->yMax - word->yMin > returnPoints && word->yMax - word->yMin < returnPoints * 1.3);
}

void TestPrintJob::LinesApartCutNotWrapped() {
    const QString path = NextPdf();
    CEnvelopeJob job = Job(path, Settings(20, 2, 600));
    QStringList rows;
    for (int i = 0; i < 60; ++i)
        rows.append(QStringLiteral("Row%1").arg(i));
    job.returnAddress = QStringLiteral("Long ") + QString(20000, u'M') + QStringLiteral("\r\nNext");
    job.mailingAddress = rows.join(QStringLiteral("\r\n"));
    QCOMPARE(PrintEnvelope(job), PrintResult::Printed);
    const PdfText text = ReadPdf(path);

    // Lines are one font height apart, at the same left edge.
    QPrinter printer(QPrinter::HighResolution);
    ConfigurePrinterFromBlocks(printer, job.devMode, job.devNames);
    LOGFONTW font = job.mailingLogFont;
    font.lfHeight = LayoutFor(job).mailingFontHeight;
    const double step =
        QFontMetrics(FontFromLogFont(font, &printer), &printer).height() * 72.0 / 600;
    const Word* first = Find(text, rows[0]);
    QVERIFY(first);
    for (int i = 1; i < 4; ++i) {
        const Word* word = Find(text, rows[i]);
        QVERIFY2(word, qPrintable(rows[i]));
        QVERIFY(qAbs(word->xMin - first->xMin) < 0.01);
        QCOMPARE_LT(qAbs(word->yMin - first->yMin - i * step), 0.1);
    }

    // Not wrapped: the line after the long one follows it directly.
    const Word* longWord = nullptr;
    for (const Word& word : text.words) {
        if (word.text.startsWith(u'M'))
            longWord = &word;
    }
    QVERIFY(longWord);
    QVERIFY(longWord->text.size() > 50 && longWord->text.size() < 300);
    // Cut at the right edge (W - OX in the printer's coordinates, the page's
    // edge here): at most the one character the edge runs through remains.
    const double em = -LayoutFor(job).returnFontHeight * 72.0 / 600;
    QVERIFY(longWord->xMax <= text.width + em);
    QVERIFY(longWord->xMax - em < text.width);
    const Word* next = Find(text, QStringLiteral("Next"));
    QVERIFY(next);
    QVERIFY(next->yMin > longWord->yMin && next->yMin - longWord->yMin < 2 * em);

    // Rows below the bottom edge are not printed.
    int lastRow = -1;
    for (const Word& word : text.words) {
        if (word.text.startsWith(QStringLiteral("Row"))) {
            lastRow = qMax(lastRow, word.text.mid(3).toInt());
            QVERIFY(word.yMin < text.height);
        }
    }
    QVERIFY(lastRow > 5 && lastRow < 59);
}

void TestPrintJob::WordsOnOnePage_data() {
    QTest::addColumn<QString>("returnAddress");
    QTest::addColumn<QString>("mailingAddress");
    QTest::addColumn<bool>("withSettings");
    QTest::addColumn<QStringList>("words");

    const QString returnAddress = QStringLiteral("Returnline\r\nSecondline");
    const QString mailingAddress = QStringLiteral("Mailingline\r\nTown");
    QTest::newRow("both boxes empty") << QString() << QString() << true << QStringList();
    QTest::newRow("return box empty")
        << QString() << mailingAddress << true << QStringList{"Mailingline", "Town"};
    // The driver's defaults apply, whatever paper that is.
    QTest::newRow("names without settings")
        << returnAddress << mailingAddress << false
        << QStringList{"Mailingline", "Returnline", "Secondline", "Town"};
    // '&' is itself, doubled or not; a tab takes one blank's room.
    QTest::newRow("ampersands and a tab")
        << QStringLiteral("Smith && Sons\r\n&Co") << QStringLiteral("Apt\t12") << true
        << QStringList{"&&", "&Co", "12", "Apt", "Smith", "Sons"};
}

void TestPrintJob::WordsOnOnePage() {
    QFETCH(QString, returnAddress);
    QFETCH(QString, mailingAddress);
    QFETCH(bool, withSettings);
    QFETCH(QStringList, words);

    const QString path = NextPdf();
    CEnvelopeJob job = Job(path, withSettings ? Settings(20, 2, 600) : QByteArray());
    job.returnAddress = returnAddress;
    job.mailingAddress = mailingAddress;
    QCOMPARE(PrintEnvelope(job), PrintResult::Printed);
    const PdfText text = ReadPdf(path);
    QCOMPARE(text.pages, 1);
    QStringList found;
    for (const Word& word : text.words)
        found.append(word.text);
    found.sort();
    QCOMPARE(found, words);
    const Word* apt = Find(text, QStringLiteral("Apt"));
    if (apt) // not a jump to a tab stop
        QVERIFY(Find(text, QStringLiteral("12"))->xMin - apt->xMax < 5);
}

void TestPrintJob::InvalidSetups() {
    const QString path = NextPdf();
    const CEnvelopeJob job = Job(path, Settings(20, 2, 600));
    const auto rejected = [&job](const std::function<void(CEnvelopeJob&)>& change) {
        CEnvelopeJob changed = job;
        change(changed);
        return PrintEnvelope(changed) == PrintResult::InvalidSetup;
    };
    QVERIFY(rejected([](CEnvelopeJob& j) { j.devNames = QByteArray(); })); // unconfigured
    QVERIFY(rejected([](CEnvelopeJob& j) { j.devNames.chop(2); }));
    QVERIFY(rejected([](CEnvelopeJob& j) { j.devMode.chop(1); }));
    QVERIFY(rejected([](CEnvelopeJob& j) {
        DEVNAMES gone;
        gone.driver = QStringLiteral("cups");
        gone.device = QStringLiteral("Removed Printer 41c2");
        j.devNames = gone.ToBytes();
    }));
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_MAIN(TestPrintJob)
#include "tst_printjob.moc"
