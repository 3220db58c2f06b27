#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, drawn as SVG and rendered when asked for, so they
// stay sharp on screens of any scale factor.
//
// Bitmaps: 130 the postage stamp (70 x 78); the button faces, 32 x 32 each:
// 140-142 address book (normal, pressed, hover), 144-146 printer (pressed,
// hover, normal), 147-149 gear wheels (normal, pressed, hover).
// Icons: 128 the application icon.

// Renders bitmap `id` at its own size for a screen of the given scale factor
// (the returned pixmap carries that device pixel ratio). A null pixmap when
// the program has no bitmap of that id.
QPixmap LoadBitmapResource(int id, qreal devicePixelRatio);
// The same for the highest scale factor among the screens.
QPixmap LoadBitmapResource(int id);

// Icon `id` at 16, 32 and 48 pixels (and twice those for high-density
// screens). A null icon when the program has no icon of that id.
QIcon LoadIconResource(int id);
