#include "ui/messagebox.h"

#include "ui/logging.h"

#include <QPushButton>

void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                    const QString& text, const QString& details) {
    QMessageBox box(icon, caption, QString(), QMessageBox::Ok, owner);
    // Left to itself the box guesses from the text whether it is markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    // Shown as plain text whatever it holds.
    box.setDetailedText(details);
    // What the user was told, for a bug report.
    qCInfo(LogUi) << "message:" << caption << text;
    box.exec();
}

bool AskMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                   const QString& text, const QString& goOn, const QString& details) {
    return ChooseMessageBox(owner, icon, caption, text, goOn, QString(), details) ==
           MessageBoxChoice::GoOn;
}

MessageBoxChoice ChooseMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                  const QString& text, const QString& goOn,
                                  const QString& alternative, const QString& details) {
    QMessageBox box(icon, caption, QString(), QMessageBox::Cancel, owner);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setDetailedText(details);
    QPushButton* button = box.addButton(goOn, QMessageBox::AcceptRole);
    QPushButton* other =
        alternative.isEmpty() ? nullptr : box.addButton(alternative, QMessageBox::ActionRole);
    box.setDefaultButton(button);
    qCInfo(LogUi) << "question:" << caption << text;
    box.exec();
    if (box.clickedButton() == button)
        return MessageBoxChoice::GoOn;
    return other && box.clickedButton() == other ? MessageBoxChoice::Alternative
                                                 : MessageBoxChoice::Cancel;
}
