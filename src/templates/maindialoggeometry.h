#pragma once

#include <QPoint>
#include <QSize>

#include <cstdint>

// Where the address boxes sit in the main dialog, in screen pixels.
struct DialogGeometry {
    QSize clientSize;        // CW, CH
    QPoint returnBoxTopLeft; // L, T relative to the client area
    QPoint mailingBoxTopLeft;
    int32_t screenDpiY = 96; // SY
};

// Where the main dialog puts its boxes on a screen of screenDpiY, worked out
// from its template as the window lays it out: what a print job needs of
// the window when no window is shown.
DialogGeometry MainDialogGeometry(int screenDpiY);
