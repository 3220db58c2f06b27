#pragma once

#include "testenvironment.h"

#include <QKeyCombination>
#include <QMenu>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <functional>

// Answers the menus and modal windows that a command opens, in order: each
// step waits until the active pop-up or modal window is of its kind, then
// acts on it. A window that a step opens itself needs a script of its own:
// a timer does not fire again while its own handler runs. When the test has
// failed, whatever is still open is closed so that the test can end.
class CModalScript : public QObject {
public:
    CModalScript();
    template <class W> CModalScript& Then(std::function<void(W*)> act) {
        m_steps.push_back({&W::staticMetaObject, [act](QWidget* w) { act(static_cast<W*>(w)); }});
        return *this;
    }
    // Chooses the item of that text in the next menu.
    CModalScript& Choose(const QString& item);
    // Gives the next file dialog a path, as a user who opened the file's
    // folder and typed its name, and accepts it; the test fails at once when
    // the dialog does not take it.
    CModalScript& ChooseFile(const QString& path);
    // ChooseFile in an import's file dialog, with that address choice.
    CModalScript& ChooseFile(const QString& path, const QString& address);
    // Notes the next menu's items ("--" for a separator) and closes it.
    CModalScript& NoteMenu(QStringList& items);
    // Notes a message box's text, caption, icon and any details, then
    // presses OK; the text must be plain, never markup.
    CModalScript& NoteMessage(QStringList& seen);
    bool Done() const { return m_steps.empty(); }
    // Drops the steps that did not run, when not running them was the point.
    void Clear() { m_steps.clear(); }

private:
    void Poll();
    QTimer m_timer;
    std::deque<std::pair<const QMetaObject*, std::function<void(QWidget*)>>> m_steps;
};

QStringList MenuTexts(const QMenu* menu);

// A window's child of that kind and object name, as a user finds a control
// by what it is; a test that asks for one the window does not have stops.
template <class W> W* Named(const QObject* window, const QString& name) {
    W* child = window->findChild<W*>(name);
    if (!child)
        qFatal("%s has no %s named %s", window->metaObject()->className(),
               W::staticMetaObject.className(), qPrintable(name));
    return child;
}

// Presses a key that a window's shortcut takes (F1, Alt+Space, a mnemonic,
// Find). Shortcuts answer only in the active window, and the window under a
// menu or dialog that has just closed is active again only once the window
// system says so: this waits for that, never for a time.
void PressShortcut(QWidget* target, const QKeyCombination& keys);

// Takes what the program asks the desktop to open, for one URL scheme, for
// as long as it lives.
class CUrlRecorder : public QObject {
    Q_OBJECT
public:
    explicit CUrlRecorder(const QString& scheme);
    ~CUrlRecorder() override;
    QList<QUrl> m_urls;
public Q_SLOTS:
    void Open(const QUrl& url) { m_urls.append(url); }

private:
    QString m_scheme;
};
