#include "print/logfont.h"

#include "settings/settingsstore.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

// Heights beyond this are nonsense in a stored description; they are held
// here rather than handed to the font engine.
constexpr int kMaximumPixelSize = 16384;

constexpr uint8_t kFixedPitch = 0x01;
constexpr uint8_t kVariablePitch = 0x02;
constexpr uint8_t kDefaultCharSet = 1;

int CellHeight(QFont font, int pixelSize, const QPaintDevice* device) {
    font.setPixelSize(pixelSize);
    return device ? QFontMetrics(font, device).height() : QFontMetrics(font).height();
}

// The largest character height whose cell (ascent plus descent) is no
// taller than the given one.
int PixelSizeForCellHeight(const QFont& font, int cellHeight, const QPaintDevice* device) {
    int low = 1;
    int high = qMin(cellHeight, kMaximumPixelSize);
    while (low < high) {
        const int middle = low + (high - low + 1) / 2;
        if (CellHeight(font, middle, device) <= cellHeight)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

QFont::StyleHint StyleHintFor(uint8_t pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case 0x10:
        return QFont::Serif;
    case 0x20:
        return QFont::SansSerif;
    case 0x30:
        return QFont::TypeWriter;
    case 0x40:
        return QFont::Cursive;
    case 0x50:
        return QFont::Decorative;
    default:
        return QFont::AnyStyle;
    }
}

uint8_t FamilyFor(QFont::StyleHint hint) {
    switch (hint) {
    case QFont::Serif:
        return 0x10;
    case QFont::SansSerif:
        return 0x20;
    case QFont::TypeWriter:
        return 0x30;
    case QFont::Cursive:
        return 0x40;
    case QFont::Decorative:
        return 0x50;
    default:
        return 0;
    }
}

} // namespace

QString LOGFONTW::FaceName() const {
    qsizetype length = 0;
    while (length < kFaceSize && lfFaceName[length] != 0)
        ++length;
    return QString(reinterpret_cast<const QChar*>(lfFaceName), length);
}

void LOGFONTW::SetFaceName(const QString& face) {
    std::memset(lfFaceName, 0, sizeof lfFaceName);
    // The last unit stays the terminator.
    const qsizetype length = qMin<qsizetype>(face.size(), kFaceSize - 1);
    for (qsizetype i = 0; i < length; ++i)
        lfFaceName[i] = face[i].unicode();
}

QByteArray LOGFONTW::ToBytes() const {
    QByteArray bytes(kSize, '\0');
    char* p = bytes.data();
    qToLittleEndian<qint32>(lfHeight, p + 0);
    qToLittleEndian<qint32>(lfWidth, p + 4);
    qToLittleEndian<qint32>(lfEscapement, p + 8);
    qToLittleEndian<qint32>(lfOrientation, p + 12);
    qToLittleEndian<qint32>(lfWeight, p + 16);
    const uint8_t flags[8] = {lfItalic,       lfUnderline,     lfStrikeOut, lfCharSet,
                              lfOutPrecision, lfClipPrecision, lfQuality,   lfPitchAndFamily};
    std::memcpy(p + 20, flags, 8);
    for (int i = 0; i < kFaceSize; ++i)
        qToLittleEndian<quint16>(lfFaceName[i], p + 28 + 2 * qsizetype(i));
    return bytes;
}

