#include "modalscript.h"

#include <QtTest>
#include <QtWidgets>

#include <QDesktopServices>
#include <QFileInfo>

CModalScript::CModalScript() {
    connect(&m_timer, &QTimer::timeout, this, &CModalScript::Poll);
    m_timer.start(10);
}

CModalScript& CModalScript::Choose(const QString& item) {
    return Then<QMenu>([item](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (action->text() == item) {
                menu->setActiveAction(action);
                return QTest::keyClick(menu, Qt::Key_Return);
            }
        }
        QFAIL(qPrintable(QStringLiteral("no menu item ") + item)); // closed as the test failed
    });
}

CModalScript& CModalScript::ChooseFile(const QString& path) {
    return Then<QFileDialog>([path](QFileDialog* dialog) {
        // selectFile() leaves the name box as it is while the box has the
        // keyboard focus, and typing races the completer, whose file system
        // model fills in on a thread of its own; setting the folder and the
        // name box depends on neither.
        const QFileInfo file(path);
        dialog->setDirectory(file.absolutePath());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(file.fileName());
        // A save dialog may add its default suffix.
        const QStringList chosen = dialog->selectedFiles();
        QVERIFY2(chosen.size() == 1 && chosen.front().startsWith(file.absoluteFilePath()),
                 qPrintable(chosen.join(u' ')));
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(buttons && !buttons->buttons().isEmpty());
        QAbstractButton* accept = buttons->buttons().front();
        QCOMPARE(buttons->buttonRole(accept), QDialogButtonBox::AcceptRole);
        accept->click();
        QVERIFY2(!dialog->isVisible(), "the file dialog did not take the file");
    });
}

CModalScript& CModalScript::ChooseFile(const QString& path, const QString& address) {
    Then<QFileDialog>([address](QFileDialog* dialog) {
        auto* choice = dialog->findChild<QComboBox*>(QStringLiteral("addressChoice"));
        QVERIFY(choice && choice->findText(address) >= 0);
        choice->setCurrentIndex(choice->findText(address));
    });
    return ChooseFile(path);
}

CModalScript& CModalScript::NoteMenu(QStringList& items) {
    return Then<QMenu>([&items](QMenu* menu) {
        items = MenuTexts(menu);
        menu->close();
    });
}

CModalScript& CModalScript::NoteMessage(QStringList& seen) {
    return Then<QMessageBox>([&seen](QMessageBox* box) {
        // Labels, addresses and paths are shown as they are, never as markup.
        QCOMPARE(box->textFormat(), Qt::PlainText);
        seen = {box->text(), box->windowTitle(), QString::number(box->icon())};
        if (!box->detailedText().isEmpty())
            seen << box->detailedText();
        box->button(QMessageBox::Ok)->click();
    });
}

void CModalScript::Poll() {
    QWidget* active = QApplication::activePopupWidget();
    active = active ? active : QApplication::activeModalWidget();
    if (QTest::currentTestFailed()) {
        m_steps.clear();
        if (auto* dialog = qobject_cast<QDialog*>(active))
            dialog->reject();
        else if (active)
            active->close();
    } else if (!m_steps.empty() && active && active->isVisible() &&
               active->metaObject()->inherits(m_steps.front().first)) {
        const auto act = std::move(m_steps.front().second);
        m_steps.pop_front();
        act(active);
    }
}

QStringList MenuTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("--") : action->text());
    return texts;
}

void PressShortcut(QWidget* target, const QKeyCombination& keys) {
    QWidget* window = target->window();
    // On a loaded machine the offscreen platform may deliver a menu's
    // activation after the menu has closed, and then nothing gives it back
    // to the window under it, as a window manager would. A user would click
    // into the window; the test asks for it instead. What shortcuts go by is
    // the widgets' active window, not the window system's focus.
    if (!window->isActiveWindow())
        window->activateWindow();
    QVERIFY2(QTest::qWaitFor([window] { return window->isActiveWindow(); }, kWaitMs),
             "the window never became active for its shortcut");
    QTest::keyClick(target, keys.key(), keys.keyboardModifiers());
}

CUrlRecorder::CUrlRecorder(const QString& scheme) : m_scheme(scheme) {
    QDesktopServices::setUrlHandler(scheme, this, "Open");
}

CUrlRecorder::~CUrlRecorder() {
    QDesktopServices::unsetUrlHandler(m_scheme);
}
