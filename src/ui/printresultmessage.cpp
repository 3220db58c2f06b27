#include "ui/printresultmessage.h"

#include "ui/messagebox.h"

#include <QCoreApplication>

namespace {
const QString kInvalidSetup =
    QStringLiteral("The Printer Setup is invalid. Please configure a printer.");
} // namespace

void ShowPrintResult(QWidget* owner, PrintResult result, const PrintFailure& failure) {
    const QString caption = QCoreApplication::applicationName();
    switch (result) {
    case PrintResult::Printed:
    case PrintResult::Cancelled:
        break;
    case PrintResult::InvalidSetup:
        ShowMessageBox(owner, QMessageBox::NoIcon, caption, kInvalidSetup);
        break;
    case PrintResult::Failed:
        ShowMessageBox(owner, QMessageBox::Critical, caption, PrintFailureMessage(failure));
        break;
    }
}

bool OfferPrinterSetup(QWidget* owner) {
    return AskMessageBox(owner, QMessageBox::Warning, QCoreApplication::applicationName(),
                         kInvalidSetup, QStringLiteral("P&rinter..."));
}
