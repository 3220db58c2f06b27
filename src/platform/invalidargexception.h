#pragma once

#include "platform/exception.h"

// An argument outside what the operation accepts, such as a record index
// outside the address book.
class CInvalidArgException : public CException {
public:
    QString GetErrorMessage() const override {
        return QStringLiteral("Encountered an improper argument.");
    }
};
