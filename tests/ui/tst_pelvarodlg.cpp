// The main dialog and the about box, driven through their real widgets.

#include "aboutdlg.h"
#include "dialogbuilder.h"
#include "envelopesizes.h"
#include "fontchooser.h"
#include "helpcommand.h"
#include "hoverbitmapbutton.h"
#include "multilineedit.h"
#include "pelvarodlg.h"
#include "resourcestrings.h"
#include "settingsstore.h"
#include "testenvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <functional>
#include <memory>

namespace {

const QString kSection = QStringLiteral("Pelvaro");

// Watchers still waiting when a test ends; they go with it.
QList<QPointer<QTimer>> g_watchers;

// Runs `action` on the first widget of type T that becomes the active modal
// dialog (or, with popup set, the active pop-up menu), from the event loop
// that dialog or menu runs.
template <class T> void WhenShown(std::function<void(T*)> action, bool popup = false) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    g_watchers.append(timer);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, action, popup, ticks] {
        QWidget* active =
            popup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
        if (auto* widget = qobject_cast<T*>(active)) {
            timer->stop();
            timer->deleteLater();
            action(widget);
        } else if (++*ticks > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

QStringList ActionTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// Notes the items of the next pop-up menu and closes it.
void NoteMenuItems(QStringList& items) {
    WhenShown<QMenu>(
        [&items](QMenu* menu) {
            items = ActionTexts(menu);
            QTest::keyClick(menu, Qt::Key_Escape);
        },
        true);
}

void ChooseMenuItem(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
            return;
        }
    }
    QTest::keyClick(menu, Qt::Key_Escape);
}

struct StoredValues {
    QString mailingLabel;
    QString mailingAddress;
    QString returnLabel;
    QString returnAddress;
    int envelopeIndex;

    friend bool operator==(const StoredValues&, const StoredValues&) = default;
};

StoredValues ReadStored(const CSettingsStore& settings) {
    return {settings.GetProfileString(kSection, QStringLiteral("LastMailingAddressLabel")),
            settings.GetProfileString(kSection, QStringLiteral("LastMailingAddress")),
            settings.GetProfileString(kSection, QStringLiteral("LastReturnAddressLabel")),
            settings.GetProfileString(kSection, QStringLiteral("LastReturnAddress")),
            settings.GetProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), -99)};
}

// What a message box says: text, caption, icon, buttons and their number.
QStringList Message(const QString& text, const QString& caption, QMessageBox::Icon icon) {
    return {text, caption, QString::number(icon), QString::number(QMessageBox::Ok),
            QStringLiteral("1")};
}

// Notes what the next message box says, and answers it with OK.
void NoteMessage(QStringList& seen) {
    WhenShown<QMessageBox>([&seen](QMessageBox* box) {
        seen = {box->text(), box->windowTitle(), QString::number(box->icon()),
                QString::number(box->standardButtons().toInt()),
                QString::number(box->buttons().size())};
        box->button(QMessageBox::Ok)->click();
    });
}

bool ShowActive(QWidget& dialog) {
    dialog.show();
    return QTest::qWaitForWindowActive(&dialog);
}

} // namespace

// Receives what the desktop was asked to open.
class CUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> m_urls;
public slots:
    void Open(const QUrl& url) { m_urls.append(url); }
};

class TestPelvaroDlg : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstStartDefaults();
    void addressesComeBackWithTheirLineBreaks();
    void storedPrinterBlocksAndFonts();
    void storedEnvelopeIndex_data();
    void storedEnvelopeIndex();
    void everyEndSavesTheSameValuesOnce_data();
    void everyEndSavesTheSameValuesOnce();
    void keysInsideTheDialog();
    void windowMenu_data();
    void windowMenu();
    void whiteBackgrounds();
    void controlGeometryAndTooltips();
    void aboutBox();
    void printWithoutPrinterSaysSo();
    void configurationMenuReportsTheBookLocation();
    void fontChoiceChangesOnlyItsBox();

