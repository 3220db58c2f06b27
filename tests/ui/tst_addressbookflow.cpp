#include "addaddressdlg.h"
#include "addressbook.h"
#include "multilineedit.h"
#include "pelvarodlg.h"
#include "settingsstore.h"
#include "testenvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

namespace {

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Answers the modal windows and menus that a command opens, in order: each
// step waits until the active popup or modal window is of its kind, then
// acts on it.
class CModalScript : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    CModalScript() {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &CModalScript::Poll);
        m_timer.start();
    }
    ~CModalScript() override {
        // A step that never ran is a failure of the test.
        if (!m_steps.empty())
            qWarning("%d scripted steps never ran", int(m_steps.size()));
    }

    template <class W> void Then(std::function<void(W*)> act) {
        m_steps.push_back([act](QWidget* w) { act(static_cast<W*>(w)); });
        m_kinds.push_back(&W::staticMetaObject);
    }
    bool Done() const { return m_steps.empty(); }

private:
    void Poll() {
        if (m_busy)
            return;
        if (QTest::currentTestFailed()) {
            // A failed step leaves its window up: close everything so the
            // command returns and the test can end.
            m_steps.clear();
            m_kinds.clear();
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
            else if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                modal->reject();
            return;
        }
        if (m_steps.empty())
            return;
        QWidget* active = QApplication::activePopupWidget();
        if (!active)
            active = QApplication::activeModalWidget();
        if (!active || !active->isVisible() || !active->metaObject()->inherits(m_kinds.front()))
            return;
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        m_kinds.pop_front();
        m_busy = true;
        step(active);
        m_busy = false;
    }

    QTimer m_timer;
    std::deque<Step> m_steps;
    std::deque<const QMetaObject*> m_kinds;
    bool m_busy = false;
};

QStringList MenuTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("--") : action->text());
    return texts;
}

void ClickItem(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no item ") + text));
}

QString BookPath(const CTestEnvironment& env) {
    return env.DataHome() + QStringLiteral("/Pelvaro/Addresses.plv");
}

} // namespace

class TestAddressBookFlow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void emptyBookShowsAddOnly();
    void addEnablementAndTheFileAfterAdd();
    void refusedLabelRound();
    void labelsDifferingInCaseOrSpacesAreAccepted();
    void pickingFillsOnlyItsOwnBox();
    void modifyKeepsLabelAndPlace();
    void deleteKeepsTextAndEmptiesLabel();
    void lostEntryIsAnImproperArgument();
    void failedSaveKeepsTheBookInMemory();
    void menuSitsAtTheButtonsTopRightCorner();

private:
    void ChooseFromMenu(int buttonId, const QString& item);
    void Open();

    std::unique_ptr<CTestEnvironment> m_env;
    std::unique_ptr<CSettingsStore> m_settings;
    std::unique_ptr<CPelvaroDlg> m_dlg;
};

void TestAddressBookFlow::init() {
    m_env = std::make_unique<CTestEnvironment>();
    m_settings = std::make_unique<CSettingsStore>(QStringLiteral("Torvane Software"),
                                                  QStringLiteral("Pelvaro"));
}

void TestAddressBookFlow::Open() {
    m_dlg = std::make_unique<CPelvaroDlg>(*m_settings);
    m_dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dlg.get()));
}

void TestAddressBookFlow::cleanup() {
    m_dlg.reset();
    m_settings.reset();
    m_env.reset();
}

void TestAddressBookFlow::ChooseFromMenu(int buttonId, const QString& item) {
    CModalScript script;
    script.Then<QMenu>([&](QMenu* menu) { ClickItem(menu, item); });
    QTest::mouseClick(m_dlg->GetDlgItem(buttonId), Qt::LeftButton);
    QTRY_VERIFY(script.Done());
}

void TestAddressBookFlow::emptyBookShowsAddOnly() {
    Open();
    CModalScript script;
    QStringList texts;
    script.Then<QMenu>([&](QMenu* menu) {
        texts = MenuTexts(menu);
        QTest::keyClick(menu, Qt::Key_Escape);
    });
    QTest::mouseClick(m_dlg->GetDlgItem(IDC_MAILINGADDRESSLIST), Qt::LeftButton);
    QTRY_VERIFY(script.Done());
    QCOMPARE(texts, (QStringList{"&Add...", "--"}));
    QVERIFY(!QFile::exists(BookPath(*m_env)));
}

