#include "ui/fontchooser.h"

#include "print/logfont.h"

#include <QCheckBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

int ScreenDpiY(const QWidget* owner) {
    if (owner)
        return owner->logicalDpiY();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

} // namespace

bool ChooseAddressFont(QWidget* owner, LOGFONTW& description) {
    const int dpiY = ScreenDpiY(owner);
    // The dialog works in points and lists the families that exist, so it is
    // opened on the font this screen really shows.
    QFont initial = FontFromLogFont(description);
    const QFontInfo shown(initial);
    initial.setFamily(shown.family());
    initial.setPointSizeF(shown.pixelSize() * 72.0 / dpiY);
    // Without the face's own style name the dialog picks a style by its
    // list's order, and for a face whose upright style is not "Normal"
    // (DejaVu Sans calls it "Book") that is "Oblique": OK would make the
    // address italic.
    initial.setStyleName(shown.styleName());

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
