#pragma once

#include "templates/dialogtemplate.h"

#include <QDialog>
#include <QList>
#include <QMargins>
#include <QSize>

class QKeyEvent;
class QWindow;

// A modal dialog built from one of the program's dialog templates. It
// carries the life of a dialog window: OnInitDialog before it first shows,
// OnDestroy exactly once when it ends however that happens, data exchange,
// the keyboard's Enter and Escape, F1 for help, and its placement.
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    explicit CTemplateDialog(int templateId, QWidget* parent = nullptr);
    ~CTemplateDialog() override;

    // Runs the dialog modally; IDOK when it ended through OnOK, IDCANCEL
    // otherwise.
    int DoModal();

    // The control with that id, or nullptr.
    QWidget* GetDlgItem(int id) const;
    template <class T> T* GetDlgItem(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }

    const DialogTemplate& Template() const { return *m_template; }
    // Whether the window is up: from OnInitDialog to OnDestroy.

    // Exchanges data between the members and the controls: towards the
    // members when saveAndValidate is true.
    virtual void DoDataExchange(bool saveAndValidate);
    bool UpdateData(bool saveAndValidate = true);

    void setVisible(bool visible) override;

protected:
    // Runs once the controls exist, before the window first shows; the
    // default exchanges towards the controls.
    virtual void OnInitDialog();
    // Runs while the controls still exist, as the window ends.
    virtual void OnDestroy();
    // Enter with no default button, and the IDOK button: exchange towards
    // the members, then end with IDOK.
    virtual void OnOK();

    // Ends the window's life if it is still up; a derived destructor calls
    // it so that OnDestroy runs as its own.
    void DestroyWindow();

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PressEnter();
    void CenterWindow();
    // The window frame's margins as far as they are known; none before the
    // window manager has framed the window.
    static QMargins FrameMargins(const QWindow* window);

    const DialogTemplate* m_template = nullptr;
    QList<QWidget*> m_controls;
    bool m_windowCreated = false;
    bool m_endedWithOk = false;
    // Placed before the window manager framed it: placed again once the
    // frame's size is known.
    bool m_centerWhenFramed = false;
};