void TestAddressBookFlow::addEnablementAndTheFileAfterAdd() {
    Open();
    m_dlg->m_mailingEdit->setFocus();
    QTest::keyClicks(m_dlg->m_mailingEdit, QStringLiteral("12 Oak Lane"));
    QTest::keyClick(m_dlg->m_mailingEdit, Qt::Key_Return);
    QTest::keyClicks(m_dlg->m_mailingEdit, QStringLiteral("Riverton"));

    CModalScript script;
    script.Then<QMenu>([](QMenu* menu) { ClickItem(menu, QStringLiteral("&Add...")); });
    script.Then<CAddAddressDlg>([](CAddAddressDlg* dlg) {
        auto* label = dlg->GetDlgItem<QLineEdit>(IDC_LABEL);
        auto* address = dlg->GetDlgItem<QPlainTextEdit>(IDC_ADDRESS);
        auto* add = dlg->GetDlgItem<QPushButton>(IDOK);
        QCOMPARE(address->toPlainText(), QStringLiteral("12 Oak Lane\nRiverton"));
        QVERIFY(address->isReadOnly());
        QTRY_VERIFY(label->hasFocus());
        QVERIFY(label->text().isEmpty());
        QVERIFY(!add->isEnabled());

        QTest::keyClick(label, Qt::Key_H);
        QVERIFY(add->isEnabled());
        QTest::keyClick(label, Qt::Key_Backspace);
        QVERIFY(!add->isEnabled());
        QTest::keyClick(label, Qt::Key_Space);
        QVERIFY(add->isEnabled());
        QTest::keyClick(label, Qt::Key_Backspace);

        // A pasted label counts as much as a typed one.
        QGuiApplication::clipboard()->setText(QStringLiteral("Home"));
        label->paste();
        QVERIFY(add->isEnabled());
        QTest::keyClick(label, Qt::Key_Return);
    });
    QTest::mouseClick(m_dlg->GetDlgItem(IDC_MAILINGADDRESSLIST), Qt::LeftButton);
    QTRY_VERIFY(script.Done());

    QCOMPARE(m_dlg->m_mailingLabel, QStringLiteral("Home"));
    QCOMPARE(m_dlg->m_mailingAddress, QStringLiteral("12 Oak Lane\r\nRiverton"));
    const QByteArray expected = Hex("01000000"
                                    "FFFEFF 04 48006F006D006500"
                                    "FFFEFF 15 3100320020004F0061006B0020004C0061006E006500"
                                    "0D000A00 52006900760065007200740 06F006E00");
    QCOMPARE(ReadWholeFile(BookPath(*m_env)), expected);
}