private:
    std::unique_ptr<CTestEnvironment> m_environment;
    std::unique_ptr<CSettingsStore> m_settings;
    int m_helpCalls = 0;
};

void TestPelvaroDlg::init() {
    m_environment = std::make_unique<CTestEnvironment>();
    m_settings = std::make_unique<CSettingsStore>(QStringLiteral("Torvane Software"),
                                                  QStringLiteral("Pelvaro"));
    m_helpCalls = 0;
    SetHelpCommand([this] { ++m_helpCalls; });
}

void TestPelvaroDlg::cleanup() {
    for (const QPointer<QTimer>& watcher : std::as_const(g_watchers))
        delete watcher.data();
    g_watchers.clear();
    SetHelpCommand({});
    SetResourceString(IDS_ABOUTBOX, QStringLiteral("&About Pelvaro..."));
    m_settings.reset();
    m_environment.reset();
}

void TestPelvaroDlg::firstStartDefaults() {
    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));

    QCOMPARE(dialog.windowTitle(), QStringLiteral("Pelvaro"));
    QVERIFY(dialog.m_hDevMode.isNull());
    QVERIFY(dialog.m_hDevNames.isNull());
    QCOMPARE(dialog.m_sizeCombo->count(), 2);
    QCOMPARE(dialog.m_sizeCombo->currentIndex(), 0);
    QCOMPARE(QApplication::focusWidget(), dialog.m_mailingEdit);
    QVERIFY(!dialog.windowIcon().isNull());

    // Both boxes show the stock font's description.
    const QFont stock = FontFromLogFont(StockVariableFontDescription());
    QCOMPARE(dialog.m_returnLogFont, StockVariableFontDescription());
    QCOMPARE(dialog.m_mailingEdit->font().family(), stock.family());
    QCOMPARE(dialog.m_mailingEdit->font().pixelSize(), stock.pixelSize());
    QCOMPARE(dialog.m_returnEdit->font().pixelSize(), stock.pixelSize());

    // A fixed frame: no resizing, no minimise or maximise button.
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(
        !(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // Centred in the work area.
    const QRect workArea = dialog.screen()->availableGeometry();
    QVERIFY(qAbs(dialog.frameGeometry().center().x() - workArea.center().x()) <= 1);
    QVERIFY(qAbs(dialog.frameGeometry().center().y() - workArea.center().y()) <= 1);

    // Empty boxes and labels go back as they came.
    dialog.reject();
    const StoredValues expected{QString(), QString(), QString(), QString(), 0};
    QCOMPARE(ReadStored(*m_settings), expected);
}

void TestPelvaroDlg::addressesComeBackWithTheirLineBreaks() {
    {
        CPelvaroDlg dialog(*m_settings);
        QVERIFY(ShowActive(dialog));
        QTest::keyClicks(dialog.m_mailingEdit, QStringLiteral("Ada Example"));
        QTest::keyClick(dialog.m_mailingEdit, Qt::Key_Return);
        QTest::keyClicks(dialog.m_mailingEdit, QStringLiteral("12\u00A0Quill Lane"));
        QTest::keyClick(dialog.m_mailingEdit, Qt::Key_Return);
        QTest::keyClicks(dialog.m_mailingEdit, QStringLiteral("Springfield"));
        dialog.m_returnEdit->setFocus();
        QTest::keyClicks(dialog.m_returnEdit, QStringLiteral("Me"));
        QTest::keyClick(dialog.m_returnEdit, Qt::Key_Return);
        QTest::keyClick(dialog.m_returnEdit, Qt::Key_Return);
        QTest::keyClicks(dialog.m_returnEdit, QStringLiteral("Here & there"));
        QTest::keyClick(dialog.m_returnEdit, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }
    QCOMPARE(m_settings->GetProfileString(kSection, QStringLiteral("LastMailingAddress")),
             QStringLiteral("Ada Example\r\n12\u00A0Quill Lane\r\nSpringfield"));
    QCOMPARE(m_settings->GetProfileString(kSection, QStringLiteral("LastReturnAddress")),
             QStringLiteral("Me\r\n\r\nHere & there"));

    CPelvaroDlg again(*m_settings);
    QVERIFY(ShowActive(again));
    QCOMPARE(again.m_mailingEdit->blockCount(), 3);
    QCOMPARE(again.m_returnEdit->blockCount(), 3);
    QCOMPARE(again.m_mailingEdit->Text(),
             QStringLiteral("Ada Example\r\n12\u00A0Quill Lane\r\nSpringfield"));
    again.reject();
}

void TestPelvaroDlg::storedPrinterBlocksAndFonts() {
    // Blocks come back with exactly their stored bytes, whatever they hold.
    QByteArray devMode(301, '\0');
    for (int i = 0; i < devMode.size(); ++i)
        devMode[i] = static_cast<char>(i * 7);
    const QByteArray devNames = QByteArrayLiteral("\x08\0\x0c\0\x10\0\0\0pdf\0");
    m_settings->WriteBinaryValue(QStringLiteral("DevMode"), devMode);
    m_settings->WriteBinaryValue(QStringLiteral("DevNames"), devNames);

    LOGFONTW serif = StockVariableFontDescription();
    serif.lfHeight = -16;
    serif.SetFaceName(QStringLiteral("Liberation Serif"));
    m_settings->WriteBinaryValue(QStringLiteral("ReturnAddressLogFont"), serif.ToBytes());
    // A value of any other size than the structure's is no description.
    m_settings->WriteBinaryValue(QStringLiteral("MailingAddressLogFont"), serif.ToBytes().left(91));

    {
        CPelvaroDlg dialog(*m_settings);
        QVERIFY(ShowActive(dialog));
        QCOMPARE(dialog.m_hDevMode, devMode);
        QCOMPARE(dialog.m_hDevNames, devNames);
        QCOMPARE(dialog.m_returnLogFont, serif);
        QCOMPARE(dialog.m_mailingLogFont, StockVariableFontDescription());
        QCOMPARE(dialog.m_returnEdit->font().family(), QStringLiteral("Liberation Serif"));
        QCOMPARE(dialog.m_returnEdit->font().pixelSize(), 16);
        dialog.reject();
    }

    m_settings->WriteBinaryValue(QStringLiteral("MailingAddressLogFont"), serif.ToBytes() + '\0');
    CPelvaroDlg again(*m_settings);
    QCOMPARE(again.m_mailingLogFont, StockVariableFontDescription());
    // Closing writes none of them.
    again.show();
    again.reject();
    QCOMPARE(m_settings->ReadBinaryValue(QStringLiteral("DevMode")).value_or(QByteArray()),
             devMode);
    QCOMPARE(m_settings->ReadBinaryValue(QStringLiteral("MailingAddressLogFont"))
                 .value_or(QByteArray())
                 .size(),
             93);
}

void TestPelvaroDlg::storedEnvelopeIndex_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("shownIndex");
    QTest::addColumn<int>("savedIndex");
    QTest::newRow("first") << 0 << 0 << 0;
    QTest::newRow("second") << 1 << 1 << 1;
    QTest::newRow("beyond the table") << 5 << -1 << -1;
    QTest::newRow("none selected") << -1 << -1 << -1;
}

void TestPelvaroDlg::storedEnvelopeIndex() {
    QFETCH(int, stored);
    QFETCH(int, shownIndex);
    QFETCH(int, savedIndex);
    m_settings->WriteProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), stored);

    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));
    QCOMPARE(dialog.m_sizeCombo->currentIndex(), shownIndex);
    QCOMPARE(dialog.m_sizeCombo->currentText(),
             shownIndex >= 0 ? QString::fromUtf16(EnvelopeSizes[shownIndex].name) : QString());
    dialog.reject();
    QCOMPARE(m_settings->GetProfileInt(kSection, QStringLiteral("LastEnvelopeIndex"), -99),
             savedIndex);
}

