#include "ui/configurationmenu.h"

#include <QAction>
#include <QMenu>

namespace {

struct Item {
    ConfigurationCommand id;
    const char* text;
};

void AddItems(QMenu& menu, std::initializer_list<Item> items) {
    for (const Item& item : items) {
        QAction* action = menu.addAction(QString::fromLatin1(item.text));
        action->setData(static_cast<int>(item.id));
    }
}

} // namespace

int TrackConfigurationMenu(QWidget* owner, const QPoint& globalTopLeft, const QString& shiftNote) {
    // Made for this one click and gone before the choice is carried out.
    QMenu menu(owner);
    menu.setTitle(QStringLiteral("Configuration"));
    AddItems(menu, {
                       {ID_CONFIGURATION_PRINTER, "Printer..."},
                       {ID_CONFIGURATION_RETURNADDRESSFONT, "Return Address Font..."},
                       {ID_CONFIGURATION_MAILINGADDRESSFONT, "Mailing Address Font..."},
                       {ID_CONFIGURATION_REPORTADDRESSBOOKLOCATION, "Report Address Book Location"},
                   });
    // Our own commands come after the four the menu has always had.
    menu.addSeparator();
    AddItems(menu, {
                       {ID_CONFIGURATION_IMPORTADDRESSES, "&Import Addresses..."},
                       {ID_CONFIGURATION_EXPORTADDRESSES, "&Export Addresses..."},
                       {ID_CONFIGURATION_PRINTMANYENVELOPES, "Print &Many Envelopes..."},
                       {ID_CONFIGURATION_PRINTPREVIEW, "Print Pre&view..."},
                       {ID_CONFIGURATION_PRINTERALIGNMENT, "Printer &Alignment..."},
                       {ID_CONFIGURATION_POSTALOPTIONS, "P&ostal Options..."},
                       {ID_CONFIGURATION_LAYOUT, "&Layout..."},
                   });
    if (!shiftNote.isEmpty()) {
        for (QAction* action : menu.actions()) {
            if (action->data().toInt() == ID_CONFIGURATION_PRINTERALIGNMENT)
                action->setText(QStringLiteral("Printer &Alignment (%1)...").arg(shiftNote));
        }
    }
    const QAction* chosen = menu.exec(globalTopLeft);
    return chosen ? chosen->data().toInt() : 0;
}
