// The main dialog's commands without a window; then the dialog, its address
// list menus, the add dialog and the about box, driven end to end through
// their real widgets, menus and dialogs, which are found by their ids. Run
// beside a CUPS scheduler of the test's own, with no queue: the printer
// setup offers the PDF writer whatever printers the machine has.

#include "bookbytes.h"
#include "contacts/contactswriter.h"
#include "modalscript.h"
#include "pdftext.h"
#include "platform/helpcommand.h"
#include "postal/postaloptions.h"
#include "print/blockplacement.h"
#include "printblocks.h"
#include "settings/registryfile.h"
#include "settings/settingsstore.h"
#include "testenvironment.h"
#include "ui/aboutdlg.h"
#include "ui/addaddressdlg.h"
#include "ui/addresslistmenu.h"
#include "ui/dialogbuilder.h"
#include "ui/importpreviewdlg.h"
#include "ui/layoutdlg.h"
#include "ui/maindialogcommands.h"
#include "ui/multilineedit.h"
#include "ui/pelvarodlg.h"
#include "ui/postaloptionsdlg.h"
#include "ui/printeralignmentdlg.h"
#include "ui/printpreview.h"
#include "ui/tabledialogs.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

#include <csignal>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QString kSection = QStringLiteral("Pelvaro");
const QString kDirectPath =
    QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\Pelvaro\\Pelvaro");

// The five values the window stores when it closes.
QStringList Stored(const CSettingsStore& settings) {
    QStringList values;
    for (const char* name : {"LastMailingAddressLabel", "LastMailingAddress",
                             "LastReturnAddressLabel", "LastReturnAddress"})
        values << settings.GetProfileString(kSection, QLatin1String(name));
    return values << QString::number(settings.GetProfileInt(kSection, "LastEnvelopeIndex", -99));
}

// The book's file with these labels, each at "<label> Street".
void MakeBook(const QStringList& labels) {
    CAddressBook book;
    book.LoadAddressBook();
    for (const QString& label : labels)
        book.AddAddress(CAddress(label, label + QStringLiteral(" Street")));
}

// Whether the help has the page a Help button opens.
bool HelpPageExists(const QString& page) {
    return QFileInfo::exists(QStringLiteral(PELVARO_TEST_DATA_DIR "/../../res/help/") +
                             page.section(u'#', 0, 0));
}

// What the message box a click ends in says; nothing when none came.
QStringList ClickNotingMessage(QWidget* button) {
    QStringList seen;
    CModalScript script;
    script.NoteMessage(seen);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(16, 16));
    script.Clear();
    return seen;
}

} // namespace

class TestPelvaroDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CSettingsStore> m_settings;
    std::unique_ptr<CPelvaroDlg> m_dlg;
    // The pages the help was asked for, "" for its start.
    QStringList m_helpPages;

    void Open(const QStringList& labels = {}) {
        MakeBook(labels);
        m_dlg = std::make_unique<CPelvaroDlg>(*m_settings);
        m_dlg->show();
        QVERIFY(QTest::qWaitForWindowActive(m_dlg.get(), kWaitMs));
    }
    // Clicks a button and waits until the script has answered what it opens.
    void Run(int buttonId, CModalScript& script) {
        QTest::mouseClick(m_dlg->GetDlgItem(buttonId), Qt::LeftButton, {}, QPoint(16, 16));
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
    }
    CMultiLineEdit* Box(int id) const { return m_dlg->GetDlgItem<CMultiLineEdit>(id); }
    QComboBox* SizeList() const { return m_dlg->GetDlgItem<QComboBox>(IDC_ENVELOPESIZE); }
    // The book's entries as stored, "label|address".
    QStringList Entries() {
        CAddressBook book;
        book.LoadAddressBook();
        QStringList entries;
        for (int i = 0; i < book.GetSize(); ++i)
            entries << book.GetAt(i).m_strLabel + u'|' + book.GetAt(i).m_strAddress;
        return entries;
    }

