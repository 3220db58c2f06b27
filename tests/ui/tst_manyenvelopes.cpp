// Many envelopes in one job: the dialog through its real widgets, the
// preview against what Print puts on paper, and a job cancelled half way,
// to a PDF and to a real queue of a CUPS scheduler of the test's own.

#include "addressbook/addressbook.h"
#include "bookbytes.h"
#include "modalscript.h"
#include "pdftext.h"
#include "platform/helpcommand.h"
#include "postal/jobfromsettings.h"
#include "postal/postaloptions.h"
#include "print/printeralignment.h"
#include "printblocks.h"
#include "settings/settingsstore.h"
#include "templates/maindialoggeometry.h"
#include "testenvironment.h"
#include "testjob.h"
#include "ui/dialogbuilder.h"
#include "ui/manyenvelopesdlg.h"
#include "ui/multilineedit.h"
#include "ui/pelvarodlg.h"
#include "ui/printpreview.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

#include <cups/cups.h>

#include <memory>

namespace {

const QString kReturn = QStringLiteral("Quentin Sender\r\n12 Return Lane");

EnvelopeJob Job(const QByteArray& devNames) {
    EnvelopeJob job =
        TestJob(LandscapeSettings(20, 300), devNames, QStringLiteral("Liberation Serif"), -15, -21);
    job.returnAddress = kReturn;
    return job;
}

// The controls of Print Many Envelopes that the tests press and read.
struct Controls {
    explicit Controls(const QDialog& dlg)
        : find(Named<QLineEdit>(&dlg, "find")), list(Named<QTreeView>(&dlg, "envelopes")),
          count(Named<QLabel>(&dlg, "count")), noMatch(Named<QLabel>(&dlg, "noMatch")),
          emptyBook(Named<QLabel>(&dlg, "emptyBook")), status(Named<QLabel>(&dlg, "status")),
          printer(Named<QLabel>(&dlg, "printer")),
          addFromFile(Named<QPushButton>(&dlg, "addFromFile")),
          selectAll(Named<QPushButton>(&dlg, "selectAll")),
          preview(Named<QPushButton>(&dlg, "preview")), print(Named<QPushButton>(&dlg, "print")),
          printAgain(Named<QPushButton>(&dlg, "printAgain")) {}
    QLineEdit* find;
    QTreeView* list;
    QLabel* count;
    QLabel* noMatch;
    QLabel* emptyBook;
    QLabel* status;
    QLabel* printer;
    QPushButton* addFromFile;
    QPushButton* selectAll;
    QPushButton* preview;
    QPushButton* print;
    QPushButton* printAgain;
};

// The rows shown, each as its columns' texts joined by "|".
QStringList Visible(const QTreeView* list, int columns = 1) {
    const QAbstractItemModel* shown = list->model();
    QStringList rows;
    for (int row = 0; row < shown->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < columns; ++column)
            texts << shown->index(row, column).data().toString();
        rows << texts.join(u'|');
    }
    return rows;
}

// A row's tick as the list shows it; and a tick given as a click on its box
// gives it.
Qt::CheckState TickOf(const QTreeView* list, int row) {
    return Qt::CheckState(list->model()->index(row, 0).data(Qt::CheckStateRole).toInt());
}
void Tick(QTreeView* list, int row) {
    list->model()->setData(list->model()->index(row, 0), Qt::Checked, Qt::CheckStateRole);
}

