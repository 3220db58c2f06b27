#include "printjob.h"

#include "pdftext.h"
#include "printblocks.h"
#include "printerblocks.h"
#include "testenvironment.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

namespace {

// The main dialog of the worked layouts, printing to the PDF writer.
CEnvelopeJob Job(const QString& output, const QByteArray& devMode) {
    CEnvelopeJob job;
    job.returnAddress = QStringLiteral("Returnline\r\nSecondline");
    job.mailingAddress = QStringLiteral("Mailingline\r\nTown");
    job.returnLogFont = StockVariableFontDescription();
    job.returnLogFont.SetFaceName(QStringLiteral("Liberation Sans"));
    job.mailingLogFont = job.returnLogFont;
    job.returnLogFont.lfHeight = -13;
    job.mailingLogFont.lfHeight = -16;
    job.devMode = devMode;
    job.devNames = PdfNames(output);
    job.clientSize = QSize(646, 316);
    job.returnBoxTopLeft = QPoint(14, 14);
    job.mailingBoxTopLeft = QPoint(206, 100);
    return job;
}

// For cups_e2e.sh: one envelope to a CUPS queue, with blocks made the way
// the printer setup makes them.
int PrintToQueue(const QString& queue) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    if (printer.printerName() != queue)
        return 2;
    CEnvelopeJob job = Job(QString(), QByteArray());
    const PrinterBlocks blocks = BlocksFromPrinter(printer);
    job.devMode = blocks.devMode;
    job.devNames = blocks.devNames;
    job.returnAddress = QStringLiteral("Quentin Sender\r\n12 Return Lane");
    job.mailingAddress = QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue");
    return PrintEnvelope(job) == PrintResult::Printed ? 0 : 1;
}

} // namespace

// Prints to the PDF writer and reads back where the words landed.
class TestPrintJob : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_count = 0;
    QString NextPdf() { return m_dir.filePath(QStringLiteral("job-%1.pdf").arg(++m_count)); }

private slots:
    void initTestCase() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
    }

    // The worked layouts' corners, in the printer's pixels, from the corner
    // of the printable area, which the PDF writer starts 10 points in.
    void PlacesBothBlocks_data() {
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
    void PlacesBothBlocks() {
        QFETCH(int, paper);
        QFETCH(int, dpi);
        QFETCH(QList<int>, corners);
        const QString path = NextPdf();
        CEnvelopeJob job = Job(path, LandscapeSettings(paper, dpi));
        QFETCH(int, index);
        job.envelopeIndex = index;
        QCOMPARE(PrintEnvelope(job), PrintResult::Printed);
        const PdfText text = ReadPdf(path);
        QVERIFY(text.pages == 1 && text.title == u"Pelvaro");
        const PdfWord* words[] = {text.Find("Returnline"), text.Find("Mailingline")};
        for (int i = 0; i < 2; ++i) {
            QVERIFY(words[i]);
            QCOMPARE_LT(qAbs(words[i]->xMin - 10 - corners[2 * i] * 72.0 / dpi), 1.0);
            QCOMPARE_LT(qAbs(words[i]->yMin - 10 - corners[2 * i + 1] * 72.0 / dpi), 1.0);
        }
        // -13 px on a 96 DPI screen is 9.75 points on paper; the word box is
        // ascent plus descent, a little more.
        QVERIFY(words[0]->yMax - words[0]->yMin > 9.75 && words[0]->yMax - words[0]->yMin < 12.7);
    }

    void LinesApartCutNotWrapped() {
        const QString path = NextPdf();
        CEnvelopeJob job = Job(path, LandscapeSettings(20, 600));
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
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--print-to-queue") == 0)
        return PrintToQueue(QString::fromLocal8Bit(argv[2]));
    TestPrintJob test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_printjob.moc"
