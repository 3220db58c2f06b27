#pragma once

#include "templates/dialogunits.h"

#include <QList>

class QComboBox;
class QDialog;
class QWidget;

// Creates the template's controls as children of the dialog at their
// places, gives the dialog its caption, font, window frame and fixed client
// size, and returns the controls in template order. Each control's object
// name is its id.
QList<QWidget*> BuildDialogFromTemplate(QDialog& dialog, const DialogTemplate& dialogTemplate);

// The text of a control as the program exchanges it: CR LF between the lines
// of a multi-line box.
QString GetControlText(const QWidget* control);
void SetControlText(QWidget* control, const QString& text);

// Adds an item to a combo box, at its sorted place when the template asked
// for CBS_SORT; returns the item's index.
int AddComboString(QComboBox* combo, const QString& text);
// The selected item's index, or -1 when nothing is selected or the edit
// field holds anything but the selected item's text.
int GetComboSelection(const QComboBox* combo);
// Selects an item; an index outside the list clears the selection and the
// edit field.
void SetComboSelection(QComboBox* combo, int index);