std::optional<LOGFONTW> LOGFONTW::FromBytes(const QByteArray& bytes) {
    if (bytes.size() != kSize)
        return std::nullopt;
    const char* p = bytes.constData();
    LOGFONTW font;
    font.lfHeight = qFromLittleEndian<qint32>(p + 0);
    font.lfWidth = qFromLittleEndian<qint32>(p + 4);
    font.lfEscapement = qFromLittleEndian<qint32>(p + 8);
    font.lfOrientation = qFromLittleEndian<qint32>(p + 12);
    font.lfWeight = qFromLittleEndian<qint32>(p + 16);
    font.lfItalic = static_cast<uint8_t>(p[20]);
    font.lfUnderline = static_cast<uint8_t>(p[21]);
    font.lfStrikeOut = static_cast<uint8_t>(p[22]);
    font.lfCharSet = static_cast<uint8_t>(p[23]);
    font.lfOutPrecision = static_cast<uint8_t>(p[24]);
    font.lfClipPrecision = static_cast<uint8_t>(p[25]);
    font.lfQuality = static_cast<uint8_t>(p[26]);
    font.lfPitchAndFamily = static_cast<uint8_t>(p[27]);
    for (int i = 0; i < kFaceSize; ++i)
        font.lfFaceName[i] = qFromLittleEndian<quint16>(p + 28 + 2 * qsizetype(i));
    return font;
}

LOGFONTW StockVariableFontDescription() {
    LOGFONTW font;
    font.lfHeight = 12;
    font.lfWeight = 400;
    font.lfCharSet = 0; // ANSI_CHARSET
    font.lfPitchAndFamily = 0x22;
    font.SetFaceName(QStringLiteral("MS Sans Serif"));
    return font;
}

QFont FontFromLogFont(const LOGFONTW& description, const QPaintDevice* device) {
    QFont font;
    font.setFamily(description.FaceName());
    font.setStyleHint(StyleHintFor(description.lfPitchAndFamily));
    if (description.lfWeight > 0)
        font.setWeight(static_cast<QFont::Weight>(qBound(1, description.lfWeight, 1000)));
    else
        font.setWeight(QFont::Normal);
    font.setItalic(description.lfItalic != 0);
    font.setUnderline(description.lfUnderline != 0);
    font.setStrikeOut(description.lfStrikeOut != 0);
    font.setFixedPitch((description.lfPitchAndFamily & 0x03) == kFixedPitch);

    const int64_t height = description.lfHeight;
    if (height < 0)
        font.setPixelSize(static_cast<int>(qMin<int64_t>(-height, kMaximumPixelSize)));
    else if (height > 0)
        font.setPixelSize(PixelSizeForCellHeight(font, static_cast<int>(height), device));
    // A height of 0 asks for the default size, which the font already has.

    if (description.lfWidth > 0) {
        // The width is the average character width; stretch the font to it.
        const int natural = device ? QFontMetrics(font, device).averageCharWidth()
                                   : QFontMetrics(font).averageCharWidth();
        if (natural > 0) {
            const double stretch = 100.0 * description.lfWidth / natural;
            font.setStretch(qBound(1, static_cast<int>(std::lround(stretch)), 4000));
        }
    }
    return font;
}

QFont FontFromLogFont(const LOGFONTW& description) {
    return FontFromLogFont(description, nullptr);
}

LOGFONTW LogFontFromFont(const QFont& font, int dpiY) {
    LOGFONTW description;
    if (font.pointSizeF() > 0)
        description.lfHeight = -static_cast<int32_t>(std::lround(font.pointSizeF() * dpiY / 72.0));
    else if (font.pixelSize() > 0)
        description.lfHeight = -font.pixelSize();
    description.lfWeight = font.weight();
    description.lfItalic = font.italic() ? 1 : 0;
    description.lfUnderline = font.underline() ? 1 : 0;
    description.lfStrikeOut = font.strikeOut() ? 1 : 0;
    description.lfCharSet = kDefaultCharSet;
    const bool fixed = QFontInfo(font).fixedPitch();
    description.lfPitchAndFamily =
        static_cast<uint8_t>((fixed ? kFixedPitch : kVariablePitch) | FamilyFor(font.styleHint()));
    description.SetFaceName(font.family());
    return description;
}

LOGFONTW ReadLogFontValue(const CSettingsStore& settings, const QString& name) {
    if (const auto bytes = settings.ReadFixedBinaryValue(name, LOGFONTW::kSize)) {
        if (const auto font = LOGFONTW::FromBytes(*bytes))
            return *font;
    }
    return StockVariableFontDescription();
}
