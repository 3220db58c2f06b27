#pragma once

#include <QMessageBox>

class QString;
class QWidget;

// The boxes of our own commands and dialogs follow one rule; those the
// window had from the start keep their own captions and icons. The caption
// is the name of the command or dialog the box belongs to, the program's
// name when it belongs to none. The icon says how it went: Information when
// done as asked, Warning when done but something was left out or refused,
// Critical when it failed, Question when asking.

// Shows a modal message box with an OK button. The text is shown exactly as
// it is, never as markup: it may hold a label, an address or a path.
// Details, when there are any, are behind the box's Show Details.
void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                    const QString& text, const QString& details = QString());

// Asks before going on: a modal box with the icon, the text shown exactly as
// it is, details as for ShowMessageBox, a button that goes on and Cancel,
// which Escape presses. True when the user chose to go on.
bool AskMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                   const QString& text, const QString& goOn, const QString& details = QString());

// Asks as AskMessageBox does, with a second way on beside goOn, such as
// looking at the envelope first.
enum class MessageBoxChoice { GoOn, Alternative, Cancel };
MessageBoxChoice ChooseMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                  const QString& text, const QString& goOn,
                                  const QString& alternative, const QString& details = QString());
