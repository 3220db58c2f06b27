#include "exceptionmessage.h"

#include "exception.h"

#include <QCoreApplication>
#include <QMessageBox>

void ShowExceptionMessage(QWidget* owner, const CException& e) {
    QMessageBox message(QMessageBox::Critical, QCoreApplication::applicationName(),
                        e.GetErrorMessage(), QMessageBox::Ok, owner);
    message.exec();
}
