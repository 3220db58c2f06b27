#pragma once

#include <QMessageBox>

class QString;
class QWidget;

// Shows a modal message box with an OK button. The text is shown exactly as
// it is, never as markup: it may hold a label, an address or a path.
void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                    const QString& text);

// Asks before going on: a modal box with the icon, the text shown exactly as
// it is, a button that goes on and Cancel, which Escape presses. True when
// the user chose to go on.
bool AskMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                   const QString& text, const QString& goOn);
