#pragma once

#include <QByteArray>
#include <QFont>

#include <cstdint>
#include <optional>

class QPaintDevice;

// The platform's font description, byte for byte as it is stored: 92 bytes,
// little-endian, face name of 32 UTF-16 units. lfHeight is in screen pixels:
// negative for the character (em) height, positive for the cell height.
struct LOGFONTW {
    static constexpr int kSize = 92;
    static constexpr int kFaceSize = 32;

    int32_t lfHeight = 0;
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    char16_t lfFaceName[kFaceSize] = {};

    QString FaceName() const;
    void SetFaceName(const QString& face);

    QByteArray ToBytes() const;
    // Only a block of exactly 92 bytes is a description.
    static std::optional<LOGFONTW> FromBytes(const QByteArray& bytes);

    friend bool operator==(const LOGFONTW&, const LOGFONTW&) = default;
};

// The stock variable-pitch font: height 12, weight 400, ANSI charset, pitch
// and family 0x22, face "MS Sans Serif".
LOGFONTW StockVariableFontDescription();

// The font a description stands for on this screen.
QFont FontFromLogFont(const LOGFONTW& description);
// The same on another device, such as a printer: the height counts that
// device's pixels.
QFont FontFromLogFont(const LOGFONTW& description, const QPaintDevice* device);
// The description of a font, its height in pixels of a screen of dpiY.
LOGFONTW LogFontFromFont(const QFont& font, int dpiY);

class CSettingsStore;

// A stored font description; the stock font when the value is missing or is
// not exactly one description long.
LOGFONTW ReadLogFontValue(const CSettingsStore& settings, const QString& name);
