#pragma once

#include "templates/dialogtemplate.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

// Dialog units to pixels, as the platform converts them for a dialog built
// from a template. The window builds its dialogs with these, and printing
// uses them to know where the main dialog puts its boxes without showing it.

// a * b / c in 64 bits, rounded to the nearest integer with halves away from
// zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

QString TemplateText(std::u16string_view text);

// The template's font at a screen of dpiY dots per inch: the character
// height is the point size converted to pixels.
QFont DialogTemplateFont(const DialogTemplate& dialogTemplate, int dpiY);
// The dialog base units of a font: width from the advance of the 52 letters
// A-Z a-z, height the font height.
QSize DialogBaseUnits(const QFont& font);
// Each of x, y, width and height of a dialog-unit rectangle in pixels.
QRect MapDialogRect(const QRect& dialogUnits, const QSize& baseUnits);

// The client area and a control's place, in pixels for those base units.
QSize DialogClientSize(const DialogTemplate& dialogTemplate, const QSize& baseUnits);
QRect DialogItemRect(const DialogItemTemplate& item, const QSize& baseUnits);
// The template's control with that id, or nullptr.
const DialogItemTemplate* FindDialogItem(const DialogTemplate& dialogTemplate, int id);