// A page of the preview as it draws it, one scene unit a printer pixel.
QImage PreviewPage(QWidget* preview, int page, QSize size) {
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

// Notes a question's text and presses its button of that role.
CModalScript& Answer(CModalScript& script, QStringList& seen, QMessageBox::ButtonRole role) {
    return script.Then<QMessageBox>([&seen, role](QMessageBox* box) {
        seen << box->text();
        for (QAbstractButton* button : box->buttons()) {
            if (box->buttonRole(button) == role)
                return button->click();
        }
    });
}

// A book of "Entry 000" and on, all at one address, read into `book`.
void MakeBook(const CTestEnvironment& env, CAddressBook& book, int entries) {
    QStringList labels;
    for (int i = 0; i < entries; ++i)
        labels << QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0'));
    WriteWholeFile(env.BookPath(), BookBytes(labels, QStringLiteral("A Person\r\n1 Road")));
    book.LoadAddressBook();
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
    // Reads and writes under whatever folders m_env names at the time.
    CSettingsStore m_settings{"Torvane Software", "Pelvaro"};

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
        QList<CEnvelopeListModel::FileEntry> kept;
        CManyEnvelopesDlg dlg(job, book, m_settings);
        dlg.KeepFileEntriesIn(kept);
        const Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
        QCOMPARE(c.count->text(), u"0 envelopes to print"_qs);
        QVERIFY(!c.print->isEnabled());

        QTest::keyClicks(c.find, QStringLiteral("OAK"));
        QCOMPARE(Visible(c.list), QStringList({"Alice", "Oakley"}));
        QTest::mouseClick(c.selectAll, Qt::LeftButton);
        QCOMPARE(c.count->text(), u"2 envelopes to print; 2 of 4 shown"_qs);
        c.find->clear();
        QCOMPARE(Visible(c.list), QStringList({"Alice", "Bert", "Nobody", "Oakley"}));

        // The file's entry joins the job marked with the file's name, in
        // view; the same file again adds nothing.
        QStringList seen;
        QString title;
        CModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* files) { title = files->windowTitle(); })
            .ChooseFile(csv, QStringLiteral("Work"))
            .NoteMessage(seen);
        QTest::mouseClick(c.addFromFile, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QCOMPARE(title, u"Add Addresses to This Job"_qs);
        QCOMPARE(seen, QStringList({"1 address from more.csv was added to this job.\n1 contact "
                                    "has no address and could not be used.\nShow Details lists "
                                    "them.",
                                    "Add From File", QString::number(QMessageBox::Warning),
                                    "Contacts without an address:\nEd Empty"}));
        QCOMPARE(c.count->accessibleName(), u"3 envelopes to print"_qs);
        QCOMPARE(Visible(c.list, 3).value(4), u"Dora Dean|9 Work Road|more.csv"_qs);
        QVERIFY(!c.list->isColumnHidden(2));
        // The address keeps the room the file's column does not need.
        QVERIFY(c.list->columnWidth(1) > c.list->viewport()->width() / 3);
        QCOMPARE(c.list->currentIndex().row(), 4);
        script.ChooseFile(csv, QStringLiteral("Work")).NoteMessage(seen);
        QTest::mouseClick(c.addFromFile, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QVERIFY2(seen.value(0).startsWith("0 addresses from more.csv were added to this job.\n1 "
                                          "was in the list already and was not added again.\n"),
                 qPrintable(seen.value(0)));
        QCOMPARE(c.list->model()->rowCount(), 5);
        // The folder is kept with the settings, for the next run too.
        QCOMPARE(m_settings.GetProfileString("Contacts Files", "Folder"), m_env->Root());

        int previewPages = 0;
        QStringList spoken;
        script.Then<CPrintPreviewDlg>([&](CPrintPreviewDlg* preview) {
            previewPages = Named<QPrintPreviewWidget>(preview, "pages")->pageCount();
            for (const QWidget* named : preview->findChildren<QWidget*>())
                spoken << named->accessibleName();
            preview->reject();
        });
        QTest::mouseClick(c.preview, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QCOMPARE(previewPages, 3);
        QVERIFY(spoken.contains("Envelope pages") && spoken.contains("Page number"));

        QTest::mouseClick(c.print, Qt::LeftButton);
        QVERIFY(dlg.isVisible());
        QCOMPARE(c.status->text(), "3 envelopes saved to " + pdf);
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

        // Print Again takes a range of the last job, numbered in list order;
        // one out of range is refused with the prompt kept open, and the
        // reprint goes beside the job's file.
        QString prompt;
        QString retyped;
        script.Then<QInputDialog>([&](QInputDialog* ask) {
            prompt = ask->labelText();
            ask->setTextValue(QStringLiteral("4"));
            QMetaObject::invokeMethod(ask, &QDialog::accept, Qt::QueuedConnection);
        });
        script.NoteMessage(seen).Then<QInputDialog>([&](QInputDialog* ask) {
            retyped = ask->textValue();
            ask->setTextValue(QStringLiteral(" 2 \u2013 3"));
            ask->accept();
        });
        QTest::mouseClick(c.printAgain, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QVERIFY2(prompt.contains(u"rows 1 to 3") && prompt.contains(u"2-3"), qPrintable(prompt));
        QCOMPARE(seen.value(0),
                 u"Type one number from 1 to 3, or two joined by a hyphen, such as 1-2."_qs);
        QCOMPARE(retyped, u"4"_qs);
        const QString beside = m_env->Root() + QStringLiteral("/many (again 2-3).pdf");
        QCOMPARE(c.status->text(), "2 envelopes saved to " + beside);
        QCOMPARE(ReadPdf(pdf).pages, 3);
        const PdfText again = ReadPdf(beside);
        QCOMPARE(again.pages, 2);
        // The return address's five words come first.
        QCOMPARE(again.words.value(5).text, u"Olga"_qs);

        // The file's entry is the job's until the window closes, ticked as
        // it was left.
        c.list->model()->setData(c.list->model()->index(4, 0), Qt::Unchecked, Qt::CheckStateRole);
        dlg.reject();
        CManyEnvelopesDlg reopened(job, book, m_settings);
        reopened.KeepFileEntriesIn(kept);
        const Controls r(reopened);
        QCOMPARE(Visible(r.list, 3).value(4), u"Dora Dean|9 Work Road|more.csv"_qs);
        QVERIFY(!r.list->isColumnHidden(2) && TickOf(r.list, 4) == Qt::Unchecked);
    }

    // Enter in Find goes to the first match and never prints; a job with a
    // ticked entry the find hides, or of more than ten envelopes, asks first.
    void enterInFindAndLargeJobs() {
        const QString pdf = m_env->Root() + QStringLiteral("/asked.pdf");
        CAddressBook book;
        MakeBook(*m_env, book, 12);
        CManyEnvelopesDlg dlg(Job(PdfNames(pdf)), book, m_settings);
        const Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
        Tick(c.list, 1);
        QCOMPARE(c.print->text(), u"&Print 1 Envelope"_qs);
        QTest::keyClicks(c.find, QStringLiteral("entry 005"));
        QTest::keyClick(c.find, Qt::Key_Return);
        QVERIFY(dlg.isVisible() && !QFileInfo::exists(pdf) && c.list->hasFocus());
        QCOMPARE(c.list->currentIndex().data().toString(), u"Entry 005"_qs);

        QStringList seen;
        CModalScript script;
        Answer(script, seen, QMessageBox::RejectRole);
        QTest::mouseClick(c.print, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QVERIFY(!QFileInfo::exists(pdf));
        c.find->clear();
        QTest::mouseClick(c.selectAll, Qt::LeftButton);
        QCOMPARE(c.print->text(), u"&Print 12 Envelopes"_qs);
        Answer(script, seen, QMessageBox::AcceptRole);
        QTest::mouseClick(c.print, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QCOMPARE(seen, QStringList({"Print 1 envelope to the file " + pdf +
                                        "?\n\n1 of them is hidden by Find.",
                                    "Print 12 envelopes to the file " + pdf + "?"}));
        QVERIFY(QFileInfo::exists(pdf));
    }

    // A find that matches nothing says so, and the count what it hides;
    // Escape takes back a find before it closes; ticks and the find come
    // back at the next opening, those of labels the book lost excepted.
    void ticksAndFindKept() {
        CAddressBook book;
        MakeBook(*m_env, book, 3);
        {
            CManyEnvelopesDlg dlg(Job(QByteArray()), book, m_settings);
            const Controls c(dlg);
            dlg.show();
            Tick(c.list, 1);
            Tick(c.list, 2);
            QVERIFY(!c.noMatch->isVisible());
            QTest::keyClicks(c.find, QStringLiteral(" x  1 "));
            QVERIFY(c.noMatch->isVisible());
            QCOMPARE(c.noMatch->text(), u"Nothing matches \u201cx 1\u201d."_qs);
            QCOMPARE(c.count->text(),
                     u"2 envelopes to print; 0 of 3 shown, 2 ticked entries hidden"_qs);
            QTest::keyClick(c.find, Qt::Key_Escape);
            QVERIFY(dlg.isVisible() && c.find->text().isEmpty());
            // From the list too; then Escape closes.
            QTest::keyClicks(c.find, QStringLiteral("entry"));
            c.list->setFocus();
            QTest::keyClick(c.list, Qt::Key_Escape);
            QVERIFY(dlg.isVisible() && c.find->text().isEmpty());
            QTest::keyClick(c.list, Qt::Key_Escape);
            QVERIFY(!dlg.isVisible());
            c.find->setText(QStringLiteral("entry"));
            dlg.reject();
        }
        book.RemoveAt(2);
        CManyEnvelopesDlg again(Job(QByteArray()), book, m_settings);
        const Controls c(again);
        QCOMPARE(c.find->text(), u"entry"_qs);
        QCOMPARE(again.CheckedAddresses().size(), 1);
        QCOMPARE(TickOf(c.list, 1), Qt::Checked);
    }

    // Each access key belongs to one control; Ctrl+F goes to Find, Down from
    // there into the list; Space ticks every selected row, or takes the
    // ticks away when all had them; a click on a row's text ticks it.
    void keyboardAndClicks() {
        CAddressBook book;
        MakeBook(*m_env, book, 4);
        CManyEnvelopesDlg dlg(Job(QByteArray()), book, m_settings);
        const Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg, kWaitMs));
        QStringList keys;
        for (const QAbstractButton* button : dlg.findChildren<QAbstractButton*>())
            keys << button->text().section(u'&', 1).left(1).toLower();
        for (const QLabel* label : dlg.findChildren<QLabel*>())
            keys << (label->buddy() ? label->text().section(u'&', 1).left(1).toLower() : "");
        keys.removeAll(QString());
        QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());

        PressShortcut(&dlg, QKeySequence(QKeySequence::Find)[0]);
        QVERIFY(c.find->hasFocus());
        QTest::keyClick(c.find, Qt::Key_Down);
        QVERIFY(c.list->hasFocus());
        QTest::keyClick(c.list, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(c.list, Qt::Key_Space);
        QCOMPARE(dlg.CheckedAddresses().size(), 2);
        QTest::keyClick(c.list, Qt::Key_Space);
        QCOMPARE(dlg.CheckedAddresses().size(), 0);

        // F1 and Help open the dialog's own page of the help.
        QStringList pages;
        SetHelpCommand([&pages](const QString& page) { pages << page; });
        PressShortcut(c.list, Qt::Key_F1);
        dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
        SetHelpCommand({});
        QCOMPARE(pages, QStringList(2, "printing.html#many-envelopes"));

        const QRect row = c.list->visualRect(c.list->model()->index(3, 1));
        QTest::mouseClick(c.list->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(TickOf(c.list, 3), Qt::Checked);
        QTest::mouseClick(c.list->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(TickOf(c.list, 3), Qt::Unchecked);
    }

    // An empty book shows what to do instead of an empty list. Label and
    // address in columns, nothing to scroll sideways; a header's click sorts
    // by its column, the next one the other way. The size is kept for the
    // next opening.
    void columnsSortAndSize() {
        CAddressBook book;
        book.LoadAddressBook();
        {
            CManyEnvelopesDlg empty(Job(QByteArray()), book, m_settings);
            const Controls c(empty);
            empty.show();
            QVERIFY(c.emptyBook->isVisible() && !c.list->isVisible());
            empty.resize(600, 420);
            empty.reject();
        }
        book.AddAddress(CAddress("Karin", "Karin\r\nStorgatan 1\r\nLund"));
        book.AddAddress(CAddress("office", "Alder & Co\r\n9 Row"));
        book.AddAddress(CAddress("Zed", "Zed Zimmer\r\n" + QString(300, u'x')));
        CManyEnvelopesDlg dlg(Job(QByteArray()), book, m_settings);
        const Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
        QCOMPARE(dlg.size(), QSize(600, 420));
        QVERIFY(c.list->isVisible() && !c.emptyBook->isVisible());
        // The book's order, until a header is clicked.
        QCOMPARE(Visible(c.list, 2),
                 QStringList({"Karin|Storgatan 1, Lund", "Zed|Zed Zimmer, " + QString(300, u'x'),
                              "office|Alder & Co, 9 Row"}));
        QVERIFY(!c.list->horizontalScrollBar()->isVisible());
        QHeaderView* header = c.list->header();
        const auto sortBy = [header](int column) {
            QTest::mouseClick(
                header->viewport(), Qt::LeftButton, {},
                QPoint(header->sectionViewportPosition(column) + 8, header->height() / 2));
        };
        sortBy(1);
        QCOMPARE(Visible(c.list), QStringList({"office", "Karin", "Zed"}));
        sortBy(1);
        QCOMPARE(Visible(c.list), QStringList({"Zed", "Karin", "office"}));
    }

    // With no printer the dialog says so, and the invalid setup's message
    // offers the setup, after which the print goes on where it was set up.
    void printerSetupFromTheDialog() {
        const QString pdf = m_env->Root() + QStringLiteral("/set-up.pdf");
        CAddressBook book;
        MakeBook(*m_env, book, 1);
        // The window hands back the job it would print after the setup: its
        // boxes and fonts as they were, the printer chosen, with that
        // printer's own alignment.
        const auto setUp = [&] {
            const EnvelopeJob before = Job(QByteArray());
            JobOverrides window;
            window.returnAddress = before.returnAddress;
            window.returnLogFont = before.returnLogFont;
            window.mailingLogFont = before.mailingLogFont;
            window.devMode = before.devMode;
            window.devNames = PdfNames(pdf);
            return MakeEnvelopeJob(m_settings, before.window, window);
        };
        CManyEnvelopesDlg dlg(Job(QByteArray()), book, m_settings, setUp);
        const Controls c(dlg);
        dlg.show();
        QCOMPARE(c.printer->text(), u"Printer: none"_qs);
        Tick(c.list, 0);
        QStringList seen;
        CModalScript script;
        Answer(script, seen, QMessageBox::AcceptRole);
        QTest::mouseClick(c.print, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QCOMPARE(seen, {u"The Printer Setup is invalid. Please configure a printer."_qs});
        QCOMPARE(c.printer->text(), "Printer: file " + pdf);
        QVERIFY(QFileInfo::exists(pdf) && c.status->text().startsWith(u"1 envelope saved"));
        // The printer chosen brings its own alignment: 10 mm further right.
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("poppler-utils"));
        const double before = ReadPdf(pdf).words.value(0).xMin;
        QVERIFY(WritePrinterAlignment(m_settings, kPdfPrinterName,
                                      {EnvelopeFeed::AcrossRight, false, 100, 0}));
        dlg.OnPrinterSetup();
        QTest::mouseClick(c.print, Qt::LeftButton);
        QVERIFY(qAbs(ReadPdf(pdf).words.value(0).xMin - before - 72 * 10 / 25.4) < 0.05);
    }

    // Cancel half way through 60 envelopes: the message says how many were
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
        CAddressBook book;
        MakeBook(*m_env, book, 60);
        CManyEnvelopesDlg dlg(Job(names), book, m_settings);
        const Controls c(dlg);
        dlg.show();
        QTest::mouseClick(c.selectAll, Qt::LeftButton);
        QCOMPARE(c.count->text(), u"60 envelopes to print"_qs);

        // Cancel is clicked as the bar reaches 30, inside the progress
        // report itself: a timer might first fire a page later.
        QTimer canceller;
        connect(&canceller, &QTimer::timeout, this, [&canceller] {
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (!progress)
                return;
            canceller.stop();
            connect(progress->findChild<QProgressBar*>(), &QProgressBar::valueChanged, progress,
                    [progress](int value) {
                        if (value == 30)
                            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
                    });
        });
        canceller.start(0);
        QStringList seen;
        CModalScript script;
        Answer(script, seen, QMessageBox::AcceptRole).NoteMessage(seen);
        QTest::mouseClick(c.print, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        canceller.stop();
        QCOMPARE(seen.value(0), u"Printing was cancelled after 30 of 60 envelopes had been sent. "
                                u"The job was withdrawn: none of them was printed."_qs);
        QVERIFY(dlg.isVisible());
        QVERIFY(!QFileInfo::exists(pdf));
        if (queue) {
            QTRY_COMPARE_WITH_TIMEOUT(QueueJobs("Many").value(0).state, IPP_JSTATE_CANCELED,
                                      kWaitMs);
            QCOMPARE(QueueJobs("Many").size(), 1);
            const QString out = qEnvironmentVariable("PELVARO_CUPSD_DIR") + QStringLiteral("/out");
            QVERIFY(QDir(out).entryList({"[0-9]*"}).isEmpty());
        }
    }

    // The preview opens on page 1, whole; the page and zoom keys work
    // wherever the focus is; the line under it names an envelope that does
    // not fit the sheet, and cut lines;
    // Print goes through the dialog's own Print.
    void previewPagesKeysAndWarnings() {
        CAddressBook book;
        book.LoadAddressBook();
        for (int i = 1; i <= 6; ++i)
            book.AddAddress(CAddress(QStringLiteral("P%1").arg(i),
                                     QStringLiteral("Person %1\r\n%2 Road").arg(i).arg(i)));
        book.AddAddress(CAddress("Wide", "Wanda Wide\r\n" + QString(70, u'W') + "\r\nTown"));
        const QString pdf = m_env->Root() + QStringLiteral("/previewed.pdf");
        EnvelopeJob job = Job(PdfNames(pdf));
        job.envelopeIndex = 1; // No. 6 3/4 on No. 10 paper
        CManyEnvelopesDlg dlg(job, book, m_settings);
        const Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
        QTest::mouseClick(c.selectAll, Qt::LeftButton);

        QStringList warnings;
        CModalScript script;
        script.Then<CPrintPreviewDlg>([&](CPrintPreviewDlg* preview) {
            QPrintPreviewWidget* pages = Named<QPrintPreviewWidget>(preview, "pages");
            QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == preview,
                                     kWaitMs); // for its shortcuts
            QCOMPARE(pages->currentPage(), 1);
            QCOMPARE(pages->zoomMode(), QPrintPreviewWidget::FitInView);
            QTest::keyClick(pages, Qt::Key_PageDown);
            QTest::keyClick(pages, Qt::Key_PageDown);
            QCOMPARE(pages->currentPage(), 3);
            QCOMPARE(Named<QSpinBox>(preview, "pageNumber")->value(), 3);
            QTest::keyClick(pages, Qt::Key_End, Qt::ControlModifier);
            QCOMPARE(pages->currentPage(), 7);
            QTest::keyClick(pages, Qt::Key_PageUp);
            QCOMPARE(pages->currentPage(), 6);
            const qreal whole = pages->zoomFactor();
            QTest::keyClick(pages, Qt::Key_Plus, Qt::ControlModifier);
            QVERIFY(pages->zoomFactor() > whole * 1.2);
            QTest::keyClick(pages, Qt::Key_0, Qt::ControlModifier);
            QCOMPARE(pages->zoomMode(), QPrintPreviewWidget::FitInView);
            warnings = Named<QLabel>(preview, "warnings")->text().split(u'\n');
            QTest::mouseClick(Named<QPushButton>(preview, "print"), Qt::LeftButton);
        });
        QTest::mouseClick(c.preview, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        // The No. 10 paper is an envelope fed as the page: no mismatch.
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].startsWith(QStringLiteral("A line is cut at the edge of its block: "
                                                       "envelope 7, \u201CWWW")),
                 qPrintable(warnings[0]));
        QCOMPARE(c.status->text(), "7 envelopes saved to " + pdf);

        // On an A4 sheet standing upright, a No. 10 envelope is wider than
        // the sheet; its outline shows where it lies, across the sheet.
        job.envelopeIndex = 0;
        job.devMode = LandscapeSettings(9, 150);
        DEVMODEW upright = *DEVMODEW::FromBytes(job.devMode);
        upright.dmOrientation = DEVMODEW::DMORIENT_PORTRAIT;
        job.devMode = upright.ToBytes();
        QPrinter printer(QPrinter::HighResolution);
        QVERIFY(ConfigureJobPrinter(printer, job));
        CPrintPreviewDlg preview(printer, job, {QStringLiteral("Ann\r\n1 Road")});
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview, kWaitMs));
        QVERIFY2(Named<QLabel>(&preview, "warnings")
                     ->text()
                     .startsWith("The No. 10 envelope does not fit on the printer's paper, A4"),
                 qPrintable(Named<QLabel>(&preview, "warnings")->text()));
        // The post's areas are named under the page when they are drawn.
        QVERIFY(Named<QLabel>(&preview, "legend")->isHidden());
        const CPrintPreviewDlg withAreas(printer, job, {QStringLiteral("Ann")},
                                         PageOverlay(&DrawPostalAreas));
        QVERIFY(Named<QLabel>(&withAreas, "legend")->text().startsWith("The blue area is where"));
        const QImage page = PreviewPage(&preview, 0, QSize(1240, 1754));
        const int top = (1754 - qRound(4.125 * 150)) / 2;
        int inked = 0;
        for (int x = 0; x < page.width(); ++x) {
            for (int y = top - 3; y <= top + 3; ++y) {
                if (qGray(page.pixel(x, y)) < 230) {
                    ++inked;
                    break;
                }
            }
        }
        QVERIFY2(inked > page.width() * 9 / 10, qPrintable(QString::number(inked)));
    }

    // With the post office's check on, the preview lists what it finds on
    // each envelope, and Print warns first: Cancel prints nothing.
    void postalFindingsBeforePrinting() {
        CAddressBook book;
        book.LoadAddressBook();
        book.AddAddress(CAddress("Long", "L1\r\nL2\r\nL3\r\nL4\r\nL5\r\nL6\r\nL7"));
        book.AddAddress(CAddress("Short", "Sam Short\r\n1 Oak Lane\r\nSpringfield IL 62704"));
        PostalOptions options;
        options.checkBeforePrinting = true;
        QVERIFY(WritePostalOptions(m_settings, options));
        const QString pdf = m_env->Root() + QStringLiteral("/postal.pdf");
        CManyEnvelopesDlg dlg(Job(PdfNames(pdf)), book, m_settings);
        const Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
        QTest::mouseClick(c.selectAll, Qt::LeftButton);
        QStringList texts;
        CModalScript script;
        script
            .Then<CPrintPreviewDlg>([&](CPrintPreviewDlg* preview) {
                texts << Named<QLabel>(preview, "warnings")->text();
                Named<QPushButton>(preview, "print")->click();
            })
            .Then<QMessageBox>([&](QMessageBox* box) {
                texts << box->text();
                box->button(QMessageBox::Cancel)->click();
            });
        QTest::mouseClick(c.preview, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QVERIFY2(texts.size() == 2 && texts[0].contains(u"Envelope 1: The address has 7 lines") &&
                     !texts[0].contains(u"Envelope 2") &&
                     texts[1].contains(u"Envelope 1: The address has 7 lines"),
                 qPrintable(texts.join(u'\n')));
        QVERIFY(!QFileInfo::exists(pdf));
    }

    // With the barcode on, each envelope to a US address carries a serial
    // number of its own, said as a range with the envelopes abroad; a
    // reprint carries the serial number its envelope had.
    void barcodesNumberedInTheJob() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("poppler-utils"));
        CAddressBook book;
        book.LoadAddressBook();
        book.AddAddress(CAddress("Ann", "Ann Ames\r\n1 Elm St\r\nBoise ID 83701"));
        book.AddAddress(CAddress("Bob", "Bob Bauer\r\nHauptstr. 2\r\n10115 Berlin\r\nGermany"));
        book.AddAddress(CAddress("Cid", "Cid Cole\r\n3 Oak St\r\nBoise ID 83702"));
        PostalOptions options;
        options.barcode = true;
        QString why;
        options.barcodeFields = ParseIntelligentMail(QStringLiteral("00,700,123456,5"), &why);
        QVERIFY(WritePostalOptions(m_settings, options));
        const QString pdf = m_env->Root() + QStringLiteral("/barcodes.pdf");
        CManyEnvelopesDlg dlg(Job(PdfNames(pdf)), book, m_settings);
        const Controls c(dlg);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
        QTest::mouseClick(c.selectAll, Qt::LeftButton);
        QTest::mouseClick(c.print, Qt::LeftButton);
        QCOMPARE(c.status->text(),
                 "3 envelopes saved to " + pdf +
                     ". The 2 barcodes carry the serial numbers 000000005 to 000000006. No "
                     "barcode on envelopes to other countries: 1 envelope goes without one (a "
                     "place line that does not end with a state and a ZIP code)");
        const QImage cid = RenderPdfPage(pdf, 2, 100);
        CModalScript script;
        script.Then<QInputDialog>([](QInputDialog* ask) {
            ask->setTextValue(QStringLiteral("3"));
            ask->accept();
        });
        QTest::mouseClick(c.printAgain, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        // Beside the job's file, which keeps its three pages.
        const QString again = pdf.chopped(4) + QStringLiteral(" (again 3).pdf");
        QCOMPARE(c.status->text(), "1 envelope saved to " + again);
        QCOMPARE(RenderPdfPage(again, 0, 100), cid);
        QCOMPARE(RenderPdfPage(pdf, 2, 100), cid);
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
        QVERIFY(QTest::qWaitForWindowExposed(&dlg, kWaitMs));
        dlg.GetDlgItem<CMultiLineEdit>(IDC_MAILINGADDRESS)
            ->SetText(QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue"));
        QTest::mouseClick(dlg.GetDlgItem(IDC_PRINT), Qt::LeftButton, {}, QPoint(16, 16));
        const QImage printed = RenderPdfPage(pdf, 0, 150);
        QVERIFY(!printed.isNull());

        QImage previewed;
        CModalScript script;
        script.Choose(QStringLiteral("Print Pre&view..."))
            .Then<CPrintPreviewDlg>([&](CPrintPreviewDlg* preview) {
                QCOMPARE(Named<QPrintPreviewWidget>(preview, "pages")->pageCount(), 1);
                // An envelope that is the whole sheet needs no warning.
                QVERIFY(Named<QLabel>(preview, "warnings")->isHidden());
                previewed = PreviewPage(preview, 0, printed.size());
                preview->reject();
            });
        QTest::mouseClick(dlg.GetDlgItem(IDC_CONFIGURE), Qt::LeftButton, {}, QPoint(16, 16));
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QCOMPARE(InkLines(previewed).size(), 4);
        QVERIFY(SameInk(previewed, printed));
        dlg.reject();
    }
};

QTEST_MAIN(TestManyEnvelopes)
#include "tst_manyenvelopes.moc"
