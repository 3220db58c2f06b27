#include "ui/multilineedit.h"

#include <QKeyEvent>
#include <QTextDocument>

CMultiLineEdit::CMultiLineEdit(bool wantReturn, bool autoHScroll, QWidget* parent)
    : QPlainTextEdit(parent), m_wantReturn(wantReturn) {
    setLineWrapMode(autoHScroll ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A narrow margin, as the platform's edit boxes have, so that the text
    // sits where the printed block will start.
    document()->setDocumentMargin(2);
}

QString CMultiLineEdit::Text() const {
    // The raw text keeps every character as typed (toPlainText would turn
    // a no-break space into a space); blocks are separated by U+2029.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
}

void CMultiLineEdit::SetText(const QString& text) {
    // CR LF, a lone LF and a lone CR each start a new line.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(lines);
}

void CMultiLineEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        // Escape ends the dialog, even from inside the box.
        event->ignore();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_wantReturn && !(event->modifiers() & Qt::ControlModifier)) {
            event->ignore();
            return;
        }
        break;
    default:
        break;
    }
    QPlainTextEdit::keyPressEvent(event);
}
