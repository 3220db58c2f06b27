#pragma once

#include "templates/maindialoggeometry.h"

#include <QPoint>
#include <QSize>

#include <cstdint>

// What the printer reports about the page, in printer pixels.
struct PrinterMetrics {
    int32_t width = 0;   // W: the whole sheet
    int32_t height = 0;  // H
    int32_t offsetX = 0; // OX: unprintable margin at the left
    int32_t offsetY = 0; // OY: unprintable margin at the top
    int32_t dpiX = 0;    // D: pixels per inch, used for both axes
    int32_t dpiY = 0;    // PY: pixels per inch, used only for font heights
};

// A rectangle given by its edges, as the drawing call takes it: right and
// bottom are the first pixels outside.
struct EdgeRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend bool operator==(const EdgeRect&, const EdgeRect&) = default;
};

struct EnvelopeLayout {
    EdgeRect returnRect;
    EdgeRect mailingRect;
    int32_t returnFontHeight = 0; // lfHeight for the printer
    int32_t mailingFontHeight = 0;
    bool largeSheet = false; // the page is at least 8 inches tall
};

// Places both blocks on the page. Positions are in the printer's own
// coordinates, whose origin is the corner of the printable area. The
// return block is held inside the physical offsets; the mailing block is not.
// pageIsEnvelope: the page is the envelope whatever its height, for an
// envelope of 8 inches or more fed as the page.
EnvelopeLayout ComputeEnvelopeLayout(const PrinterMetrics& printer, const DialogGeometry& dialog,
                                     int envelopeIndex, int32_t returnLfHeight,
                                     int32_t mailingLfHeight, bool pageIsEnvelope = false);

// a * b / c the way 32-bit integer code computes it: the product wraps
// around, the quotient is truncated toward zero. A zero divisor gives 0.
int32_t MulDiv32(int32_t a, int32_t b, int32_t c);
// A double truncated toward zero to 32 bits; out of range gives INT32_MIN,
// as the processor's conversion does.
int32_t Trunc32(double value);
