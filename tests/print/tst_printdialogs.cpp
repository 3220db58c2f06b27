#include "configurationmenu.h"
#include "fontchooser.h"
#include "helpcommand.h"
#include "pdfwriterblocks.h"
#include "printerblocks.h"
#include "printersetup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFontMetrics>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// The dialogs and the menu, driven as a user would.
class TestPrintDialogs : public QObject {
    Q_OBJECT

private slots:
    void FontHeights();
    void FontFaceAndStyle();
    void ChooseFont();
    void ConfigurationMenu_data();
    void ConfigurationMenu();
    void PrinterSetupHelpAndCancel();
    void PrinterSetupOk_data();
    void PrinterSetupOk();
};

namespace {

// Runs `answer` on the next modal dialog once it is up.
template <typename Dialog> void WhenModal(std::function<void(Dialog*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            WhenModal<Dialog>(answer);
            return;
        }
        answer(dialog);
    });
}

// Runs `answer` on the pop-up menu once it is up.
void WhenPopup(std::function<void(QMenu*)> answer) {
    QTimer::singleShot(10, [answer] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !menu->isVisible()) {
            WhenPopup(answer);
            return;
        }
        answer(menu);
    });
}

void ClickItem(QMenu* menu, int item, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(menu, button, {}, menu->actionGeometry(menu->actions().at(item)).center());
}

LOGFONTW Description(const QString& face, int height) {
    LOGFONTW description = StockVariableFontDescription();
    description.SetFaceName(face);
    description.lfHeight = height;
    return description;
}

} // namespace

