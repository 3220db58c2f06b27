#include "templates/dialogunits.h"

#include <QFontMetrics>

#include <cstdint>
#include <cstdlib>

int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const int64_t divisor = std::llabs(c);
    const int64_t magnitude = (std::llabs(product) + divisor / 2) / divisor;
    const bool negative = (product < 0) != (c < 0);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

QString TemplateText(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

QFont DialogTemplateFont(const DialogTemplate& dialogTemplate, int dpiY) {
    QFont font(TemplateText(dialogTemplate.fontFace));
    // The platform asks for a character height of the point size in
    // pixels, which is what a pixel size gives.
    font.setPixelSize(qMax(1, MulDiv(dialogTemplate.pointSize, dpiY, 72)));
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    // The platform measures the letters one after another, without
    // kerning.
    QFont measured = font;
    measured.setKerning(false);
    const QFontMetrics metrics(measured);
    const int advance = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((advance / 26 + 1) / 2, metrics.height());
}

QRect MapDialogRect(const QRect& dialogUnits, const QSize& baseUnits) {
    return QRect(MulDiv(dialogUnits.x(), baseUnits.width(), 4),
                 MulDiv(dialogUnits.y(), baseUnits.height(), 8),
                 MulDiv(dialogUnits.width(), baseUnits.width(), 4),
                 MulDiv(dialogUnits.height(), baseUnits.height(), 8));
}

QSize DialogClientSize(const DialogTemplate& dialogTemplate, const QSize& baseUnits) {
    return MapDialogRect(QRect(0, 0, dialogTemplate.cx, dialogTemplate.cy), baseUnits).size();
}

QRect DialogItemRect(const DialogItemTemplate& item, const QSize& baseUnits) {
    return MapDialogRect(QRect(item.x, item.y, item.cx, item.cy), baseUnits);
}

const DialogItemTemplate* FindDialogItem(const DialogTemplate& dialogTemplate, int id) {
    for (const DialogItemTemplate& item : dialogTemplate.items) {
        if (item.id == id)
            return &item;
    }
    return nullptr;
}
