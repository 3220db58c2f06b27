#pragma once

#include "logfont.h"

#include <QFont>

class QPaintDevice;
class QWidget;

// The font a description stands for on this screen.
QFont FontFromLogFont(const LOGFONTW& description);
// The same on another device, such as a printer: the height counts that
// device's pixels.
QFont FontFromLogFont(const LOGFONTW& description, const QPaintDevice* device);
// The description of a font, its height in pixels of a screen of dpiY.
LOGFONTW LogFontFromFont(const QFont& font, int dpiY);

// Shows the font dialog on the description (face, style, size and script
// only). On OK the description is replaced and true is returned.
bool ChooseAddressFont(QWidget* owner, LOGFONTW& description);