void TestPelvaroDlg::everyEndSavesTheSameValuesOnce_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("Escape in the mailing box") << "escape-box" << int(IDCANCEL);
    QTest::newRow("Escape in the size list") << "escape-combo" << int(IDCANCEL);
    QTest::newRow("Enter in the size list") << "enter-combo" << int(IDOK);
    QTest::newRow("Enter on an image button") << "enter-button" << int(IDOK);
    QTest::newRow("close button") << "close" << int(IDCANCEL);
    QTest::newRow("window menu Close") << "menu-close" << int(IDCANCEL);
    QTest::newRow("object destroyed while up") << "destroy" << -1;
}

void TestPelvaroDlg::everyEndSavesTheSameValuesOnce() {
    QFETCH(QString, how);
    QFETCH(int, result);
    m_settings->WriteProfileString(kSection, QStringLiteral("LastMailingAddressLabel"),
                                   QStringLiteral("Office"));
    m_settings->WriteProfileString(kSection, QStringLiteral("LastReturnAddressLabel"),
                                   QStringLiteral("Home"));

    auto dialog = std::make_unique<CPelvaroDlg>(*m_settings);
    CPelvaroDlg* dlg = dialog.get();
    int modalResult = -1;
    bool leftOpen = false;
    const auto act = [&] {
        QVERIFY(QTest::qWaitForWindowActive(dlg));
        QTest::keyClicks(dlg->m_mailingEdit, QStringLiteral("To"));
        QTest::keyClick(dlg->m_mailingEdit, Qt::Key_Return);
        QTest::keyClicks(dlg->m_mailingEdit, QStringLiteral("You"));
        dlg->m_returnEdit->setFocus();
        QTest::keyClicks(dlg->m_returnEdit, QStringLiteral("From me"));
        dlg->m_sizeCombo->setFocus();
        QTest::keyClick(dlg->m_sizeCombo, Qt::Key_Down);

        if (how == QLatin1String("escape-box")) {
            QTest::keyClick(dlg->m_mailingEdit, Qt::Key_Escape);
        } else if (how == QLatin1String("escape-combo")) {
            QTest::keyClick(dlg->m_sizeCombo, Qt::Key_Escape);
        } else if (how == QLatin1String("enter-combo")) {
            QTest::keyClick(dlg->m_sizeCombo, Qt::Key_Return);
        } else if (how == QLatin1String("enter-button")) {
            dlg->m_printButton->setFocus();
            QTest::keyClick(dlg->m_printButton, Qt::Key_Return);
        } else if (how == QLatin1String("close")) {
            dlg->close();
        } else if (how == QLatin1String("menu-close")) {
            WhenShown<QMenu>([](QMenu* menu) { ChooseMenuItem(menu, QStringLiteral("&Close")); },
                             true);
            QTest::keyClick(dlg, Qt::Key_Space, Qt::AltModifier);
        } else {
            dialog.reset();
        }
    };
    QTimer::singleShot(0, [&] {
        act();
        // A step that failed must not leave the test waiting for ever.
        if (dialog && dlg->isVisible()) {
            leftOpen = true;
            dlg->reject();
        }
    });
    if (how == QLatin1String("destroy")) {
        dlg->show();
        QTRY_VERIFY(!dialog);
    } else {
        modalResult = dlg->DoModal();
    }
    QVERIFY(!leftOpen);
    QCOMPARE(modalResult, result);

    const StoredValues expected{QStringLiteral("Office"), QStringLiteral("To\r\nYou"),
                                QStringLiteral("Home"), QStringLiteral("From me"), 1};
    QCOMPARE(ReadStored(*m_settings), expected);

    // Exactly once: nothing is written again when the object goes.
    m_settings->WriteProfileString(kSection, QStringLiteral("LastMailingAddress"),
                                   QStringLiteral("later"));
    dialog.reset();
    QCOMPARE(m_settings->GetProfileString(kSection, QStringLiteral("LastMailingAddress")),
             QStringLiteral("later"));
}

