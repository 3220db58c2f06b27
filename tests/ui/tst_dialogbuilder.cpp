// The dialog template builder and the template dialog's keyboard handling,
// on the add dialog's template and on small templates of the tests' own.

#include "dialogbuilder.h"
#include "dialogtemplate.h"
#include "multilineedit.h"
#include "templatedialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <array>

using namespace DialogStyle;

class TestDialogBuilder : public QObject {
    Q_OBJECT
private slots:
    void mulDivRoundsHalvesAwayFromZero_data();
    void mulDivRoundsHalvesAwayFromZero();
    void staticsMnemonicsAndPrefixes();
    void addDialogTemplateControls();
    void multiLineBoxExchangesCrLf();
    void multiLineBoxKeys();
    void sortedComboAndSelection();
    void enterPressesFocusedThenDefaultButton();
    void pushButtonsNeverBecomeDefaultByThemselves();
};

void TestDialogBuilder::mulDivRoundsHalvesAwayFromZero_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << 7 << 8 << 4 << 14;
    QTest::newRow("down") << 3 << 7 << 4 << 5;    // 5.25
    QTest::newRow("half up") << 2 << 7 << 4 << 4; // 3.5
    QTest::newRow("up") << 5 << 15 << 8 << 9;     // 9.375
    QTest::newRow("negative half") << -2 << 7 << 4 << -4;
    QTest::newRow("negative divisor") << 2 << 7 << -4 << -4;
    QTest::newRow("large") << 2000000000 << 3 << 4 << 1500000000;
    QTest::newRow("zero divisor") << 1 << 1 << 0 << -1;
}

void TestDialogBuilder::mulDivRoundsHalvesAwayFromZero() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, expected);
    QCOMPARE(MulDiv(a, b, c), expected);
}

void TestDialogBuilder::staticsMnemonicsAndPrefixes() {
    static constexpr std::array<DialogItemTemplate, 4> items = {{
        {-1, DialogControlClass::Static, u"&Name:", 5, 5, 40, 8, WS_CHILD | WS_VISIBLE | SS_LEFT},
        {10, DialogControlClass::Edit, u"", 50, 5, 60, 14,
         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP},
        {-1, DialogControlClass::Static, u"Fish && &Chips", 5, 25, 80, 8,
         WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX},
        {-1, DialogControlClass::Static, u"Last && &One", 5, 40, 80, 8, WS_CHILD | SS_LEFT},
    }};
    static constexpr DialogTemplate dialogTemplate = {
        999, u"Test", u"MS Sans Serif", 8, 120, 60, WS_POPUP | WS_CAPTION | DS_SETFONT, items};

    QDialog dialog;
    const QList<QWidget*> controls = BuildDialogFromTemplate(dialog, dialogTemplate);
    QCOMPARE(controls.size(), 4);
    auto* name = qobject_cast<QLabel*>(controls[0]);
    auto* prefixless = qobject_cast<QLabel*>(controls[2]);
    auto* last = qobject_cast<QLabel*>(controls[3]);
    QVERIFY(name && prefixless && last);
    QCOMPARE(name->buddy(), controls[1]);
    // No prefix processing: the text shows exactly as written.
    QCOMPARE(prefixless->text(), QStringLiteral("Fish && &Chips"));
    QCOMPARE(prefixless->buddy(), nullptr);
    // Nothing to move to: the markers are resolved, not shown.
    QCOMPARE(last->text(), QStringLiteral("Last & One"));
    QVERIFY(!last->isVisibleTo(&dialog));
    QCOMPARE(controls[1]->objectName(), QStringLiteral("10"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Test"));
    QVERIFY(
        !(dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
}

void TestDialogBuilder::addDialogTemplateControls() {
    CTemplateDialog dialog(IDD_ADDADDRESS);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Add to Address Book"));
    auto* label = dialog.GetDlgItem<QLineEdit>(IDC_LABEL);
    auto* address = dialog.GetDlgItem<CMultiLineEdit>(IDC_ADDRESS);
    auto* add = dialog.GetDlgItem<QPushButton>(IDOK);
    auto* cancel = dialog.GetDlgItem<QPushButton>(IDCANCEL);
    QVERIFY(label && address && add && cancel);
    QVERIFY(address->isReadOnly());
    QVERIFY(add->isDefault());
    QVERIFY(!add->isEnabled());
    QVERIFY(cancel->isEnabled());
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("-1"))->buddy(), label);

    // Tab stops in table order; the read-only box is not one of them.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    label->setFocus();
    QTest::keyClick(label, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), cancel);
    QTest::keyClick(cancel, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), label);
    dialog.reject();
}

