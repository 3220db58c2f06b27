#include "ui/messagebox.h"

void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                    const QString& text) {
    QMessageBox box(icon, caption, QString(), QMessageBox::Ok, owner);
    // Left to itself the box guesses from the text whether it is markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.exec();
}
