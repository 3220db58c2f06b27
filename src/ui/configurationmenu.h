#pragma once

#include <QPoint>
#include <QString>

class QWidget;

// Command ids of the configuration menu's items.
enum ConfigurationCommand : int {
    ID_CONFIGURATION_PRINTER = 32779,
    ID_CONFIGURATION_RETURNADDRESSFONT = 32780,
    ID_CONFIGURATION_MAILINGADDRESSFONT = 32781,
    ID_CONFIGURATION_REPORTADDRESSBOOKLOCATION = 32782,
    ID_CONFIGURATION_IMPORTADDRESSES = 32783,
    ID_CONFIGURATION_EXPORTADDRESSES = 32784,
    ID_CONFIGURATION_PRINTMANYENVELOPES = 32785,
    ID_CONFIGURATION_PRINTPREVIEW = 32786,
    ID_CONFIGURATION_PRINTERALIGNMENT = 32787,
    ID_CONFIGURATION_POSTALOPTIONS = 32788,
    ID_CONFIGURATION_LAYOUT = 32789,
};

// Shows the configuration menu with its top-left corner at a global point
// and returns the chosen command id, or 0 when it is dismissed. The menu is
// gone when this returns.
// A shift in effect for the printer is said beside Printer Alignment.
int TrackConfigurationMenu(QWidget* owner, const QPoint& globalTopLeft,
                           const QString& shiftNote = {});
