#include "windowcloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {
// A run that hangs is stopped rather than timed.
constexpr int kWatchdogMs = 60000;
} // namespace

CWindowCloser::CWindowCloser(QString buttonName) : m_buttonName(std::move(buttonName)) {
    qApp->installEventFilter(this);
    QTimer::singleShot(kWatchdogMs, this, [] {
        std::fputs("bench: the window was not closed in time\n", stderr);
        std::_Exit(4);
    });
}

CWindowCloser::~CWindowCloser() {
    if (qApp)
        qApp->removeEventFilter(this);
}

bool CWindowCloser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Paint || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (!widget->isWindow() || m_seen.contains(widget))
        return false;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != widget)
        return false;
    if (!modal &&
        (m_mainWindow || widget->windowType() == Qt::ToolTip || widget->windowType() == Qt::Popup))
        return false;
    m_seen.insert(widget);
    // The window paints itself and its children in this one pass; a zero
    // timer runs once the pass is over, with everything on screen.
    QTimer::singleShot(0, this, [this, window = QPointer<QWidget>(widget)] { Handle(window); });
    return false;
}

void CWindowCloser::Handle(const QPointer<QWidget>& window) {
    if (!window)
        return;
    if (m_mainWindow && window != m_mainWindow) {
        QString text = window->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(window.data()))
            text += QStringLiteral(": ") + box->text();
        Fail(3, QStringLiteral("unexpected window ") + text);
        if (auto* dialog = qobject_cast<QDialog*>(window.data()))
            dialog->reject();
        else
            window->close();
        return;
    }
    m_mainWindow = window;
    if (!m_buttonName.isEmpty()) {
        auto* button = window->findChild<QAbstractButton*>(m_buttonName);
        if (!button)
            Fail(2, QStringLiteral("no button named ") + m_buttonName);
        else
            button->click();
    }
    if (m_shownAction && window)
        m_shownAction(window);
    // For a look at what both sides of a figure put on screen.
    const QString grab = qEnvironmentVariable("PELVARO_BENCH_GRAB");
    if (!grab.isEmpty() && window)
        window->grab().save(grab);
    if (window)
        window->close();
}

void CWindowCloser::Fail(int code, const QString& message) {
    std::fprintf(stderr, "bench: %s\n", qPrintable(message));
    if (m_exitCode == 0)
        m_exitCode = code;
}
