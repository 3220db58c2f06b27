#include "templates/maindialoggeometry.h"

#include "templates/dialogunits.h"

DialogGeometry MainDialogGeometry(int screenDpiY) {
    const DialogTemplate& dialog = *FindDialogTemplate(IDD_PELVARO_DIALOG);
    const QSize baseUnits = DialogBaseUnits(DialogTemplateFont(dialog, screenDpiY));
    DialogGeometry geometry;
    geometry.clientSize = DialogClientSize(dialog, baseUnits);
    geometry.returnBoxTopLeft =
        DialogItemRect(*FindDialogItem(dialog, IDC_RETURNADDRESS), baseUnits).topLeft();
    geometry.mailingBoxTopLeft =
        DialogItemRect(*FindDialogItem(dialog, IDC_MAILINGADDRESS), baseUnits).topLeft();
    geometry.screenDpiY = screenDpiY;
    return geometry;
}