void TestDialogBuilder::multiLineBoxExchangesCrLf() {
    CMultiLineEdit edit(true, true);
    const QString text = QStringLiteral("Ada\u00A0Example\r\n\tTab & more\r\n\r\nlast");
    edit.SetText(text);
    QCOMPARE(edit.blockCount(), 4);
    // Exactly what went in, the no-break space and the tab included.
    QCOMPARE(edit.Text(), text);

    edit.SetText(QStringLiteral("one\ntwo\rthree"));
    QCOMPARE(edit.Text(), QStringLiteral("one\r\ntwo\r\nthree"));
    edit.SetText(QString());
    QCOMPARE(edit.Text(), QString());
}

void TestDialogBuilder::multiLineBoxKeys() {
    QDialog dialog;
    auto* edit = new CMultiLineEdit(true, true, &dialog);
    auto* next = new QLineEdit(&dialog);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();

    QTest::keyClicks(edit, QStringLiteral("first"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, QStringLiteral("second"));
    QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(edit, QStringLiteral("third"));
    QCOMPARE(edit->Text(), QStringLiteral("first\r\nsecond\r\nthird"));

    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), next);
    QVERIFY(!edit->Text().contains(QLatin1Char('\t')));

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(rejected.count(), 1);
}

void TestDialogBuilder::sortedComboAndSelection() {
    static constexpr std::array<DialogItemTemplate, 1> items = {{
        {20, DialogControlClass::ComboBox, u"", 5, 5, 80, 40,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT},
    }};
    static constexpr DialogTemplate dialogTemplate = {
        998, u"Combo", u"Arial", 10, 100, 50, WS_POPUP | WS_CAPTION | DS_SETFONT, items};
    QDialog dialog;
    auto* combo =
        qobject_cast<QComboBox*>(BuildDialogFromTemplate(dialog, dialogTemplate).value(0));
    QVERIFY(combo && combo->isEditable());

    QCOMPARE(AddComboString(combo, QStringLiteral("beta")), 0);
    QCOMPARE(AddComboString(combo, QStringLiteral("Alpha")), 0);
    QCOMPARE(AddComboString(combo, QStringLiteral("gamma")), 2);
    QCOMPARE(combo->itemText(1), QStringLiteral("beta"));
    // Adding items selects nothing.
    QCOMPARE(GetComboSelection(combo), -1);
    QCOMPARE(combo->currentText(), QString());

    SetComboSelection(combo, 1);
    QCOMPARE(GetComboSelection(combo), 1);
    QCOMPARE(combo->currentText(), QStringLiteral("beta"));

    // Typed text is no selection, though the list still marks an item.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_End);
    QTest::keyClicks(combo, QStringLiteral("x"));
    QCOMPARE(combo->currentText(), QStringLiteral("betax"));
    QCOMPARE(GetComboSelection(combo), -1);
    QCOMPARE(combo->count(), 3);
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(combo->count(), 3);

    SetComboSelection(combo, 7);
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(combo->currentText(), QString());
    QCOMPARE(GetComboSelection(combo), -1);
    dialog.reject();
}

void TestDialogBuilder::enterPressesFocusedThenDefaultButton() {
    CTemplateDialog dialog(IDD_ADDADDRESS);
    auto* label = dialog.GetDlgItem<QLineEdit>(IDC_LABEL);
    auto* add = dialog.GetDlgItem<QPushButton>(IDOK);
    auto* cancel = dialog.GetDlgItem<QPushButton>(IDCANCEL);
    QSignalSpy addClicked(add, &QPushButton::clicked);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    label->setFocus();

    // The default button is disabled: Enter does nothing.
    QTest::keyClick(label, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(addClicked.count(), 0);

    add->setEnabled(true);
    QTest::keyClick(label, Qt::Key_Return);
    QCOMPARE(addClicked.count(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // A focused push button takes Enter itself.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(addClicked.count(), 1);
}

void TestDialogBuilder::pushButtonsNeverBecomeDefaultByThemselves() {
    static constexpr std::array<DialogItemTemplate, 2> items = {{
        {30, DialogControlClass::Edit, u"", 5, 5, 60, 14,
         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP},
        {31, DialogControlClass::Button, u"Other", 5, 25, 50, 14,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    }};
    static constexpr DialogTemplate dialogTemplate = {
        997, u"No default", u"Arial", 10, 100, 50, WS_POPUP | WS_CAPTION | DS_SETFONT, items};
    // The builder only knows the program's own templates by id, so this
    // one is built into a plain dialog and Enter is checked on the push
    // button: a dialog with no default button must not make one.
    QDialog dialog;
    const QList<QWidget*> controls = BuildDialogFromTemplate(dialog, dialogTemplate);
    auto* other = qobject_cast<QPushButton*>(controls.value(1));
    QVERIFY(other);
    QSignalSpy clicked(other, &QPushButton::clicked);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    controls[0]->setFocus();
    QVERIFY(!other->isDefault());
    QTest::keyClick(controls[0], Qt::Key_Return);
    QCOMPARE(clicked.count(), 0);
    dialog.reject();
}

QTEST_MAIN(TestDialogBuilder)
#include "tst_dialogbuilder.moc"
