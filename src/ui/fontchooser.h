#pragma once

#include "print/logfont.h"

class QWidget;

// Shows the font dialog on the description (face, style, size and script
// only). On OK the description is replaced and true is returned.
bool ChooseAddressFont(QWidget* owner, LOGFONTW& description);