void TestPelvaroDlg::keysInsideTheDialog() {
    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));

    // The label's mnemonic moves the focus to the size list.
    QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    QVERIFY(dialog.m_sizeCombo->hasFocus());

    // Tab visits the tab stops in template order.
    dialog.m_returnEdit->setFocus();
    const QList<int> order = {IDC_RETURNADDRESSLIST,  IDC_ENVELOPESIZE, IDC_MAILINGADDRESS,
                              IDC_MAILINGADDRESSLIST, IDC_PRINT,        IDC_CONFIGURE,
                              IDC_HELPBUTTON,         IDC_RETURNADDRESS};
    for (const int id : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        QVERIFY2(focused == dialog.GetDlgItem(id) ||
                     focused->parentWidget() == dialog.GetDlgItem(id),
                 qPrintable(QString::number(id)));
    }

    // F1 alone asks for help; with a modifier it does not. The Help button
    // asks too, and Enter on it presses it rather than ending the dialog.
    QTest::keyClick(dialog.m_mailingEdit, Qt::Key_F1);
    QCOMPARE(m_helpCalls, 1);
    for (const auto modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
        QTest::keyClick(dialog.m_mailingEdit, Qt::Key_F1, modifier);
    QCOMPARE(m_helpCalls, 1);
    auto* help = dialog.GetDlgItem<QPushButton>(IDC_HELPBUTTON);
    QTest::mouseClick(help, Qt::LeftButton);
    QCOMPARE(m_helpCalls, 2);
    help->setFocus();
    QTest::keyClick(help, Qt::Key_Return);
    QCOMPARE(m_helpCalls, 3);
    QVERIFY(dialog.isVisible());
    dialog.reject();
}

