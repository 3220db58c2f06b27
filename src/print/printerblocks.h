#pragma once

#include "print/devmode.h"
#include "print/devnames.h"
#include "print/printtarget.h"

#include <QByteArray>
#include <QString>

class CSettingsStore;
class QPrinter;

// Driver names in DEVNAMES: the PDF writer, with the output file as output
// name, and the system's printers, with the queue name as device.
inline constexpr const char16_t* kPdfDriverName = u"pdf";
#ifdef Q_OS_WIN
inline constexpr const char16_t* kSystemDriverName = u"winspool";
#else
inline constexpr const char16_t* kSystemDriverName = u"cups";
#endif

struct PrinterBlocks {
    QByteArray devMode;
    QByteArray devNames;
};

// An output file the PDF writer may be pointed at: an absolute path to a
// regular file, or to one that does not exist yet. A relative path would land
// wherever the program was started, a FIFO would hang the window, a folder
// or a device is no file.
bool IsUsablePdfOutput(const QString& path);

// Points the printer at the target. False when it names a printer that
// does not exist here, or the PDF writer without a usable output file.
bool ApplyPrintTarget(QPrinter& printer, const PrintTarget& target);
// Carries the settings the block has a value for over to the printer.
void ApplyDevMode(QPrinter& printer, const DEVMODEW& mode);

// Sets up a printer for the target with the stored settings block. devMode
// may be null, and then the printer keeps its own defaults. False when no
// printer is configured, the settings block is damaged, or the printer is
// not available here.
bool ConfigurePrinter(QPrinter& printer, const PrintTarget& target, const QByteArray& devMode);
// The same from both stored blocks, as the printer setup holds them.
bool ConfigurePrinterFromBlocks(QPrinter& printer, const QByteArray& devMode,
                                const QByteArray& devNames);

DEVMODEW DevModeFromPrinter(const QPrinter& printer);
DEVNAMES DevNamesFromPrinter(const QPrinter& printer);
PrinterBlocks BlocksFromPrinter(const QPrinter& printer);
