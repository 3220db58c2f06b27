#include "ui/exceptionmessage.h"

#include "platform/exception.h"
#include "ui/messagebox.h"

#include <QCoreApplication>

void ShowExceptionMessage(QWidget* owner, const CException& e) {
    ShowMessageBox(owner, QMessageBox::Critical, QCoreApplication::applicationName(),
                   e.GetErrorMessage());
}
