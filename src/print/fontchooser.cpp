#include "fontchooser.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

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

int ScreenDpiY(const QWidget* owner) {
    if (owner)
        return owner->logicalDpiY();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

} // namespace

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

bool ChooseAddressFont(QWidget* owner, LOGFONTW& description) {
    const int dpiY = ScreenDpiY(owner);
    // The dialog works in points and lists the families that exist, so it is
    // opened on the font this screen really shows.
    QFont initial = FontFromLogFont(description);
    const QFontInfo shown(initial);
    initial.setFamily(shown.family());
    initial.setPointSizeF(shown.pixelSize() * 72.0 / dpiY);

    QFontDialog dialog(initial, owner);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    // Face, style, size and script only: the effects (underline, strike-out)
    // are not offered, as text is always printed plain and black.
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
        box->hide();
        if (auto* group = qobject_cast<QGroupBox*>(box->parentWidget()))
            group->hide();
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;

    QFont chosen = dialog.selectedFont();
    chosen.setUnderline(description.lfUnderline != 0);
    chosen.setStrikeOut(description.lfStrikeOut != 0);
    LOGFONTW updated = LogFontFromFont(chosen, dpiY);
    // What the dialog does not choose stays as it was.
    updated.lfCharSet = description.lfCharSet;
    updated.lfOutPrecision = description.lfOutPrecision;
    updated.lfClipPrecision = description.lfClipPrecision;
    updated.lfQuality = description.lfQuality;
    updated.lfEscapement = description.lfEscapement;
    updated.lfOrientation = description.lfOrientation;
    description = updated;
    return true;
}
