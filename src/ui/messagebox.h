#pragma once

#include <QMessageBox>

class QString;
class QWidget;

// Shows a modal message box with an OK button. The text is shown exactly as
// it is, never as markup: it may hold a label, an address or a path.
void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                    const QString& text);
