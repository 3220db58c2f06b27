#include "configurationmenu.h"

#include <QAction>
#include <QMenu>

int TrackConfigurationMenu(QWidget* owner, const QPoint& globalTopLeft) {
    struct Item {
        ConfigurationCommand id;
        const char* text;
    };
    static constexpr Item kItems[] = {
        {ID_CONFIGURATION_PRINTER, "Printer..."},
        {ID_CONFIGURATION_RETURNADDRESSFONT, "Return Address Font..."},
        {ID_CONFIGURATION_MAILINGADDRESSFONT, "Mailing Address Font..."},
        {ID_CONFIGURATION_REPORTADDRESSBOOKLOCATION, "Report Address Book Location"},
    };

    // Made for this one click and gone before the choice is carried out.
    QMenu menu(owner);
    menu.setTitle(QStringLiteral("Configuration"));
    for (const Item& item : kItems) {
        QAction* action = menu.addAction(QString::fromLatin1(item.text));
        action->setData(static_cast<int>(item.id));
    }
    const QAction* chosen = menu.exec(globalTopLeft);
    return chosen ? chosen->data().toInt() : 0;
}
