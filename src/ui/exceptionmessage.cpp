#include "exceptionmessage.h"

#include "exception.h"
#include "messagebox.h"

#include <QCoreApplication>

void ShowExceptionMessage(QWidget* owner, const CException& e) {
    ShowMessageBox(owner, QMessageBox::Critical, QCoreApplication::applicationName(),
                   e.GetErrorMessage());
}