void TestPelvaroDlg::windowMenu_data() {
    QTest::addColumn<QString>("about");
    QTest::addColumn<QStringList>("items");
    // Move only where the window system moves windows on request (X11).
    QTest::newRow("with the about item")
        << QStringLiteral("&About Pelvaro...")
        << QStringList({QStringLiteral("&Close"), QStringLiteral("-"),
                        QStringLiteral("&About Pelvaro...")});
    // An empty string leaves the separator and the item out.
    QTest::newRow("without it") << QString() << QStringList({QStringLiteral("&Close")});
}

void TestPelvaroDlg::windowMenu() {
    QFETCH(QString, about);
    QFETCH(QStringList, items);
    SetResourceString(IDS_ABOUTBOX, about);
    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));

    // Alt+Space, even from inside an address box.
    QStringList seen;
    NoteMenuItems(seen);
    QTest::keyClick(dialog.m_mailingEdit, Qt::Key_Space, Qt::AltModifier);
    QCOMPARE(seen, items);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.m_mailingEdit->Text(), QString());

    // A right click on the background opens it too, and its last item
    // opens the about box, modal over the main dialog.
    int aboutShown = 0;
    QRect placed;
    const auto answerAbout = [&](CAboutDlg* box) {
        ++aboutShown;
        placed = box->frameGeometry();
        QCOMPARE(box->parentWidget(), &dialog);
        QTest::keyClick(box, Qt::Key_Escape);
    };
    seen.clear();
    WhenShown<QMenu>(
        [&](QMenu* menu) {
            seen = ActionTexts(menu);
            ChooseMenuItem(menu, QStringLiteral("&About Pelvaro..."));
        },
        true);
    WhenShown<CAboutDlg>(answerAbout);
    const QPoint background(dialog.width() / 2, dialog.height() - 5);
    QVERIFY(!dialog.childAt(background));
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, background,
                                 dialog.mapToGlobal(background));
    QApplication::sendEvent(&dialog, &rightClick);
    QCOMPARE(seen, items);
    QCOMPARE(aboutShown, about.isEmpty() ? 0 : 1);
    QVERIFY(dialog.isVisible());

    // The low four bits of a system command do not count. The box stays on
    // screen when the main dialog is near the corner.
    const QRect workArea = dialog.screen()->availableGeometry();
    dialog.move(workArea.right() - 60, workArea.bottom() - 40);
    aboutShown = 0;
    WhenShown<CAboutDlg>(answerAbout);
    dialog.OnSysCommand(IDM_ABOUTBOX | 0x3);
    QCOMPARE(aboutShown, 1);
    QVERIFY2(workArea.contains(placed), qPrintable(QDebug::toString(placed)));
    QVERIFY(dialog.isVisible());

    // Over an address box the box's own menu opens instead.
    seen.clear();
    NoteMenuItems(seen);
    const QPoint inBox = dialog.m_mailingEdit->viewport()->rect().center();
    QContextMenuEvent boxClick(QContextMenuEvent::Mouse, inBox,
                               dialog.m_mailingEdit->viewport()->mapToGlobal(inBox));
    QApplication::sendEvent(dialog.m_mailingEdit->viewport(), &boxClick);
    QTRY_VERIFY(!seen.isEmpty());
    QVERIFY(!seen.contains(QStringLiteral("&Close")));
    dialog.reject();
}