void TestPrintDialogs::FontHeights() {
    // 12 points on a 96 DPI screen is a character height of 16 pixels.
    QFont twelve(QStringLiteral("Liberation Sans"));
    twelve.setPointSize(12);
    QCOMPARE(LogFontFromFont(twelve, 96).lfHeight, -16);
    QCOMPARE(LogFontFromFont(twelve, 120).lfHeight, -20);
    twelve.setPointSizeF(10.5);
    QCOMPARE(LogFontFromFont(twelve, 96).lfHeight, -14);

    // A positive height is the cell: the largest font whose ascent plus
    // descent fits.
    LOGFONTW description = Description(QStringLiteral("Liberation Sans"), 0);
    for (int cell : {12, 20, 37}) {
        description.lfHeight = cell;
        const QFont font = FontFromLogFont(description);
        QVERIFY(QFontMetrics(font).height() <= cell);
        QFont larger = font;
        larger.setPixelSize(font.pixelSize() + 1);
        QVERIFY2(QFontMetrics(larger).height() > cell, qPrintable(QString::number(cell)));
    }

    // Nonsense heights are held to something the font engine can take.
    for (int32_t height :
         {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
        description.lfHeight = height;
        QVERIFY(FontFromLogFont(description).pixelSize() > 0);
    }
}

void TestPrintDialogs::FontFaceAndStyle() {
    LOGFONTW description = Description(QStringLiteral("Liberation Serif"), -20);
    description.lfWeight = 700;
    description.lfItalic = 1;
    description.lfUnderline = 1;
    const QFont font = FontFromLogFont(description);
    QCOMPARE(font.family(), QStringLiteral("Liberation Serif"));
    QCOMPARE(font.pixelSize(), 20);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY(font.italic() && font.underline() && !font.strikeOut());

    const LOGFONTW back = LogFontFromFont(font, 96);
    QCOMPARE(back.FaceName(), QStringLiteral("Liberation Serif"));
    QCOMPARE(back.lfHeight, -20);
    QCOMPARE(back.lfWeight, 700);
    QCOMPARE(back.lfItalic, 1);
    QCOMPARE(back.lfUnderline, 1);
    QCOMPARE(back.lfPitchAndFamily & 0x03, 0x02);

    // A width narrows the font to that average character width.
    description.lfItalic = 0;
    description.lfWidth = 5;
    const QFont narrow = FontFromLogFont(description);
    QVERIFY(narrow.stretch() < 100);
    QVERIFY(qAbs(QFontMetrics(narrow).averageCharWidth() - 5) <= 1);
}

void TestPrintDialogs::ChooseFont() {
    QWidget owner;
    LOGFONTW description = Description(QStringLiteral("Liberation Sans"), -16);
    description.lfCharSet = 0;

    // Cancel changes nothing, whatever was picked meanwhile.
    const LOGFONTW before = description;
    WhenModal<QFontDialog>([](QFontDialog* dialog) {
        dialog->setCurrentFont(QFont(QStringLiteral("Liberation Mono"), 20));
        dialog->reject();
    });
    QVERIFY(!ChooseAddressFont(&owner, description));
    QVERIFY(description == before);

    bool effectsShown = true;
    double shownSize = 0;
    WhenModal<QFontDialog>([&](QFontDialog* dialog) {
        shownSize = dialog->currentFont().pointSizeF();
        effectsShown = false;
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
            effectsShown = effectsShown || box->isVisible();
        QFont chosen(QStringLiteral("Liberation Serif"), 14);
        chosen.setBold(true);
        dialog->setCurrentFont(chosen);
        dialog->accept();
    });
    QVERIFY(ChooseAddressFont(&owner, description));
    QCOMPARE(shownSize, 12.0);
    QVERIFY(!effectsShown);
    QCOMPARE(description.FaceName(), QStringLiteral("Liberation Serif"));
    QCOMPARE(description.lfHeight, -19); // 14 points at 96 DPI, 18.67 rounded
    QCOMPARE(description.lfWeight, 700);
    QCOMPARE(description.lfUnderline, 0);
    QCOMPARE(description.lfCharSet, 0);
}

void TestPrintDialogs::ConfigurationMenu_data() {
    QTest::addColumn<int>("item"); // -1: dismissed with Escape
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("command");
    // First, so that the rows after it show the menu opens again.
    QTest::newRow("dismissed") << -1 << Qt::LeftButton << 0;
    // Either mouse button chooses.
    QTest::newRow("Printer...") << 0 << Qt::LeftButton << 32779;
    QTest::newRow("Return Address Font...") << 1 << Qt::RightButton << 32780;
    QTest::newRow("Mailing Address Font...") << 2 << Qt::LeftButton << 32781;
    QTest::newRow("Report Address Book Location") << 3 << Qt::RightButton << 32782;
}

void TestPrintDialogs::ConfigurationMenu() {
    QFETCH(int, item);
    QFETCH(Qt::MouseButton, button);
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    const QPoint at(120, 80);
    QStringList texts;
    QPoint shownAt;
    bool plain = true;
    WhenPopup([&](QMenu* menu) {
        shownAt = menu->pos();
        for (QAction* action : menu->actions()) {
            plain =
                plain && !action->isSeparator() && action->isEnabled() && !action->isCheckable();
            texts.append(action->text());
        }
        // Chosen with the mouse, as the user would.
        if (item < 0)
            QTest::keyClick(menu, Qt::Key_Escape);
        else
            ClickItem(menu, item, button);
    });
    QTEST(TrackConfigurationMenu(&owner, at), "command");
    QCOMPARE(texts, (QStringList{"Printer...", "Return Address Font...", "Mailing Address Font...",
                                 "Report Address Book Location"}));
    QCOMPARE(shownAt, at);
    QVERIFY(plain);
    // The menu is gone once the choice is known.
    QVERIFY(!QApplication::activePopupWidget());
    QVERIFY(owner.findChildren<QMenu*>().isEmpty());
}

void TestPrintDialogs::PrinterSetupHelpAndCancel() {
    int helps = 0;
    SetHelpCommand([&helps] { ++helps; });
    QWidget owner;
    const QByteArray oldMode("mode stays", 10);
    const QByteArray oldNames = PdfNames(QStringLiteral("/tmp/kept.pdf"));
    QByteArray devMode = oldMode, devNames = oldNames;
    bool openAfterHelp = false;
    bool rangesOffered = true;
    bool endsWithOk = false;
    WhenModal<QPrintDialog>([&](QPrintDialog* dialog) {
        for (const QPushButton* button : dialog->findChildren<QPushButton*>())
            endsWithOk = endsWithOk || button->text() == QStringLiteral("OK");
        rangesOffered = dialog->testOption(QAbstractPrintDialog::PrintPageRange) ||
                        dialog->testOption(QAbstractPrintDialog::PrintSelection) ||
                        dialog->testOption(QAbstractPrintDialog::PrintCurrentPage);
        dialog->activateWindow();
        if (QTest::qWaitForWindowActive(dialog))
            QTest::keyClick(dialog, Qt::Key_F1);
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Help"))
                button->click();
        openAfterHelp = dialog->isVisible();
        dialog->reject();
    });
    QVERIFY(!RunPrinterSetup(&owner, devMode, devNames));
    SetHelpCommand({});
    QCOMPARE(helps, 2);
    QVERIFY(openAfterHelp);
    QVERIFY(!rangesOffered);
    QVERIFY(endsWithOk);
    QCOMPARE(devMode, oldMode);
    QCOMPARE(devNames, oldNames);
}

void TestPrintDialogs::PrinterSetupOk_data() {
    QTest::addColumn<bool>("withSettings");
    QTest::newRow("both blocks") << true;
    // One block alone is not handed to the dialog; it opens on the default
    // printer, or on the PDF writer when this machine has no printer.
    QTest::newRow("names only") << false;
}

void TestPrintDialogs::PrinterSetupOk() {
    QFETCH(bool, withSettings);
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("setup.pdf"));
    DEVMODEW mode;
    mode.dmFields = DEVMODEW::DM_PAPERSIZE | DEVMODEW::DM_ORIENTATION;
    mode.dmPaperSize = 20;
    mode.dmOrientation = DEVMODEW::DMORIENT_LANDSCAPE;
    QByteArray devMode = withSettings ? mode.ToBytes() : QByteArray();
    QByteArray devNames = PdfNames(output);
    QString shownFile;
    bool pdfOffered = false;
    QWidget owner;
    WhenModal<QPrintDialog>([&](QPrintDialog* dialog) {
        shownFile = dialog->printer()->outputFileName();
        for (const QComboBox* box : dialog->findChildren<QComboBox*>()) {
            for (int i = 0; i < box->count(); ++i)
                pdfOffered = pdfOffered || box->itemText(i).contains(QStringLiteral("PDF"));
        }
        dialog->accept();
    });
    QVERIFY(RunPrinterSetup(&owner, devMode, devNames));
    QCOMPARE(shownFile == output, withSettings);
    QVERIFY(pdfOffered);

    // Either way OK yields both blocks.
    const std::optional<DEVNAMES> names = DEVNAMES::FromBytes(devNames);
    const std::optional<DEVMODEW> back = DEVMODEW::FromBytes(devMode);
    QVERIFY(names && back);
    if (withSettings) {
        QCOMPARE(names->driver, QStringLiteral("pdf"));
        QCOMPARE(names->output, output);
        QCOMPARE(back->dmPaperSize, 20);
        QCOMPARE(back->dmOrientation, DEVMODEW::DMORIENT_LANDSCAPE);
    }
}

QTEST_MAIN(TestPrintDialogs)
#include "tst_printdialogs.moc"
