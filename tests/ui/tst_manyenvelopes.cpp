// Many envelopes in one job: the dialog through its real widgets, the
// preview against what Print puts on paper, and a job cancelled half way,
// to a PDF and to a real queue of a CUPS scheduler of the test's own.

#include "addressbook/addressbook.h"
#include "bookbytes.h"
#include "modalscript.h"
#include "pdftext.h"
#include "printblocks.h"
#include "settings/settingsstore.h"
#include "templates/maindialoggeometry.h"
#include "testenvironment.h"
#include "ui/dialogbuilder.h"
#include "ui/manyenvelopesdlg.h"
#include "ui/multilineedit.h"
#include "ui/pelvarodlg.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

#include <cups/cups.h>

#include <memory>

namespace {

const QString kReturn = QStringLiteral("Quentin Sender\r\n12 Return Lane");

EnvelopeJob Job(const QByteArray& devNames) {
    EnvelopeJob job;
    job.returnAddress = kReturn;
    job.returnLogFont = StockVariableFontDescription();
    job.returnLogFont.SetFaceName(QStringLiteral("Liberation Serif"));
    job.returnLogFont.lfHeight = -15;
    job.mailingLogFont = job.returnLogFont;
    job.mailingLogFont.lfHeight = -21;
    job.devMode = LandscapeSettings(20, 300);
    job.devNames = devNames;
    const DialogGeometry window = MainDialogGeometry(96);
    job.clientSize = window.clientSize;
    job.returnBoxTopLeft = window.returnBoxTopLeft;
    job.mailingBoxTopLeft = window.mailingBoxTopLeft;
    return job;
}

QStringList Visible(const QListWidget* list) {
    QStringList labels;
    for (int i = 0; i < list->count(); ++i) {
        if (!list->item(i)->isHidden())
            labels << list->item(i)->text().section(QChar(0x2014), 0, 0).trimmed();
    }
    return labels;
}

// A page of the preview as it draws it, one scene unit a printer pixel.
QImage PreviewPage(QPrintPreviewDialog* preview, int page, QSize size) {
    QGraphicsScene* scene = preview->findChild<QGraphicsView*>()->scene();
    QList<QGraphicsItem*> pages = scene->items();
    std::sort(pages.begin(), pages.end(),
              [](auto* a, auto* b) { return a->scenePos().y() < b->scenePos().y(); });
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    scene->render(&painter, QRectF(QPointF(), size), QRectF(pages.at(page)->scenePos(), size));
    return picture;
}

struct QueueJob {
    int id = 0;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
};
QList<QueueJob> QueueJobs(const char* queue) {
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue, 0, CUPS_WHICHJOBS_ALL);
    QList<QueueJob> result;
    for (int i = 0; i < count; ++i)
        result.append({jobs[i].id, jobs[i].state});
    cupsFreeJobs(count, jobs);
    return result;
}

} // namespace

class TestManyEnvelopes : public QObject {
    Q_OBJECT
    std::unique_ptr<CTestEnvironment> m_env;

private slots:
    void init() { m_env = std::make_unique<CTestEnvironment>(); }
    void cleanup() { m_env.reset(); }