void TestAddressBookFlow::refusedLabelRound() {
    Open();
    // A label that looks like markup is shown as it is.
    const QString home = QStringLiteral("<b>Home</b>");
    m_dlg->m_addressBook.AddAddress(CAddress(home, QStringLiteral("old")));
    const QByteArray before = ReadWholeFile(BookPath(*m_env));
    m_dlg->m_returnEdit->setPlainText(QStringLiteral("new text"));

    QString message;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    Qt::TextFormat format = Qt::AutoText;
    CModalScript script;
    script.Then<QMenu>([](QMenu* menu) { ClickItem(menu, QStringLiteral("&Add...")); });
    script.Then<CAddAddressDlg>([&](CAddAddressDlg* dlg) {
        QTest::keyClicks(dlg->GetDlgItem(IDC_LABEL), home);
        QTest::mouseClick(dlg->GetDlgItem(IDOK), Qt::LeftButton);
    });
    script.Then<QMessageBox>([&](QMessageBox* box) {
        message = box->text();
        icon = box->icon();
        caption = box->windowTitle();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    script.Then<CAddAddressDlg>([&](CAddAddressDlg* dlg) {
        auto* label = dlg->GetDlgItem<QLineEdit>(IDC_LABEL);
        auto* add = dlg->GetDlgItem<QPushButton>(IDOK);
        // The refused label comes back, and Add waits for an edit.
        QCOMPARE(label->text(), home);
        QVERIFY(!add->isEnabled());
        QTest::keyClick(label, Qt::Key_Return); // ignored while Add is disabled
        QVERIFY(dlg->isVisible());
        // It comes back selected: typing replaces it.
        QTest::keyClick(label, Qt::Key_X);
        QCOMPARE(label->text(), QStringLiteral("x"));
        QTest::keyClick(label, Qt::Key_Backspace);
        QVERIFY(!add->isEnabled());
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    QTest::mouseClick(m_dlg->GetDlgItem(IDC_RETURNADDRESSLIST), Qt::LeftButton);
    QTRY_VERIFY(script.Done());

    QCOMPARE(message,
             QStringLiteral("The label <b>Home</b> is not unique. Please choose another."));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(caption, QCoreApplication::applicationName());
    QCOMPARE(m_dlg->m_addressBook.GetSize(), 1);
    QVERIFY(m_dlg->m_returnLabel.isEmpty());
    QCOMPARE(ReadWholeFile(BookPath(*m_env)), before);
}

void TestAddressBookFlow::labelsDifferingInCaseOrSpacesAreAccepted() {
    Open();
    m_dlg->m_addressBook.AddAddress(CAddress(QStringLiteral("Home"), QStringLiteral("1")));
    for (const QString& newLabel : {QStringLiteral("home"), QStringLiteral("Home ")}) {
        CModalScript script;
        script.Then<QMenu>([](QMenu* menu) { ClickItem(menu, QStringLiteral("&Add...")); });
        script.Then<CAddAddressDlg>([&](CAddAddressDlg* dlg) {
            QTest::keyClicks(dlg->GetDlgItem(IDC_LABEL), newLabel);
            QTest::mouseClick(dlg->GetDlgItem(IDOK), Qt::LeftButton);
        });
        QTest::mouseClick(m_dlg->GetDlgItem(IDC_MAILINGADDRESSLIST), Qt::LeftButton);
        QTRY_VERIFY(script.Done());
        QCOMPARE(m_dlg->m_mailingLabel, newLabel);
    }
    CAddressBook reloaded;
    reloaded.LoadAddressBook();
    QCOMPARE(reloaded.GetSize(), 3);
    QCOMPARE(reloaded.GetAt(0).m_strLabel, QStringLiteral("Home"));
    QCOMPARE(reloaded.GetAt(1).m_strLabel, QStringLiteral("Home "));
    QCOMPARE(reloaded.GetAt(2).m_strLabel, QStringLiteral("home"));
}

void TestAddressBookFlow::pickingFillsOnlyItsOwnBox() {
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("adam"), QStringLiteral("A Street\r\nA Town")));
    book.AddAddress(CAddress(QStringLiteral("Zoe"), QStringLiteral("Z Road")));
    Open();
    m_dlg->m_mailingEdit->setFocus();
    QTest::keyClicks(m_dlg->m_mailingEdit, QStringLiteral("typed, not saved"));

    CModalScript script;
    QStringList texts;
    script.Then<QMenu>([&](QMenu* menu) {
        texts = MenuTexts(menu);
        ClickItem(menu, QStringLiteral("adam"));
    });
    QTest::mouseClick(m_dlg->GetDlgItem(IDC_RETURNADDRESSLIST), Qt::LeftButton);
    QTRY_VERIFY(script.Done());

    QCOMPARE(texts, (QStringList{"&Add...", "--", "Zoe", "adam"}));
    QCOMPARE(m_dlg->m_returnEdit->toPlainText(), QStringLiteral("A Street\nA Town"));
    QCOMPARE(m_dlg->m_returnLabel, QStringLiteral("adam"));
    QCOMPARE(m_dlg->m_mailingEdit->toPlainText(), QStringLiteral("typed, not saved"));
    QVERIFY(m_dlg->m_mailingLabel.isEmpty());
}

void TestAddressBookFlow::modifyKeepsLabelAndPlace() {
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("a"), QStringLiteral("1")));
    book.AddAddress(CAddress(QStringLiteral("b"), QStringLiteral("2")));
    book.AddAddress(CAddress(QStringLiteral("c"), QStringLiteral("3")));
    Open();
    ChooseFromMenu(IDC_MAILINGADDRESSLIST, QStringLiteral("b"));
    m_dlg->m_mailingEdit->setPlainText(QStringLiteral("two\nlines"));

    QStringList texts;
    CModalScript script;
    script.Then<QMenu>([&](QMenu* menu) {
        texts = MenuTexts(menu);
        ClickItem(menu, QStringLiteral("&Modify b"));
    });
    QTest::mouseClick(m_dlg->GetDlgItem(IDC_MAILINGADDRESSLIST), Qt::LeftButton);
    QTRY_VERIFY(script.Done());
    QCOMPARE(texts, (QStringList{"&Add...", "&Modify b", "&Delete b", "--", "a", "b", "c"}));

    CAddressBook reloaded;
    reloaded.LoadAddressBook();
    QCOMPARE(reloaded.GetAt(1).m_strLabel, QStringLiteral("b"));
    QCOMPARE(reloaded.GetAt(1).m_strAddress, QStringLiteral("two\r\nlines"));
    QCOMPARE(m_dlg->m_mailingLabel, QStringLiteral("b"));

    // Picking it again gives the new text.
    m_dlg->m_mailingEdit->clear();
    ChooseFromMenu(IDC_MAILINGADDRESSLIST, QStringLiteral("b"));
    QCOMPARE(m_dlg->m_mailingEdit->toPlainText(), QStringLiteral("two\nlines"));
}