void TestPelvaroDlg::whiteBackgrounds() {
    // Whatever the system's colours are.
    const QPalette systemPalette = QApplication::palette();
    QPalette grey = systemPalette;
    for (const QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        grey.setColor(role, QColor(128, 128, 128));
    QApplication::setPalette(grey);

    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));
    const QImage image = dialog.grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    const auto pixelAt = [&](QWidget* widget, QPoint point) {
        const QPoint inDialog = widget->mapTo(&dialog, point) * ratio;
        return QColor(image.pixel(inDialog));
    };
    auto* label = dialog.findChild<QLabel*>(QStringLiteral("-1"));
    QVERIFY(label);
    const QList<std::pair<QString, QColor>> samples = {
        {QStringLiteral("background"),
         pixelAt(&dialog, QPoint(dialog.width() / 2, dialog.height() - 3))},
        {QStringLiteral("label"), pixelAt(label, QPoint(label->width() - 1, 0))},
        {QStringLiteral("return box"),
         pixelAt(dialog.m_returnEdit,
                 QPoint(dialog.m_returnEdit->width() - 5, dialog.m_returnEdit->height() - 5))},
        {QStringLiteral("mailing box"),
         pixelAt(dialog.m_mailingEdit,
                 QPoint(dialog.m_mailingEdit->width() / 2, dialog.m_mailingEdit->height() - 5))},
        {QStringLiteral("size list"),
         pixelAt(dialog.m_sizeCombo->lineEdit(),
                 QPoint(dialog.m_sizeCombo->lineEdit()->width() - 2, 1))},
    };
    QApplication::setPalette(systemPalette);
    for (const auto& [where, colour] : samples)
        QVERIFY2(colour == QColor(Qt::white),
                 qPrintable(where + QLatin1String(": ") + colour.name()));
    dialog.reject();
}

