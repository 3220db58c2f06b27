#include "ui/templatedialog.h"

#include "platform/helpcommand.h"
#include "ui/dialogbuilder.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

#include <stdexcept>

namespace {
const DialogTemplate& RequireTemplate(int templateId) {
    const DialogTemplate* found = FindDialogTemplate(templateId);
    if (!found)
        throw std::invalid_argument("no dialog template with that id");
    return *found;
}
} // namespace

CTemplateDialog::CTemplateDialog(int templateId, QWidget* parent)
    : QDialog(parent), m_template(&RequireTemplate(templateId)) {
    m_controls = BuildDialogFromTemplate(*this, *m_template);

    // The ids the framework routes itself: IDOK to OnOK, IDCANCEL to the
    // cancelling end.
    if (auto* ok = GetDlgItem<QAbstractButton>(IDOK))
        connect(ok, &QAbstractButton::clicked, this, [this] { OnOK(); });
    if (auto* cancel = GetDlgItem<QAbstractButton>(IDCANCEL))
        connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);

    // F1 alone asks for help; with Shift, Ctrl or Alt it is another key.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { RunHelpCommand(); });
}

CTemplateDialog::~CTemplateDialog() = default;

int CTemplateDialog::DoModal() {
    m_endedWithOk = false;
    exec();
    return m_endedWithOk ? IDOK : IDCANCEL;
}

QWidget* CTemplateDialog::GetDlgItem(int id) const {
    for (qsizetype i = 0; i < m_controls.size(); ++i) {
        if (m_template->items[static_cast<size_t>(i)].id == id)
            return m_controls[i];
    }
    return nullptr;
}

void CTemplateDialog::DoDataExchange(bool) {}

bool CTemplateDialog::UpdateData(bool saveAndValidate) {
    DoDataExchange(saveAndValidate);
    return true;
}

void CTemplateDialog::setVisible(bool visible) {
    if (visible && !m_windowCreated) {
        m_windowCreated = true;
        OnInitDialog();
        CenterWindow();
        m_centerWhenFramed = FrameMargins(windowHandle()).isNull();
    } else if (!visible && m_windowCreated) {
        m_centerWhenFramed = false;
        // Every end passes here: done() hides the window, and so do the
        // close button, Alt+F4 and a plain hide().
        DestroyWindow();
    }
    QDialog::setVisible(visible);
}

void CTemplateDialog::OnInitDialog() {
    UpdateData(false);
}

void CTemplateDialog::OnDestroy() {}

void CTemplateDialog::OnOK() {
    UpdateData(true);
    m_endedWithOk = true;
    accept();
}

void CTemplateDialog::DestroyWindow() {
    if (!m_windowCreated)
        return;
    m_windowCreated = false;
    OnDestroy();
}

bool CTemplateDialog::event(QEvent* event) {
    // A window manager frames the window only once it is shown, so it was
    // placed without its frame; it is placed again as soon as the frame's
    // size is known, which Qt learns quietly, between any two events.
    if (m_centerWhenFramed && !FrameMargins(windowHandle()).isNull()) {
        m_centerWhenFramed = false;
        QMetaObject::invokeMethod(this, &CTemplateDialog::CenterWindow, Qt::QueuedConnection);
    }
    return QDialog::event(event);
}

void CTemplateDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !(event->modifiers() & Qt::AltModifier)) {
        event->accept();
        PressEnter();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Enter reaches the dialog when the focused control has no use for it: a
// focused push button takes it, else the template's default button, else
// the dialog ends as with OK. A disabled default button swallows it.
void CTemplateDialog::PressEnter() {
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget());
        focused && focused->isEnabled() && focused->isVisible()) {
        focused->click();
        return;
    }
    for (qsizetype i = 0; i < m_controls.size(); ++i) {
        const DialogItemTemplate& item = m_template->items[static_cast<size_t>(i)];
        if (item.controlClass != DialogControlClass::Button ||
            (item.style & DialogStyle::BS_TYPEMASK) != DialogStyle::BS_DEFPUSHBUTTON)
            continue;
        auto* button = qobject_cast<QAbstractButton*>(m_controls[i]);
        if (button && button->isEnabled() && button->isVisible())
            button->click();
        return;
    }
    OnOK();
}

// Over the owner when it is on screen, else in the middle of the work area;
// then moved as little as needed to lie within the work area. A template
// with DS_CENTER is always centred on the work area of the owner's screen.
void CTemplateDialog::CenterWindow() {
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const bool overOwner = owner && owner->isVisible() && !owner->isMinimized() &&
                           !(m_template->style & DialogStyle::DS_CENTER);
    QScreen* screen = owner ? owner->screen() : this->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect workArea = screen->availableGeometry();
    // The whole window with its frame is placed, as far as the frame is
    // known yet.
    create();
    const QMargins margins = FrameMargins(windowHandle());
    QRect frame(QPoint(0, 0), size().grownBy(margins));
    if (overOwner) {
        const QWindow* ownerWindow = owner->windowHandle();
        frame.moveCenter((ownerWindow
                              ? ownerWindow->geometry().marginsAdded(FrameMargins(ownerWindow))
                              : owner->frameGeometry())
                             .center());
    } else {
        frame.moveCenter(workArea.center());
    }
    if (frame.right() > workArea.right())
        frame.moveRight(workArea.right());
    if (frame.bottom() > workArea.bottom())
        frame.moveBottom(workArea.bottom());
    if (frame.left() < workArea.left())
        frame.moveLeft(workArea.left());
    if (frame.top() < workArea.top())
        frame.moveTop(workArea.top());
    setGeometry(QRect(frame.topLeft() + QPoint(margins.left(), margins.top()), size()));
}

QMargins CTemplateDialog::FrameMargins(const QWindow* window) {
    const QMargins margins = window ? window->frameMargins() : QMargins();
    // While the window manager builds the frame, its size can read as
    // nonsense for a moment.
    if (margins.left() < 0 || margins.top() < 0 || margins.right() < 0 || margins.bottom() < 0)
        return {};
    return margins;
}
