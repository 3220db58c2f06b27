#include "logfont.h"

#include <QtEndian>

#include <cstring>

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
        qToLittleEndian<quint16>(lfFaceName[i], p + 28 + 2 * i);
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
        font.lfFaceName[i] = qFromLittleEndian<quint16>(p + 28 + 2 * i);
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