void TestPelvaroDlg::controlGeometryAndTooltips() {
    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));

    // Base units worked out here from the template font: Arial 10 points.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize((10 * dialog.logicalDpiY() + 36) / 72);
    font.setKerning(false);
    const QFontMetrics metrics(font);
    int letters = 0;
    for (char c = 'A'; c <= 'Z'; ++c)
        letters += metrics.horizontalAdvance(QLatin1Char(c)) +
                   metrics.horizontalAdvance(QLatin1Char(c + 32));
    const int baseX = (letters / 26 + 1) / 2;
    const int baseY = metrics.height();
    QVERIFY(baseX >= 4 && baseX <= 12);
    const auto x = [&](int units) { return (units * baseX + 2) / 4; };
    const auto y = [&](int units) { return (units * baseY + 4) / 8; };
    const auto rect = [&](int l, int t, int w, int h) { return QRect(x(l), y(t), x(w), y(h)); };

    QCOMPARE(dialog.size(), QSize(x(323), y(158)));
    QCOMPARE(dialog.m_returnEdit->geometry(), rect(7, 7, 90, 33));
    QCOMPARE(dialog.m_mailingEdit->geometry(), rect(103, 50, 192, 82));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("-1"))->geometry(), rect(130, 9, 50, 8));
    QCOMPARE(dialog.GetDlgItem(IDC_HELPBUTTON)->geometry(), rect(266, 137, 50, 14));
    const QRect combo = dialog.m_sizeCombo->geometry();
    QCOMPARE(QRect(combo.x(), combo.y(), combo.width(), 0), QRect(x(184), y(7), x(81), 0));
    // The stamp takes its picture's size; the image buttons their faces', and
    // they show their text as a tooltip.
    QCOMPARE(dialog.GetDlgItem(IDC_STAMP)->geometry(), QRect(QPoint(x(276), y(7)), QSize(70, 78)));
    const struct {
        CHoverBitmapButton* button;
        int left, top;
        QString text;
    } buttons[] = {
        {dialog.m_returnListButton, 103, 7, QStringLiteral("Return Address List")},
        {dialog.m_mailingListButton, 299, 50, QStringLiteral("Mailing Address List")},
        {dialog.m_printButton, 299, 116, QStringLiteral("Print")},
        {dialog.m_configureButton, 7, 116, QStringLiteral("Configure")},
    };
    for (const auto& [button, left, top, text] : buttons) {
        QVERIFY(button);
        QCOMPARE(button->geometry(), QRect(QPoint(x(left), y(top)), QSize(32, 32)));
        QCOMPARE(button->ChooseFace(), CHoverBitmapButton::EFace::Normal);
        const QPoint inside(10, 10);
        QHelpEvent hover(QEvent::ToolTip, inside, button->mapToGlobal(inside));
        QApplication::sendEvent(button, &hover);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), text);
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
    }
    // Every control lies inside the window.
    for (QWidget* child : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        QVERIFY2(dialog.rect().contains(child->geometry()), qPrintable(child->objectName()));
    dialog.reject();
}

void TestPelvaroDlg::aboutBox() {
    CUrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    const auto unset =
        qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); });
    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));

    CAboutDlg about(&dialog);
    QVERIFY(ShowActive(about));
    QCOMPARE(about.windowTitle(), QStringLiteral("About Pelvaro"));
    QVERIFY(qAbs(about.frameGeometry().center().x() - dialog.frameGeometry().center().x()) <= 1);
    QVERIFY(qAbs(about.frameGeometry().center().y() - dialog.frameGeometry().center().y()) <= 1);
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>(QStringLiteral("-1")))
        texts.append(label->text());
    QVERIFY(texts.contains(QStringLiteral("Pelvaro Version 2.0")));
    QVERIFY(texts.contains(QStringLiteral("Copyright (C) 2026 Torvane Software")));

    // The link opens the anchor's address and leaves the box open.
    auto* link = about.GetDlgItem<QLabel>(IDC_WEBLINK);
    QVERIFY(link);
    QTest::mouseClick(link, Qt::LeftButton, {},
                      QPoint(20, QFontMetrics(link->font()).height() / 2));
    QCOMPARE(catcher.m_urls,
             QList<QUrl>({QUrl(QStringLiteral("https://www.torvane.example/pelvaro"))}));
    QVERIFY(about.isVisible());

    // F1 alone asks for help here too.
    QTest::keyClick(&about, Qt::Key_F1);
    QTest::keyClick(&about, Qt::Key_F1, Qt::ShiftModifier);
    QCOMPARE(m_helpCalls, 1);

    // OK (also through Enter), Escape and the close button all end it.
    const std::function<void()> ends[] = {
        [&] { QTest::keyClick(&about, Qt::Key_Return); },
        [&] { QTest::mouseClick(about.GetDlgItem(IDOK), Qt::LeftButton); },
        [&] { QTest::keyClick(&about, Qt::Key_Escape); }, [&] { about.close(); }};
    for (const auto& end : ends) {
        about.show();
        end();
        QVERIFY(!about.isVisible());
    }
    QVERIFY(dialog.isVisible());
    dialog.reject();
}

