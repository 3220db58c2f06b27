#pragma once

#include "print/devmode.h"
#include "print/devnames.h"

// Blocks as the printer setup would store them: the PDF writer writing to
// a file, and a landscape sheet of a paper code at a resolution.
inline QByteArray PdfNames(const QString& output) {
    return DEVNAMES{QStringLiteral("pdf"), QStringLiteral("pdf"), output}.ToBytes();
}
inline QByteArray LandscapeSettings(int paper, int dpi) {
    DEVMODEW mode;
    mode.dmFields = DEVMODEW::DM_PAPERSIZE | DEVMODEW::DM_ORIENTATION | DEVMODEW::DM_PRINTQUALITY;
    mode.dmPaperSize = static_cast<int16_t>(paper);
    mode.dmOrientation = DEVMODEW::DMORIENT_LANDSCAPE;
    mode.dmPrintQuality = static_cast<int16_t>(dpi);
    return mode.ToBytes();
}