void TestAddressBookFlow::deleteKeepsTextAndEmptiesLabel() {
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("only"), QStringLiteral("x")));
    Open();
    ChooseFromMenu(IDC_RETURNADDRESSLIST, QStringLiteral("only"));
    ChooseFromMenu(IDC_RETURNADDRESSLIST, QStringLiteral("&Delete only"));

    QCOMPARE(m_dlg->m_returnEdit->toPlainText(), QStringLiteral("x"));
    QVERIFY(m_dlg->m_returnLabel.isEmpty());
    QCOMPARE(ReadWholeFile(BookPath(*m_env)), Hex("00000000"));

    CModalScript script;
    QStringList texts;
    script.Then<QMenu>([&](QMenu* menu) {
        texts = MenuTexts(menu);
        menu->close();
    });
    QTest::mouseClick(m_dlg->GetDlgItem(IDC_RETURNADDRESSLIST), Qt::LeftButton);
    QTRY_VERIFY(script.Done());
    QCOMPARE(texts, (QStringList{"&Add...", "--"}));
}

void TestAddressBookFlow::lostEntryIsAnImproperArgument() {
    // A label remembered from the last run whose entry is gone.
    m_settings->WriteProfileString(QStringLiteral("Pelvaro"),
                                   QStringLiteral("LastMailingAddressLabel"),
                                   QStringLiteral("Home"));
    Open();
    m_dlg->m_mailingLabel = QStringLiteral("Home");
    for (const QString& item : {QStringLiteral("&Modify Home"), QStringLiteral("&Delete Home")}) {
        QString message;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString caption;
        CModalScript script;
        script.Then<QMenu>([&](QMenu* menu) { ClickItem(menu, item); });
        script.Then<QMessageBox>([&](QMessageBox* box) {
            message = box->text();
            icon = box->icon();
            caption = box->windowTitle();
            box->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(m_dlg->GetDlgItem(IDC_MAILINGADDRESSLIST), Qt::LeftButton);
        QTRY_VERIFY(script.Done());
        QCOMPARE(message, QStringLiteral("Encountered an improper argument."));
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(caption, QCoreApplication::applicationName());
        QCOMPARE(m_dlg->m_mailingLabel, QStringLiteral("Home"));
    }
    QCOMPARE(m_dlg->m_addressBook.GetSize(), 0);
    QVERIFY(!QFile::exists(BookPath(*m_env)));
}

void TestAddressBookFlow::failedSaveKeepsTheBookInMemory() {
    CAddressBook book;
    book.LoadAddressBook();
    book.AddAddress(CAddress(QStringLiteral("a"), QStringLiteral("1")));
    const QByteArray before = ReadWholeFile(BookPath(*m_env));
    QVERIFY(QFile::setPermissions(BookPath(*m_env), QFileDevice::ReadOwner));
    Open();
    m_dlg->m_mailingEdit->setPlainText(QStringLiteral("b text"));

    QString message;
    CModalScript script;
    script.Then<QMenu>([](QMenu* menu) { ClickItem(menu, QStringLiteral("&Add...")); });
    script.Then<CAddAddressDlg>([](CAddAddressDlg* dlg) {
        QTest::keyClicks(dlg->GetDlgItem(IDC_LABEL), QStringLiteral("b"));
        QTest::mouseClick(dlg->GetDlgItem(IDOK), Qt::LeftButton);
    });
    Qt::TextFormat format = Qt::AutoText;
    script.Then<QMessageBox>([&](QMessageBox* box) {
        message = box->text();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(m_dlg->GetDlgItem(IDC_MAILINGADDRESSLIST), Qt::LeftButton);
    QTRY_VERIFY(script.Done());

    QCOMPARE(message, QStringLiteral("Access to %1 was denied.").arg(BookPath(*m_env)));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(m_dlg->m_addressBook.GetSize(), 2);
    QVERIFY(m_dlg->m_mailingLabel.isEmpty());
    QCOMPARE(ReadWholeFile(BookPath(*m_env)), before);
    QFile::setPermissions(BookPath(*m_env), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void TestAddressBookFlow::menuSitsAtTheButtonsTopRightCorner() {
    Open();
    const QWidget* button = m_dlg->GetDlgItem(IDC_RETURNADDRESSLIST);
    QPoint at;
    CModalScript script;
    script.Then<QMenu>([&](QMenu* menu) {
        at = menu->pos();
        menu->close();
    });
    QTest::mouseClick(const_cast<QWidget*>(button), Qt::LeftButton);
    QTRY_VERIFY(script.Done());
    const QPoint expected = button->mapToGlobal(QPoint(button->width(), 0));
    // The platform may move a menu to keep it on screen; this one fits.
    QCOMPARE(at, expected);
}

QTEST_MAIN(TestAddressBookFlow)
#include "tst_addressbookflow.moc"