void TestPelvaroDlg::printWithoutPrinterSaysSo() {
    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));
    QStringList seen;
    NoteMessage(seen);
    QTest::mouseClick(dialog.m_printButton, Qt::LeftButton, {}, QPoint(16, 16));
    QCOMPARE(seen,
             Message(QStringLiteral("The Printer Setup is invalid. Please configure a printer."),
                     QCoreApplication::applicationName(), QMessageBox::NoIcon));
    QVERIFY(dialog.isVisible());
    dialog.reject();
}

void TestPelvaroDlg::configurationMenuReportsTheBookLocation() {
    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));
    QPoint menuAt;
    WhenShown<QMenu>(
        [&](QMenu* menu) {
            menuAt = menu->pos();
            ChooseMenuItem(menu, QStringLiteral("Report Address Book Location"));
        },
        true);
    QStringList seen;
    NoteMessage(seen);
    QTest::mouseClick(dialog.m_configureButton, Qt::LeftButton, {}, QPoint(16, 16));
    QCOMPARE(menuAt,
             dialog.m_configureButton->mapToGlobal(QPoint(dialog.m_configureButton->width(), 0)));
    QCOMPARE(seen,
             Message(QStringLiteral("The address book is stored in the file ") +
                         dialog.m_addressBook.AddressBookPath(),
                     QStringLiteral("Report Address Book Location"), QMessageBox::Information));
    QVERIFY(seen.value(0).contains(m_environment->DataHome()));
    dialog.reject();
}

void TestPelvaroDlg::fontChoiceChangesOnlyItsBox() {
    CPelvaroDlg dialog(*m_settings);
    QVERIFY(ShowActive(dialog));
    const QFont mailingBefore = dialog.m_mailingEdit->font();
    const auto chooseFont = [&](bool accept) {
        WhenShown<QMenu>(
            [](QMenu* menu) { ChooseMenuItem(menu, QStringLiteral("Return Address Font...")); },
            true);
        WhenShown<QFontDialog>([accept](QFontDialog* fonts) {
            QFont serif(QStringLiteral("Liberation Serif"));
            serif.setPointSize(12);
            fonts->setCurrentFont(serif);
            auto* box = fonts->findChild<QDialogButtonBox*>();
            box->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        QTest::mouseClick(dialog.m_configureButton, Qt::LeftButton, {}, QPoint(16, 16));
    };

    chooseFont(false);
    QCOMPARE(dialog.m_returnLogFont, StockVariableFontDescription());
    QVERIFY(!m_settings->ReadBinaryValue(QStringLiteral("ReturnAddressLogFont")));

    chooseFont(true);
    QCOMPARE(dialog.m_returnLogFont.FaceName(), QStringLiteral("Liberation Serif"));
    QCOMPARE(dialog.m_returnEdit->font().family(), QStringLiteral("Liberation Serif"));
    QCOMPARE(dialog.m_returnEdit->font(), dialog.m_returnFont);
    QCOMPARE(
        m_settings->ReadBinaryValue(QStringLiteral("ReturnAddressLogFont")).value_or(QByteArray()),
        dialog.m_returnLogFont.ToBytes());
    QCOMPARE(dialog.m_mailingEdit->font(), mailingBefore);
    QVERIFY(!m_settings->ReadBinaryValue(QStringLiteral("MailingAddressLogFont")));
    dialog.reject();

    // The next start shows the stored font.
    CPelvaroDlg again(*m_settings);
    QCOMPARE(again.m_returnLogFont.FaceName(), QStringLiteral("Liberation Serif"));
    QCOMPARE(again.m_mailingLogFont, StockVariableFontDescription());
}

QTEST_MAIN(TestPelvaroDlg)
#include "tst_pelvarodlg.moc"
