#pragma once

#include <QPlainTextEdit>

// A multi-line edit box as the dialog templates describe it: plain text, no
// scroll bars, Tab moves the focus, and the text exchanged with its owner has
// CR LF between lines, with nothing after the last one.
class CMultiLineEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    // wantReturn: Enter starts a new line; otherwise it goes to the dialog.
    // autoHScroll: long lines run on; otherwise they wrap at the box's edge.
    explicit CMultiLineEdit(bool wantReturn, bool autoHScroll, QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_wantReturn = true;
};
