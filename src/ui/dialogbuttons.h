#pragma once

class QDialog;
class QDialogButtonBox;
class QString;

// The keys of a dialog's row of buttons.

// Tab goes through the buttons in the order they are shown. A button box
// takes the focus at the first button it shows, while Tab goes on from
// there in the order the buttons were added: the buttons added before that
// one were never reached. Called once the box is in its dialog with all its
// buttons, as moving it into the dialog keeps the order they were added in.
void TabInShownOrder(QDialogButtonBox& buttons);

// The row's Help button, and F1 wherever the focus is in the dialog, open
// the dialog's page of the help.
void ConnectHelp(QDialog& dialog, QDialogButtonBox& buttons, const QString& page);