private slots:
    void init() {
        m_env = std::make_unique<CTestEnvironment>();
        m_settings = std::make_unique<CSettingsStore>("Torvane Software", "Pelvaro");
        m_helpPages.clear();
        SetHelpCommand([this](const QString& page) { m_helpPages << page; });
    }
    void cleanup() {
        SetHelpCommand({});
        m_dlg.reset();
        m_env.reset(); // before the next one, which keeps what it finds
    }

    // Every change is made on the book as its file holds it now, so an
    // entry that another program added since outlives it and a label it
    // took is taken. A taken label changes nothing; Modify keeps the label
    // and the place; an entry that is gone changes nothing; a book another
    // program holds too long is left as it is.
    void commandsChangeTheBook_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("outcome"); // what came back
        QTest::addColumn<QStringList>("entries");
        const auto row = [](const char* name, const char* command, const char* outcome,
                            const QStringList& entries) {
            QTest::newRow(name) << QString::fromUtf8(command) << QString::fromUtf8(outcome)
                                << entries;
        };
        const QString abe = u"Abe|Abe Street"_qs, home = u"Home|Home Street"_qs,
                      zed = u"Zed|Zed Street"_qs;
        row("add", "add Cy", "1", {abe, u"Cy|1\r\n2"_qs, home, zed});
        row("add, label taken", "add Home", "0", {abe, home, zed});
        row("add, label taken since", "add Zed", "0", {abe, home, zed});
        row("add, book busy", "busy Cy",
            "Another program is changing the address book BOOK. Nothing was changed; try again.",
            {abe, home, zed});
        row("modify", "modify Home", "", {abe, u"Home|1\r\n2"_qs, zed});
        row("delete", "delete Home", "", {abe, zed});
        for (const char* command : {"modify", "delete"})
            row(qPrintable(command + u", entry gone"_qs), qPrintable(command + u" Gone"_qs),
                "Encountered an improper argument.", {abe, home, zed});
        row("pick", "pick 1", "Home|Home Street", {abe, home, zed});
    }
    void commandsChangeTheBook() {
        QFETCH(QString, command);
        MakeBook({"Abe", "Home"});
        CAddressBook book;
        CMainDialogCommands commands(book, *m_settings);
        commands.Load();
        MakeBook({"Zed"}); // another program
        QLockFile other(m_env->BookPath() + QStringLiteral(".lock"));
        if (command.startsWith(u"busy")) {
            QVERIFY(other.lock());
            book.SetLockWait(100);
        }
        const QString address = u"1\r\n2"_qs, argument = command.section(u' ', 1);
        QString result;
        try {
            if (command.startsWith(u"add") || command.startsWith(u"busy")) {
                result = QString::number(commands.AddEntry(argument, address));
            } else if (command.startsWith(u"modify")) {
                commands.ModifyEntry(argument, address);
            } else if (command.startsWith(u"delete")) {
                commands.DeleteEntry(argument);
            } else {
                const CAddress entry = commands.PickEntry(argument.toInt());
                result = entry.m_strLabel + u'|' + entry.m_strAddress;
            }
        } catch (const CException& e) {
            result = e.GetErrorMessage().replace(m_env->BookPath(), u"BOOK"_qs);
        }
        QTEST(result, "outcome");
        other.unlock();
        QTEST(Entries(), "entries");
    }

    // The printer's two blocks are stored as one change: when the settings
    // file cannot take both, neither is stored, and a stop can never leave
    // the settings of one printer beside the name of another.
    void printerBlocksStoredTogether() {
        CAddressBook book;
        CMainDialogCommands commands(book, *m_settings);
        const QByteArray oldMode = LandscapeSettings(20, 600), newMode = LandscapeSettings(1, 300);
        const QByteArray oldNames = PdfNames(u"/old.pdf"_qs);
        const QByteArray newNames = PdfNames(u'/' + QString(2000, u'n') + u".pdf"_qs);
        const QString file = m_env->ConfigHome() + QStringLiteral("/Torvane Software/registry.reg");
        // The file may grow as far as the new settings beside the old names,
        // and not by the new names' 4,000 bytes more.
        QVERIFY(m_settings->WriteBinaryValue("DevMode", newMode));
        const rlimit limit{rlim_t(QFileInfo(file).size() + 2000), RLIM_INFINITY};
        commands.StorePrinter(oldMode, oldNames);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        commands.StorePrinter(newMode, newNames);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(m_settings->ReadBinaryValue("DevMode") == oldMode &&
                m_settings->ReadBinaryValue("DevNames") == oldNames);
        commands.StorePrinter(newMode, newNames);
        QVERIFY(m_settings->ReadBinaryValue("DevMode") == newMode &&
                m_settings->ReadBinaryValue("DevNames") == newNames);
    }

    void firstStart() {
        Open();
        QCOMPARE(SizeList()->currentText() + u'|' + SizeList()->itemText(1),
                 QString::fromUtf16(
                     u"No. 10: 9\u00BD \u00D7 4\u215B|No. 6\u00BE: 6\u00BD \u00D7 3\u215D"));
        QCOMPARE(QApplication::focusWidget(), Box(IDC_MAILINGADDRESS));
        // Dialog units: the return box with base units of 6 x 13, halves
        // rounded away from zero.
        QCOMPARE(MapDialogRect(QRect(7, 7, 90, 33), QSize(6, 13)), QRect(11, 11, 135, 54));
        QCOMPARE(MulDiv(-2, 7, 4), -4);
        m_dlg->reject();
        QCOMPARE(Stored(*m_settings), QStringList({"", "", "", "", "0"}));
    }

    // What a screen reader announces: every control of the three dialogs
    // has a name; the boxes and the stamp, which show no text of their own,
    // theirs.
    void accessibleNames() {
        Open();
        const CAddAddressDlg add(QStringLiteral("1 Road"));
        const CAboutDlg about;
        const auto name = [](QWidget* control) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
            return face ? face->text(QAccessible::Name) : QString();
        };
        QCOMPARE(name(Box(IDC_RETURNADDRESS)) + u'|' + name(Box(IDC_MAILINGADDRESS)) + u'|' +
                     name(m_dlg->GetDlgItem(IDC_STAMP)),
                 u"Return address|Mailing address|Postage stamp"_qs);
        for (const QDialog* dialog :
             std::initializer_list<const QDialog*>{m_dlg.get(), &add, &about})
            for (QWidget* control :
                 dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                QVERIFY2(!name(control).trimmed().isEmpty(),
                         qPrintable(dialog->windowTitle() + u' ' + control->objectName()));
    }

    // Blocks come back with exactly their stored bytes; a font value of any
    // size but the structure's is no description; a stored size index
    // outside the list is kept for the job (which prints it as the first
    // size), shows no selection and goes back so. The job takes everything
    // else from the state and the window, each in its place.
    void storedValuesComeBack() {
        m_settings->WriteProfileString(kSection, "LastReturnAddress", "From\r\nme");
        m_settings->WriteProfileString(kSection, "LastMailingAddress", "To you");
        m_settings->WriteBinaryValue("DevMode", QByteArray(301, 'm'));
        m_settings->WriteBinaryValue("DevNames", "names");
        LOGFONTW serif = StockVariableFontDescription();
        serif.SetFaceName(QStringLiteral("Liberation Serif"));
        m_settings->WriteBinaryValue("ReturnAddressLogFont", serif.ToBytes());
        m_settings->WriteBinaryValue("MailingAddressLogFont", serif.ToBytes() + '\0');
        m_settings->WriteProfileInt(kSection, "LastEnvelopeIndex", 5);
        CAddressBook book;
        CMainDialogCommands commands(book, *m_settings);
        WorkingState state = commands.Load();
        state.envelopeIndex = commands.StoredEnvelopeIndex();
        QCOMPARE(state.devNames, QByteArray("names"));
        const EnvelopeJob job =
            commands.Job(state, {QSize(500, 300), QPoint(1, 2), QPoint(3, 4), 120});
        QCOMPARE(
            QVariantList({job.returnAddress, job.mailingAddress, job.devMode, job.envelopeIndex,
                          job.window.clientSize, job.window.returnBoxTopLeft,
                          job.window.mailingBoxTopLeft, job.window.screenDpiY}),
            QVariantList({u"From\r\nme"_qs, u"To you"_qs, QByteArray(301, 'm'), 5, QSize(500, 300),
                          QPoint(1, 2), QPoint(3, 4), 120}));
        QVERIFY(job.returnLogFont == serif && job.mailingLogFont == StockVariableFontDescription());
        Open();
        QCOMPARE(Box(IDC_RETURNADDRESS)->font().family(), QStringLiteral("Liberation Serif"));
        QCOMPARE(SizeList()->currentIndex(), -1);
        m_dlg->reject();
        QCOMPARE(Stored(*m_settings).last(), QStringLiteral("-1"));
    }

    void everyEndSavesOnce_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("Escape in the mailing box") << "escape-box" << int(IDCANCEL);
        QTest::newRow("Enter in the size list") << "enter-combo" << int(IDOK);
        QTest::newRow("window menu Close") << "menu-close" << int(IDCANCEL);
        QTest::newRow("object destroyed while up") << "destroy" << -1;
    }
    void everyEndSavesOnce() {
        QFETCH(QString, how);
        m_settings->WriteProfileString(kSection, "LastMailingAddressLabel", "Office");
        m_settings->WriteProfileString(kSection, "LastReturnAddressLabel", "Home");
        m_dlg = std::make_unique<CPelvaroDlg>(*m_settings);
        CPelvaroDlg* dlg = m_dlg.get();
        CModalScript script;
        script.Then<CPelvaroDlg>([&](CPelvaroDlg*) {
            QVERIFY(QTest::qWaitForWindowActive(dlg, kWaitMs)); // for its shortcuts
            QTest::keyClicks(Box(IDC_MAILINGADDRESS), QStringLiteral("To"));
            QTest::keyClick(Box(IDC_MAILINGADDRESS), Qt::Key_Return);
            QTest::keyClicks(Box(IDC_MAILINGADDRESS), QStringLiteral("You"));
            Box(IDC_RETURNADDRESS)->setFocus();
            QTest::keyClicks(Box(IDC_RETURNADDRESS), QStringLiteral("From me"));
            SizeList()->setFocus();
            QTest::keyClick(SizeList(), Qt::Key_Down);
            CModalScript menu;
            if (how == u"escape-box") {
                QTest::keyClick(Box(IDC_MAILINGADDRESS), Qt::Key_Escape);
            } else if (how == u"enter-combo") {
                QTest::keyClick(SizeList(), Qt::Key_Return);
            } else if (how == u"menu-close") {
                menu.Choose(QStringLiteral("&Close"));
                PressShortcut(dlg, Qt::ALT | Qt::Key_Space);
            } else {
                m_dlg.reset();
            }
        });
        if (how == u"destroy") {
            dlg->setModal(true);
            dlg->show();
            QTRY_VERIFY_WITH_TIMEOUT(!m_dlg, kWaitMs);
        } else {
            QTEST(dlg->DoModal(), "result");
        }
        QCOMPARE(Stored(*m_settings), QStringList({"Office", "To\r\nYou", "Home", "From me", "1"}));
        // Exactly once: nothing is written again when the object goes.
        m_settings->WriteProfileString(kSection, "LastMailingAddress", "later");
        m_dlg.reset();
        QCOMPARE(Stored(*m_settings)[1], QStringLiteral("later"));
    }

    // Alt+Space, even from inside a box, opens the window menu; its last
    // item opens the about box over the main dialog, whose link opens its
    // address and where F1 asks for help, as it does in the main dialog,
    // without modifiers.
    void windowMenuAboutBoxAndHelp() {
        CUrlRecorder opened(QStringLiteral("https"));
        Open();
        PressShortcut(Box(IDC_MAILINGADDRESS), Qt::Key_F1);
        PressShortcut(Box(IDC_MAILINGADDRESS), Qt::SHIFT | Qt::Key_F1);
        QStringList items;
        CModalScript script;
        script.NoteMenu(items);
        PressShortcut(Box(IDC_MAILINGADDRESS), Qt::ALT | Qt::Key_Space);
        // Move only where the window system moves windows on request (X11).
        QCOMPARE(items, QStringList({"&Close", "--", "&About Pelvaro..."}));
        QPoint aboutCentre;
        script.Choose(QStringLiteral("&About Pelvaro...")).Then<CAboutDlg>([&](CAboutDlg* about) {
            QVERIFY(QTest::qWaitForWindowActive(about, kWaitMs));
            aboutCentre = about->frameGeometry().center();
            auto* link = about->GetDlgItem<QLabel>(IDC_WEBLINK);
            QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(20, link->height() / 2));
            PressShortcut(about, Qt::Key_F1);
            QTest::keyClick(about, Qt::Key_Return);
        });
        PressShortcut(m_dlg.get(), Qt::ALT | Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QCOMPARE(opened.m_urls, QList<QUrl>({QUrl("https://www.torvane.example/pelvaro")}));
        QVERIFY((aboutCentre - m_dlg->frameGeometry().center()).manhattanLength() <= 2);
        QVERIFY(m_helpPages.size() == 2 && m_dlg->isVisible());
    }

    // The print job gets the boxes' real places, the client area's size and
    // the screen's resolution: on an envelope-sized sheet each block lands
    // where its box sits in the window, in proportion (from the printable
    // area, which the PDF writer starts 10 points in), its font as tall in
    // points as on screen.
    void printPlacesEachBlockByItsBox() {
        PELVARO_REQUIRE(HavePdfTools(), QStringLiteral("pdftotext and pdfinfo (poppler-utils)"));
        const QString pdf = m_env->Root() + QStringLiteral("/envelope.pdf");
        m_settings->WriteBinaryValue("DevMode", LandscapeSettings(20, 600));
        m_settings->WriteBinaryValue("DevNames", PdfNames(pdf));
        Open();
        Box(IDC_RETURNADDRESS)->SetText(QStringLiteral("Sender"));
        Box(IDC_MAILINGADDRESS)->SetText(QStringLiteral("Recipient"));
        QCOMPARE(ClickNotingMessage(m_dlg->GetDlgItem(IDC_PRINT)), QStringList());
        const PdfText text = ReadPdf(pdf);
        // The stock font's cell of 12 pixels on this screen.
        const double points = 12 * 72.0 / m_dlg->logicalDpiY();
        for (CMultiLineEdit* box : {Box(IDC_RETURNADDRESS), Box(IDC_MAILINGADDRESS)}) {
            const PdfWord* word = text.Find(box->Text());
            QVERIFY(word);
            QCOMPARE_LT(qAbs((word->xMin - 10) / text.width - box->x() / double(m_dlg->width())),
                        0.005);
            QCOMPARE_LT(qAbs((word->yMin - 10) / text.height - box->y() / double(m_dlg->height())),
                        0.01);
            QCOMPARE_LT(qAbs(word->yMax - word->yMin - points), points * 0.15);
        }
    }

    // With the check on, Print lists the findings first: Cancel prints
    // nothing, Print Anyway prints.
    void postalCheckWarnsBeforePrinting() {
        const QString pdf = m_env->Root() + QStringLiteral("/postal.pdf");
        m_settings->WriteBinaryValue("DevMode", LandscapeSettings(20, 600));
        m_settings->WriteBinaryValue("DevNames", PdfNames(pdf));
        PostalOptions options;
        options.checkBeforePrinting = true;
        QVERIFY(WritePostalOptions(*m_settings, options));
        Open();
        Box(IDC_MAILINGADDRESS)->SetText(QStringLiteral("L1\r\nL2\r\nL3\r\nL4\r\nL5\r\nL6\r\nL7"));
        QStringList texts;
        for (const QString& choice : {QStringLiteral("Cancel"), QStringLiteral("Print Anyway")}) {
            CModalScript script;
            script.Then<QMessageBox>([&](QMessageBox* box) {
                texts << box->text();
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == choice)
                        button->click();
            });
            QTest::mouseClick(m_dlg->GetDlgItem(IDC_PRINT), Qt::LeftButton, {}, QPoint(16, 16));
            QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
            QCOMPARE(QFileInfo::exists(pdf), choice != u"Cancel");
        }
        QVERIFY2(texts.size() == 2 && texts[0].contains(u"The address has 7 lines"),
                 qPrintable(texts.join(u'\n')));

        // The preview says the same under the page, and its Print is the
        // window's, warning first.
        QFile::remove(pdf);
        CModalScript script;
        script.Choose(QStringLiteral("Print Pre&view..."))
            .Then<CPrintPreviewDlg>([&](CPrintPreviewDlg* preview) {
                texts << Named<QLabel>(preview, "warnings")->text();
                Named<QPushButton>(preview, "print")->click();
            })
            .Then<QMessageBox>([&](QMessageBox* box) {
                texts << box->text();
                box->button(QMessageBox::Cancel)->click();
            });
        QTest::mouseClick(m_dlg->GetDlgItem(IDC_CONFIGURE), Qt::LeftButton, {}, QPoint(16, 16));
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        QVERIFY2(texts.size() == 4 && texts[2].contains(u"The address has 7 lines") &&
                     texts[3] == texts[0],
                 qPrintable(texts.join(u'\n')));
        QVERIFY(!QFileInfo::exists(pdf));

        // Or a look first: the preview with the findings under the page.
        CModalScript look;
        look.Then<QMessageBox>([](QMessageBox* box) {
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == u"Pre&view First")
                        button->click();
            })
            .Then<CPrintPreviewDlg>([&](CPrintPreviewDlg* preview) {
                texts << Named<QLabel>(preview, "warnings")->text();
                preview->reject();
            });
        QTest::mouseClick(m_dlg->GetDlgItem(IDC_PRINT), Qt::LeftButton, {}, QPoint(16, 16));
        QTRY_VERIFY_WITH_TIMEOUT(look.Done(), kWaitMs);
        QVERIFY(texts.size() == 5 && texts[4] == texts[2] && !QFileInfo::exists(pdf));
    }

    // Layout opens on the envelope in the printer, says whose rules Place
    // for the Post follows, keeps each size's starts apart while the sizes
    // are switched, and stores them on OK; Standard Placement removes them.
    void layoutFromTheMenu() {
        m_settings->WriteBinaryValue("DevMode", LandscapeSettings(27, 300)); // DL
        m_settings->WriteBinaryValue("DevNames", PdfNames(m_env->Root() + "/layout.pdf"));
        Open();
        const auto layout = [this](const std::function<void(CLayoutDlg*)>& edit) {
            CModalScript script;
            script.Choose(QStringLiteral("&Layout...")).Then<CLayoutDlg>([&](CLayoutDlg* dialog) {
                edit(dialog);
                Named<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok)->click();
            });
            Run(IDC_CONFIGURE, script);
        };
        QString rules;
        layout([&](CLayoutDlg* dialog) {
            auto* size = Named<QComboBox>(dialog, "size");
            QCOMPARE(size->currentData().toString(), "DL");
            rules = Named<QLabel>(dialog, "rules")->text();
            Named<QPushButton>(dialog, "forPost")->click();
            size->setCurrentIndex(size->findData("No. 10"));
            QVERIFY(!Named<QCheckBox>(dialog, "mailingPlaced")->isChecked());
            Named<QCheckBox>(dialog, "mailingPlaced")->setChecked(true);
            Named<QDoubleSpinBox>(dialog, "mailingX")->setValue(4.25);
            Named<QDoubleSpinBox>(dialog, "mailingY")->setValue(2);
            size->setCurrentIndex(size->findData("DL"));
            QVERIFY(Named<QCheckBox>(dialog, "mailingPlaced")->isChecked());
            QCOMPARE(Named<QDoubleSpinBox>(dialog, "mailingX")->suffix(), " mm");
            Named<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Help)->click();
            PressShortcut(dialog, Qt::Key_F1);
        });
        QCOMPARE(m_helpPages, QStringList(2, "layout.html"));
        QVERIFY2(rules.contains(u"40 mm from the top"), qPrintable(rules));
        BlockPlacements stored = ReadBlockPlacements(*m_settings);
        QCOMPARE(stored.value("No. 10"), (BlockPlacement{std::nullopt, QPointF(4.25, 2)}));
        const QPointF mailing = stored.value("DL").mailingStart.value_or(QPointF()) * 25.4;
        QVERIFY2(mailing.x() > 15 && mailing.y() > 40,
                 qPrintable(FormatPlacement(stored.value("DL"), *FindPaperSize("DL"))));
        layout([](CLayoutDlg* dialog) { Named<QPushButton>(dialog, "standard")->click(); });
        stored = ReadBlockPlacements(*m_settings);
        QVERIFY(!stored.contains("DL") && stored.contains("No. 10"));
    }

    // A barcode that cannot be made, its library missing, is said, and the
    // envelope is not printed without it. Run in a process of its own where
    // the library cannot be loaded.
    void barcodeThatCannotBeMade() {
        if (!WithoutBarcodeLibrary()) {
            QProcess child;
            child.setProcessEnvironment(WithoutBarcodeLibrary(m_env->Root()));
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QTest::currentTestFunction()});
            QVERIFY(child.waitForFinished(4 * kWaitMs));
            QVERIFY(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0);
            return;
        }
        const QString pdf = m_env->Root() + QStringLiteral("/barcode.pdf");
        m_settings->WriteBinaryValue("DevMode", LandscapeSettings(20, 600));
        m_settings->WriteBinaryValue("DevNames", PdfNames(pdf));
        PostalOptions options;
        options.barcode = true;
        options.barcodeFields = IntelligentMailFields{"00", "700", "123456", "000000001"};
        QVERIFY(WritePostalOptions(*m_settings, options));
        Open();
        Box(IDC_MAILINGADDRESS)
            ->SetText(QStringLiteral("Jo Ray\r\n1 Elm St\r\nSpringfield IL 62704"));
        QCOMPARE(ClickNotingMessage(m_dlg->GetDlgItem(IDC_PRINT)),
                 QStringList({"The envelope was not printed to the file " + pdf +
                                  ": the barcode could not be made: its library, " +
                                  BarcodeLibraryName() + ", is missing.",
                              QCoreApplication::applicationName(),
                              QString::number(QMessageBox::Critical)}));
        QVERIFY(!QFileInfo::exists(pdf));
    }

    // Without a printer, Print says so. The setup opens on the default
    // printer, the PDF writer here, offers no page range and stays open for
    // F1 and its Help button, which open its own page; OK stores "DevMode"
    // and then "DevNames", and Print uses them at once. Only with both blocks does it open on the
    // stored printer; Cancel keeps them. A job that does not come out says
    // why.
    void printerSetupThenPrint() {
        Open();
        QCOMPARE(ClickNotingMessage(m_dlg->GetDlgItem(IDC_PRINT)),
                 QStringList({"The Printer Setup is invalid. Please configure a printer.",
                              QCoreApplication::applicationName(), "0"}));
        const QString pdf = m_env->Root() + QStringLiteral("/setup.pdf");
        QString shownFile, shownPrinter;
        bool rangesOffered = true;
        const auto setup = [&](bool accept) {
            CModalScript script;
            script.Choose(QStringLiteral("Printer..."))
                .Then<QPrintDialog>([&](QPrintDialog* dialog) {
                    shownFile = dialog->printer()->outputFileName();
                    shownPrinter = dialog->findChild<QComboBox*>("printers")->currentText() + u'|' +
                                   dialog->findChild<QLineEdit*>("filename")->text();
                    rangesOffered = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
                    PressShortcut(dialog, Qt::Key_F1);
                    for (QPushButton* button : dialog->findChildren<QPushButton*>())
                        if (button->text() == u"Help")
                            button->click();
                    if (!accept)
                        return dialog->reject();
                    dialog->findChild<QLineEdit*>(QStringLiteral("filename"))->setText(pdf);
                    dialog->accept();
                });
            Run(IDC_CONFIGURE, script);
        };
        setup(true);
        QVERIFY(shownFile != pdf && !rangesOffered);
        QCOMPARE(m_helpPages, QStringList(2, "printersetup.html"));
        QVERIFY(HelpPageExists(m_helpPages[0]));
        const QList<CRegistryHive::Value> stored = CRegistryFile().Load().Values(kDirectPath);
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[0].name + u' ' + stored[1].name, QStringLiteral("DevMode DevNames"));
        QCOMPARE(DEVNAMES::FromBytes(stored[1].data)->output, pdf);
        QCOMPARE(ClickNotingMessage(m_dlg->GetDlgItem(IDC_PRINT)), QStringList());
        QVERIFY(QFileInfo(pdf).size() > 0);
        setup(false);
        QCOMPARE(shownFile, pdf);
        // The window as the next start finds it: with the names block alone,
        // with one naming a file in a folder that is a file, with both.
        const auto reopen = [&](const QByteArray& devNames, const QByteArray& devMode = {}) {
            m_dlg.reset();
            QVERIFY(CRegistryFile().Update([&](CRegistryHive& hive) {
                hive.DeleteValue(kDirectPath, QStringLiteral("DevMode"));
                return (devMode.isNull() || hive.SetValue(kDirectPath, QStringLiteral("DevMode"),
                                                          CRegistryHive::kRegBinary, devMode)) &&
                       hive.SetValue(kDirectPath, QStringLiteral("DevNames"),
                                     CRegistryHive::kRegBinary, devNames);
            }));
            Open();
        };
        reopen(stored[1].data);
        setup(false);
        QVERIFY(shownFile != pdf && m_dlg->State().devMode.isNull() &&
                m_dlg->State().devNames == stored[1].data);
        QVERIFY(WriteWholeFile(m_env->Root() + QStringLiteral("/file"), "x"));
        reopen(PdfNames(m_env->Root() + QStringLiteral("/file/x.pdf")));
        QCOMPARE(ClickNotingMessage(m_dlg->GetDlgItem(IDC_PRINT)),
                 QStringList({"The envelope was not printed to the file " + m_env->Root() +
                                  "/file/x.pdf: Not a directory.",
                              QCoreApplication::applicationName(),
                              QString::number(QMessageBox::Critical)}));

        // With a queue the machine prints to by default, the setup opens on
        // the stored file all the same, and OK keeps it.
        PELVARO_REQUIRE(qgetenv("PELVARO_CUPSD") == "running",
                        QStringLiteral("a CUPS scheduler of the test's own (package cups, root)"));
        QCOMPARE(
            QProcess::execute("lpadmin", {"-p", "Office", "-E", "-v", "capture:/", "-m", "raw"}),
            0);
        QCOMPARE(QProcess::execute("lpadmin", {"-d", "Office"}), 0);
        reopen(stored[1].data, stored[0].data);
        setup(true);
        QCOMPARE(shownPrinter, "Print to File (PDF)|" + pdf);
        QCOMPARE(DEVNAMES::FromBytes(m_dlg->State().devNames)->driver, u"pdf"_qs);
    }

    // A font chosen for one box changes that box alone and is stored; what
    // the dialog does not choose stays.
    void fontChoice() {
        Open();
        const QFont mailingBefore = Box(IDC_MAILINGADDRESS)->font();
        CModalScript script;
        script.Choose("Return Address Font...").Then<QFontDialog>([&](QFontDialog* fonts) {
            fonts->setCurrentFont(QFont(QStringLiteral("Liberation Serif"), 14, QFont::Bold));
            fonts->accept();
        });
        Run(IDC_CONFIGURE, script);
        // 14 points at 96 DPI: 18.67 pixels, rounded.
        const LOGFONTW chosen = m_dlg->State().returnLogFont;
        QVERIFY(chosen.lfHeight == -19 && chosen.lfWeight == 700 && chosen.lfCharSet == 0);
        QCOMPARE(Box(IDC_RETURNADDRESS)->font().family(), QStringLiteral("Liberation Serif"));
        QCOMPARE(m_settings->ReadBinaryValue("ReturnAddressLogFont"), chosen.ToBytes());
        QVERIFY(Box(IDC_MAILINGADDRESS)->font() == mailingBefore &&
                !m_settings->ReadBinaryValue("MailingAddressLogFont"));
    }

    // The font dialog opens on the face's upright style, so that a new size
    // alone keeps the address upright.
    void fontSizeAloneKeepsStyle() {
        Open();
        CModalScript script;
        QString openedStyle;
        script.Choose("Mailing Address Font...").Then<QFontDialog>([&](QFontDialog* fonts) {
            openedStyle = QFontDatabase::styleString(fonts->currentFont());
            for (QLineEdit* edit : fonts->findChildren<QLineEdit*>())
                if (edit->validator()) // the size's box
                    edit->setText(QStringLiteral("20"));
            fonts->accept();
        });
        Run(IDC_CONFIGURE, script);
        const LOGFONTW chosen = m_dlg->State().mailingLogFont;
        QVERIFY2(!openedStyle.contains(u"Oblique") && !openedStyle.contains(u"Italic"),
                 qPrintable(openedStyle));
        QVERIFY(chosen.lfItalic == 0 && chosen.lfHeight == -27);
        QVERIFY(!Box(IDC_MAILINGADDRESS)->font().italic());
    }

    // Printer Alignment without a printer offers the setup and goes on to
    // the chosen printer's alignment. Tab enters the pictures at the chosen
    // one, the arrows move the choice; the test page says where it went,
    // beside the envelope's file; a shift in effect shows on the window.
    void printerAlignmentFromTheWindow() {
        Open();
        QStringList helpPages;
        SetHelpCommand([&](const QString& page) { helpPages << page; });
        const QString pdf = m_env->Root() + QStringLiteral("/envelope.pdf");
        QString entered, moved, status;
        CModalScript script;
        script.Choose(QStringLiteral("Printer &Alignment..."))
            .Then<QMessageBox>([](QMessageBox* box) {
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == u"P&rinter...")
                        button->click();
            })
            .Then<QPrintDialog>([&](QPrintDialog* dialog) {
                auto* printers = dialog->findChild<QComboBox*>(QStringLiteral("printers"));
                printers->setCurrentIndex(printers->findText(u"Print to File (PDF)"_qs));
                dialog->findChild<QLineEdit*>(QStringLiteral("filename"))->setText(pdf);
                dialog->accept();
            })
            .Then<CPrinterAlignmentDlg>([&](CPrinterAlignmentDlg* alignment) {
                QVERIFY(QTest::qWaitForWindowActive(alignment, kWaitMs));
                QTRY_VERIFY_WITH_TIMEOUT(QApplication::focusWidget(), kWaitMs);
                entered = QApplication::focusWidget()->accessibleName();
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
                moved = QApplication::focusWidget()->accessibleName();
                for (QPushButton* button : alignment->findChildren<QPushButton*>())
                    if (button->accessibleName() == u"Print Test Page" ||
                        button->accessibleName() == u"Help")
                        button->click();
                status = Named<QLabel>(alignment, "status")->text();
                for (auto* box : alignment->findChildren<QDoubleSpinBox*>())
                    box->setValue(box->accessibleName() == u"Shift right" ? -1.5 : 0);
                alignment->accept();
            });
        Run(IDC_CONFIGURE, script);
        QCOMPARE(entered, u"Lying across, at the right edge"_qs);
        QCOMPARE(moved, u"Standing, at the right edge"_qs);
        const QString testPage = m_env->Root() + QStringLiteral("/envelope (test page).pdf");
        QCOMPARE(status, "The test page was saved to " + testPage + ".");
        QVERIFY(QFileInfo::exists(testPage) && !QFileInfo::exists(pdf));
        QCOMPARE(helpPages, QStringList({"alignment.html"}));
        QVERIFY(HelpPageExists(helpPages[0]));
        QCOMPARE(m_dlg->GetDlgItem(IDC_PRINT)->toolTip(), u"Print (shifted 1.5 mm left)"_qs);
    }

    // Postal Options refuses a wrong barcode field saying every one at
    // once, the keyboard at the first; the fields take digits alone.
    void postalOptionsFields() {
        Open();
        QStringList helpPages;
        SetHelpCommand([&](const QString& page) { helpPages << page; });
        QString problem, focused, typed;
        CModalScript script;
        script.Choose(QStringLiteral("P&ostal Options..."))
            .Then<CPostalOptionsDlg>([&](CPostalOptionsDlg* options) {
                QList<QLineEdit*> fields = options->findChildren<QLineEdit*>();
                for (QCheckBox* box : options->findChildren<QCheckBox*>())
                    box->setChecked(box->text().contains(u"barcode"));
                QTest::keyClicks(fields[0], QStringLiteral("07"));
                QTest::keyClicks(fields[1], QStringLiteral("3x0"));
                QTest::keyClicks(fields[2], QStringLiteral("123456"));
                QTest::keyClicks(fields[3], QStringLiteral("1"));
                typed = fields[1]->text();
                options->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                problem = Named<QLabel>(options, "problem")->text();
                focused = options->focusWidget() == fields[0] ? u"first"_qs : u"other"_qs;
                options->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
                options->reject();
            });
        Run(IDC_CONFIGURE, script);
        QCOMPARE(typed, u"30"_qs);
        QCOMPARE(problem.split(u'\n'),
                 QStringList({"The barcode identifier is two digits, the second from 0 to 4, "
                              "not '07'.",
                              "The service type is three digits, not '30'."}));
        QCOMPARE(focused, u"first"_qs);
        QCOMPARE(helpPages, QStringList({"postal.html"}));
        QVERIFY(HelpPageExists(helpPages[0]));
    }

    // The configuration menu opens at the button's top-right corner.
    void reportAddressBookLocation() {
        Open();
        QPoint menuAt;
        QStringList seen;
        CModalScript script;
        script.Then<QMenu>([&](QMenu* menu) { menuAt = menu->pos(); })
            .Choose(QStringLiteral("Report Address Book Location"))
            .NoteMessage(seen);
        Run(IDC_CONFIGURE, script);
        QCOMPARE(menuAt, m_dlg->GetDlgItem(IDC_CONFIGURE)->mapToGlobal(QPoint(32, 0)));
        QCOMPARE(seen, QStringList({"The address book is stored in the file " + m_env->BookPath(),
                                    "Report Address Book Location",
                                    QString::number(QMessageBox::Information)}));
    }

    // Contacts files through the menu's own items after a separator and
    // Qt's file dialog: an import says what it added, left out and could
    // not use, with the file's problems; an export writes the format the
    // name or else the filter asks for; a file that cannot be written says so.
    void contactsFilesFromTheMenu() {
        Open({"Chiara Rossi"});
        QStringList items, seen;
        const QString cards = TestDataPath(QStringLiteral("contacts/vcard30.vcf"));
        CModalScript script;
        script.NoteMenu(items);
        Run(IDC_CONFIGURE, script);
        QCOMPARE(
            items.mid(3),
            QStringList({"Report Address Book Location", "--", "&Import Addresses...",
                         "&Export Addresses...", "Print &Many Envelopes...", "Print Pre&view...",
                         "Printer &Alignment...", "P&ostal Options...", "&Layout..."}));

        // The preview lists what each contact will become; Cancel changes
        // nothing, and each way with a taken label does what it says.
        const auto import = [&](int policy, bool accept, QStringList* rows = nullptr) {
            script.Choose(QStringLiteral("&Import Addresses..."))
                .ChooseFile(cards, QStringLiteral("Work"))
                .Then<CImportPreviewDlg>([=](CImportPreviewDlg* preview) {
                    Named<QComboBox>(preview, "duplicates")->setCurrentIndex(policy);
                    const QAbstractItemModel* list = Named<QTreeView>(preview, "contacts")->model();
                    for (int i = 0; rows && i < list->rowCount(); ++i)
                        *rows << list->index(i, 0).data().toString() + u'|' +
                                     list->index(i, 1).data().toString();
                    if (rows)
                        *rows << Named<QLabel>(preview, "summary")->text();
                    if (!accept) // its own page of the help
                        preview->findChild<QDialogButtonBox*>()
                            ->button(QDialogButtonBox::Help)
                            ->click();
                    QTest::mouseClick(accept ? Named<QPushButton>(preview, "import")
                                             : preview->findChild<QDialogButtonBox*>()->button(
                                                   QDialogButtonBox::Cancel),
                                      Qt::LeftButton);
                });
            if (accept)
                script.NoteMessage(seen);
            Run(IDC_CONFIGURE, script);
        };
        QStringList rows;
        import(0, false, &rows);
        QCOMPARE(rows,
                 QStringList({"Chiara Rossi|Left out: the label is taken",
                              "O'Brien, Fitzgerald & Partner|Added", u"Björn Lindqvist|Added"_qs,
                              u"Mateo García|Left out: no address"_qs,
                              "2 addresses will be added, 2 left out."}));
        QCOMPARE(Entries(), QStringList({"Chiara Rossi|Chiara Rossi Street"}));
        QCOMPARE(m_helpPages.size(), 1);
        import(2, true);
        QCOMPARE(seen.mid(0, 3),
                 QStringList({"3 addresses from vcard30.vcf were added to the address book.\n1 "
                              "of them under a new label, as their label was taken.\n1 contact "
                              "has no address and could not be used.\nThe file has 1 "
                              "problem.\nShow Details lists them.",
                              "Import Addresses", QString::number(QMessageBox::Warning)}));
        QVERIFY2(seen.value(3).startsWith(u"Contacts without an address:\nMateo García\n\n"
                                          u"Problems in the file:\nLine 29: "_qs),
                 qPrintable(seen.value(3)));
        QCOMPARE(Entries().size(), 4);
        QVERIFY(Entries().contains(u"Chiara Rossi (2)|Chiara Rossi\r\nStudio Lumen\r\nVia "
                                   u"Garibaldi 7\r\n00184 Roma RM\r\nItalia"_qs));
        QVERIFY(Entries().contains(u"Björn Lindqvist|Björn Lindqvist\r\nElsewhere 1\r\n8000 "
                                   u"Aarhus\r\nDenmark"_qs));
        import(1, true);
        QCOMPARE(Entries().size(), 4);
        QVERIFY(Entries().contains(u"Chiara Rossi|Chiara Rossi\r\nStudio Lumen\r\nVia "
                                   u"Garibaldi 7\r\n00184 Roma RM\r\nItalia"_qs));

        QList<CAddress> book;
        CAddressBook stored;
        stored.LoadAddressBook();
        for (int i = 0; i < stored.GetSize(); ++i)
            book.append(stored.GetAt(i));
        const QString path = m_env->Root() + QStringLiteral("/book");
        // With the CSV filter picked from the list of file types: a name
        // without an extension gets the filter's, one with its own keeps it.
        const auto exportAs = [&](const QString& name) -> CModalScript& {
            return script.Choose(QStringLiteral("&Export Addresses..."))
                .Then<QFileDialog>([](QFileDialog* dialog) {
                    // The suggested name follows the file type.
                    QTest::keyClick(dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")),
                                    Qt::Key_Down);
                    QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
                             u"Addresses.csv"_qs);
                })
                .ChooseFile(name);
        };
        exportAs(path);
        Run(IDC_CONFIGURE, script);
        QCOMPARE(ReadWholeFile(path + QStringLiteral(".csv")), CContactsWriter::ToCsv(book));
        exportAs(path + QStringLiteral(".vcf"));
        Run(IDC_CONFIGURE, script);
        QCOMPARE(ReadWholeFile(path + QStringLiteral(".vcf")), CContactsWriter::ToVCard(book));
        exportAs(QStringLiteral("/proc/book.vcf")).NoteMessage(seen);
        Run(IDC_CONFIGURE, script);
        QCOMPARE(seen,
                 QStringList({"/proc/book.vcf was not found.", QCoreApplication::applicationName(),
                              QString::number(QMessageBox::Critical)}));
        // The next dialog is not sent to list /proc, which may never end.
        QCOMPARE(m_settings->GetProfileString(QStringLiteral("Contacts Files"),
                                              QStringLiteral("Folder")),
                 QFileInfo(path).absolutePath());

        // A named pipe in that folder does not hold the dialog: files are
        // typed by their names, never read to list them.
        QVERIFY(mkfifo(QFile::encodeName(QFileInfo(path).absolutePath() + "/pipe").constData(),
                       0600) == 0);
        script.Choose(QStringLiteral("&Export Addresses...")).Then<QFileDialog>([](QFileDialog* d) {
            QTest::qWait(1000); // the folder listed meanwhile
            d->reject();
        });
        Run(IDC_CONFIGURE, script);
    }

    // A workbook of a club's own columns: as no sheet has a header the
    // program knows, the sheet is asked for, from the keyboard; then what
    // the columns hold, and the list lands in the book. The next time the
    // sheet that choice reads is taken and the same columns are offered;
    // Cancel then reads nothing and says nothing.
    void spreadsheetOfUnknownColumns() {
        Open();
        QStringList pages, sheets, seen;
        SetHelpCommand([&](const QString& page) { pages << page; });
        const QString members = TestDataPath(QStringLiteral("contacts/sheets/members.xlsx"));
        const auto help = [](QDialog* dialog) {
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
        };
        CModalScript script;
        script.Choose(QStringLiteral("&Import Addresses..."))
            .ChooseFile(members, QStringLiteral("Preferred"))
            .Then<CSheetChooserDlg>([&](CSheetChooserDlg* chooser) {
                help(chooser);
                auto* list = Named<QListWidget>(chooser, "sheets");
                for (int i = 0; i < list->count(); ++i)
                    sheets << list->item(i)->text();
                QCOMPARE(list->currentRow(), 0);
                QTest::keyClick(list, Qt::Key_Down);
                QTest::keyClick(list, Qt::Key_Return);
            })
            .Then<CColumnMappingDlg>([&](CColumnMappingDlg* question) {
                help(question);
                const QTableWidget* rows = Named<QTableWidget>(question, "rows");
                // The title above the header is shown too, as the sheet has it.
                QVERIFY(rows->rowCount() > 2 && rows->item(1, 1));
                QCOMPARE(rows->item(1, 1)->text(), u"Street and number"_qs);
                QCOMPARE(rows->verticalHeaderItem(1)->text(), u"3"_qs);
                QCOMPARE(rows->horizontalHeaderItem(1)->text(), u"B"_qs);
                QPushButton* ok =
                    question->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
                QComboBox* name = Named<QComboBox>(question, "name");
                QCOMPARE(name->itemText(1), u"A: Member"_qs);
                name->setCurrentIndex(1);
                // A name alone is no address.
                QVERIFY(!ok->isEnabled());
                Named<QComboBox>(question, "street")->setCurrentIndex(2);
                Named<QComboBox>(question, "locality")->setCurrentIndex(3);
                Named<QComboBox>(question, "postcode")->setCurrentIndex(4);
                QVERIFY(ok->isEnabled());
                ok->click();
            })
            .Then<CImportPreviewDlg>([](CImportPreviewDlg* preview) {
                QTest::mouseClick(Named<QPushButton>(preview, "import"), Qt::LeftButton);
            })
            .NoteMessage(seen);
        Run(IDC_CONFIGURE, script);
        QCOMPARE(sheets, QStringList({"Notes", "Members"}));
        QCOMPARE(pages, QStringList({"spreadsheets.html#sheets", "spreadsheets.html#columns"}));
        QCOMPARE(seen.value(0),
                 u"4 addresses from members.xlsx were added to the address book."_qs);
        const QStringList added = Entries();
        QCOMPARE(added.size(), 4);
        QVERIFY2(added[0].startsWith(u"Alice Walker|Alice Walker\r\n14 Otley Road\r\n"_qs),
                 qPrintable(added[0]));

        QStringList offered;
        script.Choose(QStringLiteral("&Import Addresses..."))
            .ChooseFile(members, QStringLiteral("Preferred"))
            .Then<CColumnMappingDlg>([&](CColumnMappingDlg* question) {
                for (const char* field : {"name", "organization", "street", "locality", "region",
                                          "postcode", "country"})
                    offered << Named<QComboBox>(question, field)->currentText();
                question->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
            })
            .NoteMessage(seen);
        seen.clear();
        QTest::mouseClick(m_dlg->GetDlgItem(IDC_CONFIGURE), Qt::LeftButton, {}, QPoint(16, 16));
        script.Clear();
        QCOMPARE(offered, QStringList({"A: Member", "(none)", "B: Street and number", "C: Town",
                                       "(none)", "D: Postcode", "(none)"}));
        QVERIFY2(seen.isEmpty(), qPrintable(seen.join(u'|')));
        QCOMPARE(Entries(), added);
    }

    // Add takes a label for the box's text; picking an entry fills only its
    // own box and label; Delete keeps the box's text and forgets its label.
    void addPickDelete() {
        Open({"Home"});
        QTest::keyClicks(Box(IDC_MAILINGADDRESS), QStringLiteral("12 Oak Lane"));
        QTest::keyClick(Box(IDC_MAILINGADDRESS), Qt::Key_Return);
        QTest::keyClicks(Box(IDC_MAILINGADDRESS), QStringLiteral("Riverton"));
        QStringList items;
        CModalScript script;
        script.Then<QMenu>([&](QMenu* menu) { items = MenuTexts(menu); })
            .Choose(QStringLiteral("&Add..."))
            .Then<CAddAddressDlg>([](CAddAddressDlg* dlg) {
                // Add is enabled by any edit that leaves a label, a space included.
                auto* label = dlg->GetDlgItem<QLineEdit>(IDC_LABEL);
                QCOMPARE(GetControlText(dlg->GetDlgItem(IDC_ADDRESS)),
                         u"12 Oak Lane\r\nRiverton"_qs);
                QTRY_VERIFY_WITH_TIMEOUT(label->hasFocus(), kWaitMs);
                QVERIFY(!dlg->GetDlgItem(IDOK)->isEnabled());
                QTest::keyClick(label, Qt::Key_Space);
                QVERIFY(dlg->GetDlgItem(IDOK)->isEnabled());
                QTest::keyClick(label, Qt::Key_Backspace);
                QVERIFY(!dlg->GetDlgItem(IDOK)->isEnabled());
                QTest::keyClicks(label, QStringLiteral("Abe"));
                // The read-only box is a tab stop, for screen readers.
                QTest::keyClick(label, Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), dlg->GetDlgItem(IDC_ADDRESS));
                QTest::keyClick(label, Qt::Key_Return);
            });
        Run(IDC_MAILINGADDRESSLIST, script);
        QCOMPARE(items, QStringList({"&Add...", "--", "Home"}));
        QCOMPARE(Entries(), QStringList({"Abe|12 Oak Lane\r\nRiverton", "Home|Home Street"}));
        script.Choose(QStringLiteral("Abe"));
        Run(IDC_RETURNADDRESSLIST, script);
        QCOMPARE(Box(IDC_RETURNADDRESS)->Text() + u'|' + m_dlg->State().returnLabel + u'|' +
                     m_dlg->State().mailingLabel,
                 u"12 Oak Lane\r\nRiverton|Abe|Abe"_qs);
        Box(IDC_RETURNADDRESS)->SetText(QStringLiteral("two\r\nlines"));
        script.Choose(QStringLiteral("&Delete Abe"));
        Run(IDC_RETURNADDRESSLIST, script);
        QCOMPARE(Box(IDC_RETURNADDRESS)->Text() + u'|' + m_dlg->State().returnLabel,
                 u"two\r\nlines|"_qs);
        QCOMPARE(Entries(), QStringList({"Home|Home Street"}));
    }

    // A label already in the book is refused and comes back for an edit,
    // selected so that typing replaces it; one that looks like markup is
    // shown as it is.
    void refusedLabelRound() {
        Open({"<b>Home</b>"});
        QStringList message;
        CModalScript script;
        script.Choose(QStringLiteral("&Add...")).Then<CAddAddressDlg>([](CAddAddressDlg* dlg) {
            QTest::keyClicks(dlg->GetDlgItem(IDC_LABEL), QStringLiteral("<b>Home</b>"));
            QTest::mouseClick(dlg->GetDlgItem(IDOK), Qt::LeftButton);
        });
        script.NoteMessage(message).Then<CAddAddressDlg>([](CAddAddressDlg* dlg) {
            auto* label = dlg->GetDlgItem<QLineEdit>(IDC_LABEL);
            QCOMPARE(label->text(), QStringLiteral("<b>Home</b>"));
            QVERIFY(!dlg->GetDlgItem(IDOK)->isEnabled());
            QTest::keyClick(label, Qt::Key_Return); // ignored while disabled
            QTest::keyClick(label, Qt::Key_X);
            QCOMPARE(label->text(), QStringLiteral("x"));
            QTest::keyClick(dlg, Qt::Key_Escape);
        });
        Run(IDC_RETURNADDRESSLIST, script);
        QCOMPARE(message,
                 QStringList({"The label <b>Home</b> is not unique. Please choose another.",
                              QCoreApplication::applicationName(),
                              QString::number(QMessageBox::Warning)}));
        QVERIFY(m_dlg->State().returnLabel.isEmpty() && Entries().size() == 1);
    }

    // A failure raised inside a command is shown with a stop icon and the
    // dialog goes on; what changed in memory stays, the file and the box's
    // label as they were.
    void failuresAreShown() {
        Open({"a"});
        QStringList message;
        CModalScript script;
        const QByteArray before = ReadWholeFile(m_env->BookPath());
        QVERIFY(QFile::setPermissions(m_env->BookPath(), QFileDevice::ReadOwner));
        script.Choose(QStringLiteral("&Add...")).Then<CAddAddressDlg>([](CAddAddressDlg* dlg) {
            QTest::keyClicks(dlg->GetDlgItem(IDC_LABEL), QStringLiteral("b"));
            QTest::keyClick(dlg->GetDlgItem(IDC_LABEL), Qt::Key_Return);
        });
        Run(IDC_MAILINGADDRESSLIST, script.NoteMessage(message));
        QCOMPARE(message, QStringList({"Access to " + m_env->BookPath() + " was denied.",
                                       QCoreApplication::applicationName(),
                                       QString::number(QMessageBox::Critical)}));
        QStringList items;
        Run(IDC_MAILINGADDRESSLIST, script.NoteMenu(items));
        QCOMPARE(items, QStringList({"&Add...", "--", "a", "b"}));
        QVERIFY(m_dlg->State().mailingLabel.isEmpty() &&
                ReadWholeFile(m_env->BookPath()) == before);
    }

    // A damaged settings file and a book another program is changing are
    // said as soon as the window is up, not at the first change.
    void problemsSaidAtStart() {
        const QString file = m_env->ConfigHome() + QStringLiteral("/Torvane Software/registry.reg");
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QVERIFY(WriteWholeFile(file, "Windows Registry Editor Version 5.00\r\n\r\n"
                                     "[HKEY_CURRENT_USER\\Software]\r\nnot a value\r\n"));
        MakeBook({"a"});
        QLockFile held(m_env->BookPath() + QStringLiteral(".lock"));
        QVERIFY(held.tryLock(0));
        QStringList seen;
        CModalScript script;
        script.NoteMessage(seen);
        m_dlg = std::make_unique<CPelvaroDlg>(*m_settings);
        m_dlg->show();
        QTRY_VERIFY_WITH_TIMEOUT(script.Done(), kWaitMs);
        const QStringList said = seen.value(0).split(QStringLiteral("\n\n"));
        QVERIFY2(said.size() == 2 && said[0].contains(file) &&
                     said[1].startsWith("Another program is using the address book " +
                                        m_env->BookPath()),
                 qPrintable(seen.value(0)));
    }

    // The first change of a damaged book keeps the file and says where.
    void damagedAndBusyBook() {
        const QString path = m_env->BookPath();
        const QByteArray damaged = Hex("01000000") + BookBytes({"a", "b"}).mid(4);
        QVERIFY(WriteWholeFile(path, damaged));
        Open();
        QStringList seen;
        CModalScript script;
        const auto add = [&](const char* label) -> CModalScript& {
            return script.Choose(QStringLiteral("&Add..."))
                .Then<CAddAddressDlg>([label](CAddAddressDlg* dlg) {
                    QTest::keyClicks(dlg->GetDlgItem(IDC_LABEL), QLatin1String(label));
                    QTest::keyClick(dlg->GetDlgItem(IDC_LABEL), Qt::Key_Return);
                })
                .NoteMessage(seen);
        };
        Run(IDC_MAILINGADDRESSLIST, add("c"));
        QCOMPARE(seen.value(0), QStringLiteral("The address book %1 is damaged: it counts 1 entry, "
                                               "but 1 more follows, which could not be read. The "
                                               "file as it was is kept as %1.bak.")
                                    .arg(path));
        QCOMPARE(seen.value(2), QString::number(QMessageBox::Warning));
        QVERIFY(Entries() == QStringList({"a|", "c|"}) && ReadWholeFile(path + ".bak") == damaged);
        QCOMPARE(m_dlg->State().mailingLabel, u"c"_qs);
    }

    // The label is put in as it is, however long, a "%s" or "&" in it
    // included; choices are told apart whatever the size of the book.
    void menuItemsAndChoices() {
        CAddressBook book;
        QByteArray file = Hex("0C800000");
        for (int i = 0; i < 32780; ++i)
            file += Hex("05") + QByteArray::number(10000 + i) + Hex("00");
        QVERIFY(book.LoadFromBytes(file));
        const QString label = QStringLiteral("100%s & Co ") + QString(300, u'x');
        CAddressListMenu menu(book, label, nullptr);
        const QList<QAction*> actions = menu.Menu()->actions();
        QCOMPARE(actions[1]->text() + u'|' + actions[2]->text(),
                 "&Modify " + label + "|&Delete " + label);
        using Kind = AddressListChoice::Kind;
        const std::pair<int, Kind> fixed[] = {
            {0, Kind::Add}, {1, Kind::Modify}, {2, Kind::Delete}, {3, Kind::None}};
        for (const auto& [position, kind] : fixed)
            QVERIFY(menu.ChoiceFor(actions[position]).kind == kind);
        for (int index : {0, 32774, 32775, 32776, 32777, 32779}) {
            const AddressListChoice choice = menu.ChoiceFor(actions[4 + index]);
            QVERIFY(choice.kind == Kind::Entry && choice.index == index);
        }
    }
};

QTEST_MAIN(TestPelvaroDlg)
#include "tst_pelvarodlg.moc"
