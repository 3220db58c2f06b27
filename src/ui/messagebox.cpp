#include "ui/messagebox.h"

#include "ui/logging.h"

void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                    const QString& text) {
    QMessageBox box(icon, caption, QString(), QMessageBox::Ok, owner);
    // Left to itself the box guesses from the text whether it is markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    // What the user was told, for a bug report.
    qCInfo(LogUi) << "message:" << caption << text;
    box.exec();
}
