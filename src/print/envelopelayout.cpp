#include "print/envelopelayout.h"

#include "print/envelopesizes.h"

#include <cmath>
#include <limits>

int32_t MulDiv32(int32_t a, int32_t b, int32_t c) {
    // Wrap-around of the product is what the arithmetic has always done; it
    // only happens for absurd window sizes.
    const auto product = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(a) * b));
    if (c == 0)
        return 0;
    if (c == -1)
        return static_cast<int32_t>(0u - static_cast<uint32_t>(product));
    return product / c;
}

int32_t Trunc32(double value) {
    const double t = std::trunc(value);
    if (!(t >= std::numeric_limits<int32_t>::min() && t <= std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(t);
}

EnvelopeLayout ComputeEnvelopeLayout(const PrinterMetrics& printer, const DialogGeometry& dialog,
                                     int envelopeIndex, int32_t returnLfHeight,
                                     int32_t mailingLfHeight, bool pageIsEnvelope) {
    const int32_t W = printer.width;
    const int32_t H = printer.height;
    const int32_t OX = printer.offsetX;
    const int32_t OY = printer.offsetY;
    const int32_t D = printer.dpiX;
    const int32_t PY = printer.dpiY;
    const int32_t CW = dialog.clientSize.width();
    const int32_t CH = dialog.clientSize.height();
    const EnvelopeSize& envelope = EnvelopeSizeRow(envelopeIndex);
    const double EW = envelope.width;
    const double EH = envelope.height;

    EnvelopeLayout layout;

    // The return block keeps its place relative to the whole page.
    int32_t x = MulDiv32(dialog.returnBoxTopLeft.x(), W, CW);
    int32_t y = MulDiv32(dialog.returnBoxTopLeft.y(), H, CH);

    // On a sheet of 8 inches or more the envelope is taken to lie at the
    // sheet's right edge, centred vertically.
    const int32_t inches = D != 0 ? H / D : 0;
    layout.largeSheet = inches >= 8 && !pageIsEnvelope;
    const int32_t areaLeft = Trunc32(W - D * EW);
    const int32_t areaTop = Trunc32((H - D * EH) * 0.5);
    if (layout.largeSheet) {
        x += areaLeft;
        y += areaTop;
    }
    if (x <= OX)
        x = OX;
    if (y <= OY)
        y = OY;
    layout.returnRect = {x, y, W - OX, H - OY};

    const int32_t L = dialog.mailingBoxTopLeft.x();
    const int32_t T = dialog.mailingBoxTopLeft.y();
    int32_t x2 = 0;
    int32_t y2 = 0;
    if (!layout.largeSheet) {
        x2 = MulDiv32(L, W, CW);
        y2 = MulDiv32(T, H, CH);
    } else {
        // Scaled by the envelope rather than the sheet.
        x2 = areaLeft + (CW != 0 ? Trunc32(EW * L * D / CW) : 0);
        y2 = (CH != 0 ? Trunc32(EH * T * D / CH) : 0) + areaTop;
    }
    layout.mailingRect = {x2, y2, W - OX, H - OY};

    // Fonts keep their size in points on paper.
    layout.returnFontHeight = MulDiv32(PY, returnLfHeight, dialog.screenDpiY);
    layout.mailingFontHeight = MulDiv32(PY, mailingLfHeight, dialog.screenDpiY);
    return layout;
}
