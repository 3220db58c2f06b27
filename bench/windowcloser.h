#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

#include <functional>

// Ends a program's modal main window once it has been shown and painted,
// the way a user would close it, and optionally presses one of its buttons
// first. Used alike by the program's driver and by the bare baselines, so
// both sides of a whole-process figure stop at the same point.
//
// Any other modal window that shows up meanwhile (a message box, say) is an
// error: it is closed, reported on stderr and turned into a non-zero exit
// code.
class CWindowCloser : public QObject {
    Q_OBJECT
public:
    // buttonName: objectName of a button to click before closing; empty
    // for none.
    explicit CWindowCloser(QString buttonName = QString());
    ~CWindowCloser() override;

    // Called, when set, after the button was clicked and before the window
    // closes; the baselines do their own work here.
    void SetShownAction(std::function<void(QWidget*)> action) { m_shownAction = std::move(action); }

    int ExitCode() const { return m_exitCode; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Handle(const QPointer<QWidget>& window);
    void Fail(int code, const QString& message);

    QString m_buttonName;
    std::function<void(QWidget*)> m_shownAction;
    QPointer<QWidget> m_mainWindow;
    QSet<QWidget*> m_seen;
    int m_exitCode = 0;
};
