// The dialog template builder and the template dialog's keyboard handling,
// on the add dialog's template and on a small template of the tests' own.

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

namespace {

// The builder only knows the program's own templates by id, so this one is
// built into a plain dialog.
constexpr std::array<DialogItemTemplate, 6> kItems = {{
    {-1, DialogControlClass::Static, u"&Name:", 5, 5, 40, 8, WS_CHILD | WS_VISIBLE | SS_LEFT},
    {10, DialogControlClass::Edit, u"", 50, 5, 60, 14,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP},
    {-1, DialogControlClass::Static, u"Fish && &Chips", 5, 25, 80, 8,
     WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX},
    {31, DialogControlClass::Button, u"Other", 5, 50, 50, 14,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    {20, DialogControlClass::ComboBox, u"", 60, 50, 80, 40,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT},
    // Last, so that its mnemonic has no control to move to.
    {-1, DialogControlClass::Static, u"Last && &One", 5, 40, 80, 8, WS_CHILD | SS_LEFT},
}};
constexpr DialogTemplate kTemplate = {
    999, u"Test", u"MS Sans Serif", 8, 150, 70, WS_POPUP | WS_CAPTION | DS_SETFONT, kItems};

bool ShowActive(QDialog& dialog) {
    dialog.show();
    return QTest::qWaitForWindowActive(&dialog);
}

} // namespace

class TestDialogBuilder : public QObject {
    Q_OBJECT
private slots:
    void mulDivRoundsHalvesAwayFromZero_data();
    void mulDivRoundsHalvesAwayFromZero();
    void staticsAndPushButtons();
    void addDialogControlsAndEnter();
    void multiLineBoxExchangesCrLf();
    void sortedComboAndSelection();
};

void TestDialogBuilder::mulDivRoundsHalvesAwayFromZero_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("expected");
    QTest::newRow("down") << 3 << 7 << 4 << 5;    // 5.25
    QTest::newRow("half up") << 2 << 7 << 4 << 4; // 3.5
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

void TestDialogBuilder::staticsAndPushButtons() {
    QDialog dialog;
    const QList<QWidget*> controls = BuildDialogFromTemplate(dialog, kTemplate);
    QCOMPARE(controls.size(), 6);
    auto* name = qobject_cast<QLabel*>(controls[0]);
    auto* prefixless = qobject_cast<QLabel*>(controls[2]);
    auto* other = qobject_cast<QPushButton*>(controls[3]);
    auto* last = qobject_cast<QLabel*>(controls[5]);
    QVERIFY(name && prefixless && last && other);
    QCOMPARE(name->buddy(), controls[1]);
    // No prefix processing: the text shows exactly as written.
    QCOMPARE(prefixless->text(), QStringLiteral("Fish && &Chips"));
    QCOMPARE(prefixless->buddy(), nullptr);
    // Nothing to move to: the markers are resolved, not shown.
    QCOMPARE(last->text(), QStringLiteral("Last & One"));
    QVERIFY(!last->isVisibleTo(&dialog));
    QCOMPARE(controls[1]->objectName(), QStringLiteral("10"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Test"));

    // A dialog with no default button must not make one of a push button.
    QSignalSpy clicked(other, &QPushButton::clicked);
    QVERIFY(ShowActive(dialog));
    controls[1]->setFocus();
    QVERIFY(!other->isDefault());
    QTest::keyClick(controls[1], Qt::Key_Return);
    QCOMPARE(clicked.count(), 0);
    dialog.reject();
}

// Enter reaches the focused push button first, then the default button,
// which swallows it while disabled.
void TestDialogBuilder::addDialogControlsAndEnter() {
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
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("-1"))->buddy(), label);
    QSignalSpy addClicked(add, &QPushButton::clicked);

    // Tab stops in table order, the read-only box among them.
    QVERIFY(ShowActive(dialog));
    label->setFocus();
    QTest::keyClick(label, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), address);
    QTest::keyClick(address, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), cancel);
    QTest::keyClick(cancel, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), label);

    QTest::keyClick(label, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(addClicked.count(), 0);
    add->setEnabled(true);
    QTest::keyClick(label, Qt::Key_Return);
    QCOMPARE(addClicked.count(), 1);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    QVERIFY(ShowActive(dialog));
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(addClicked.count(), 1);
}

// Enter, Tab and Escape in the boxes are checked on the main dialog.
void TestDialogBuilder::multiLineBoxExchangesCrLf() {
    CMultiLineEdit edit(true, true);
    const QString text = QStringLiteral("Ada\u00A0Example\r\n\tTab & more\r\n\r\nlast");
    edit.SetText(text);
    QCOMPARE(edit.blockCount(), 4);
    // Exactly what went in, the no-break space and the tab included.
    QCOMPARE(edit.Text(), text);

    edit.SetText(QStringLiteral("one\ntwo\rthree"));
    QCOMPARE(edit.Text(), QStringLiteral("one\r\ntwo\r\nthree"));

    // A line typed with Shift+Enter is a line like any other.
    edit.SetText(QString());
    QTest::keyClicks(&edit, QStringLiteral("first"));
    QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&edit, QStringLiteral("second"));
    QCOMPARE(edit.Text(), QStringLiteral("first\r\nsecond"));
}

// A stored index outside the list is checked on the main dialog.
void TestDialogBuilder::sortedComboAndSelection() {
    QDialog dialog;
    auto* combo = qobject_cast<QComboBox*>(BuildDialogFromTemplate(dialog, kTemplate).value(4));
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
    QVERIFY(ShowActive(dialog));
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_End);
    QTest::keyClicks(combo, QStringLiteral("x"));
    QCOMPARE(combo->currentText(), QStringLiteral("betax"));
    QCOMPARE(GetComboSelection(combo), -1);
    QTest::keyClick(combo, Qt::Key_Return);
    QCOMPARE(combo->count(), 3);
    dialog.reject();
}

QTEST_MAIN(TestDialogBuilder)
#include "tst_dialogbuilder.moc"
