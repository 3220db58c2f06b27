#pragma once

#include "envelopelayout.h"

// Where the main dialog puts its boxes on a screen of screenDpiY, worked out
// from its template as the window lays it out: what a print job needs of
// the window when no window is shown.
DialogGeometry MainDialogGeometry(int screenDpiY);