    // Find by label or address in any case; Select All takes what the find
    // shows; a file's contacts join the job checked and its record without
    // an address is reported; the preview has a page per envelope; Print
    // makes one PDF whose pages, in list order, each carry their contact's
    // lines where the single envelope's print puts them.
    void findSelectAddPreviewPrint() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("poppler-utils"));
        CAddressBook book;
        book.LoadAddressBook();
        book.AddAddress(CAddress("Alice", "Alice Able\r\n1 Oak Lane"));
        book.AddAddress(CAddress("Bert", "Bert Baker\r\n2 Elm Road"));
        book.AddAddress(CAddress("Nobody", QString()));
        book.AddAddress(CAddress("Oakley", "Olga Oakley\r\n3 Pine Street"));
        const QString csv = m_env->Root() + QStringLiteral("/more.csv");
        WriteWholeFile(csv, "Name,Home Street,Business Street\nDora Dean,4 Birch Way,9 Work Road\n"
                            "Ed Empty,,\n");
        const QString pdf = m_env->Root() + QStringLiteral("/many.pdf");
        const EnvelopeJob job = Job(PdfNames(pdf));
        CManyEnvelopesDlg dlg(job, book);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.m_count->text(), u"0 envelopes to print"_qs);
        QVERIFY(!dlg.m_print->isEnabled());

        QTest::keyClicks(dlg.m_find, QStringLiteral("OAK"));
        QCOMPARE(Visible(dlg.m_list), QStringList({"Alice", "Oakley"}));
        QTest::mouseClick(dlg.m_selectAll, Qt::LeftButton);
        QCOMPARE(dlg.m_count->text(), u"2 envelopes to print"_qs);
        dlg.m_find->clear();
        QCOMPARE(Visible(dlg.m_list),
                 QStringList({"Alice", "Bert", "Nobody (no address)", "Oakley"}));

        QStringList seen;
        CModalScript script;
        script.ChooseFile(csv, QStringLiteral("Work")).NoteMessage(seen);
        QTest::mouseClick(dlg.m_addFromFile, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 30000);
        QCOMPARE(seen, QStringList({"1 address was added.\n1 had no address: Ed Empty",
                                    "Add From File", QString::number(QMessageBox::Warning)}));
        QCOMPARE(dlg.m_count->text(), u"3 envelopes to print"_qs);

        int previewPages = 0;
        script.Then<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
            previewPages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
            preview->reject();
        });
        QTest::mouseClick(dlg.m_preview, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 30000);
        QCOMPARE(previewPages, 3);

        QTest::mouseClick(dlg.m_print, Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        const PdfText many = ReadPdf(pdf);
        QCOMPARE(many.pages, 3);
        QCOMPARE(many.title, u"Pelvaro"_qs);
        const QStringList order = {"Alice Able\r\n1 Oak Lane", "Olga Oakley\r\n3 Pine Street",
                                   "Dora Dean\r\n9 Work Road"};
        for (int page = 0; page < order.size(); ++page) {
            EnvelopeJob single = Job(PdfNames(m_env->Root() + QStringLiteral("/one.pdf")));
            single.mailingAddress = order[page];
            QCOMPARE(PrintEnvelope(single), PrintResult::Printed);
            const PdfText one = ReadPdf(m_env->Root() + QStringLiteral("/one.pdf"));
            QList<PdfWord> words;
            for (const PdfWord& word : many.words) {
                if (word.page == page)
                    words.append(word);
            }
            QCOMPARE(words.size(), one.words.size());
            for (qsizetype i = 0; i < words.size(); ++i) {
                QCOMPARE(words[i].text, one.words[i].text);
                QVERIFY(qAbs(words[i].xMin - one.words[i].xMin) < 0.25 &&
                        qAbs(words[i].yMin - one.words[i].yMin) < 0.25);
            }
        }
    }

    // Cancel half way through 500 envelopes: the message says how many were
    // sent, no PDF is left, and the queue's one job is cancelled, never
    // completed.
    void cancelHalfWay_data() {
        QTest::addColumn<bool>("queue");
        QTest::newRow("PDF") << false;
        QTest::newRow("CUPS queue") << true;
    }
    void cancelHalfWay() {
        QFETCH(bool, queue);
        const QString pdf = m_env->Root() + QStringLiteral("/cancelled.pdf");
        QByteArray names = PdfNames(pdf);
        if (queue) {
            PELVARO_REQUIRE(
                qgetenv("PELVARO_CUPSD") == "running",
                QStringLiteral("a CUPS scheduler of the test's own (package cups, root)"));
            QCOMPARE(
                QProcess::execute("lpadmin", {"-p", "Many", "-E", "-v", "capture:/", "-m", "raw"}),
                0);
            names = DEVNAMES{QStringLiteral("cups"), QStringLiteral("Many"), QString()}.ToBytes();
        }
        QStringList labels;
        for (int i = 0; i < 500; ++i)
            labels << QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0'));
        WriteWholeFile(m_env->BookPath(), BookBytes(labels, QStringLiteral("A Person\r\n1 Road")));
        CAddressBook book;
        book.LoadAddressBook();
        CManyEnvelopesDlg dlg(Job(names), book);
        dlg.show();
        QTest::mouseClick(dlg.m_selectAll, Qt::LeftButton);
        QCOMPARE(dlg.m_count->text(), u"500 envelopes to print"_qs);

        // Cancel is clicked as the bar reaches 250, inside the progress
        // report itself: a timer might first fire a page later.
        QTimer canceller;
        connect(&canceller, &QTimer::timeout, this, [&canceller] {
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (!progress)
                return;
            canceller.stop();
            connect(progress->findChild<QProgressBar*>(), &QProgressBar::valueChanged, progress,
                    [progress](int value) {
                        if (value == 250)
                            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
                    });
        });
        canceller.start(0);
        QStringList seen;
        CModalScript script;
        script.NoteMessage(seen);
        QTest::mouseClick(dlg.m_print, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 30000);
        canceller.stop();
        QCOMPARE(seen.value(0), u"Printing was cancelled after 250 of 500 envelopes had been sent. "
                                u"The job was withdrawn: none of them was printed."_qs);
        QVERIFY(dlg.isVisible());
        QVERIFY(!QFileInfo::exists(pdf));
        if (queue) {
            QTRY_COMPARE_WITH_TIMEOUT(QueueJobs("Many").value(0).state, IPP_JSTATE_CANCELED, 30000);
            QCOMPARE(QueueJobs("Many").size(), 1);
            const QString out = qEnvironmentVariable("PELVARO_CUPSD_DIR") + QStringLiteral("/out");
            QVERIFY(QDir(out).entryList({"[0-9]*"}).isEmpty());
        }
    }

    // "Print Preview..." of the window shows, page for page, what its Print
    // puts in the PDF.
    void previewShowsWhatPrintPrints() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("poppler-utils"));
        const QString pdf = m_env->Root() + QStringLiteral("/window.pdf");
        CSettingsStore settings("Torvane Software", "Pelvaro");
        settings.WriteBinaryValue("DevMode", LandscapeSettings(1, 150));
        settings.WriteBinaryValue("DevNames", PdfNames(pdf));
        settings.WriteProfileString("Pelvaro", "LastReturnAddress", kReturn);
        CPelvaroDlg dlg(settings);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.m_mailingEdit->SetText(QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue"));
        QTest::mouseClick(dlg.GetDlgItem(IDC_PRINT), Qt::LeftButton, {}, QPoint(16, 16));
        const QImage printed = RenderPdfPage(pdf, 0, 150);
        QVERIFY(!printed.isNull());

        QImage previewed;
        CModalScript script;
        script.Choose(QStringLiteral("Print Pre&view..."))
            .Then<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
                QCOMPARE(preview->findChild<QPrintPreviewWidget*>()->pageCount(), 1);
                // Printing and the page's setup stay with the window.
                for (const QAction* action : preview->findChildren<QAction*>())
                    QVERIFY2(!action->isVisible() ||
                                 !QStringList({"Print", "Page setup", "Landscape"})
                                      .contains(action->text()),
                             qPrintable(action->text()));
                previewed = PreviewPage(preview, 0, printed.size());
                preview->reject();
            });
        QTest::mouseClick(dlg.GetDlgItem(IDC_CONFIGURE), Qt::LeftButton, {}, QPoint(16, 16));
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 30000);
        QCOMPARE(InkLines(previewed).size(), 4);
        QVERIFY(SameInk(previewed, printed));
        dlg.reject();
    }
};

QTEST_MAIN(TestManyEnvelopes)
#include "tst_manyenvelopes.moc"
