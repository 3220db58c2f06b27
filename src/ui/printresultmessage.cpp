#include "ui/printresultmessage.h"

#include "ui/messagebox.h"

#include <QCoreApplication>

void ShowPrintResult(QWidget* owner, PrintResult result, const PrintFailure& failure) {
    const QString caption = QCoreApplication::applicationName();
    switch (result) {
    case PrintResult::Printed:
    case PrintResult::Cancelled:
        break;
    case PrintResult::InvalidSetup:
        ShowMessageBox(owner, QMessageBox::NoIcon, caption,
                       QStringLiteral("The Printer Setup is invalid. Please configure a printer."));
        break;
    case PrintResult::Failed:
        ShowMessageBox(owner, QMessageBox::Critical, caption, PrintFailureMessage(failure));
        break;
    }
}
