#pragma once

#include "platform/exception.h"

// A failure while decoding a stored stream.
class CArchiveException : public CException {
public:
    enum class Cause { Generic, EndOfFile, BadLength };

    explicit CArchiveException(Cause cause) : m_cause(cause) {}
    Cause GetCause() const { return m_cause; }
    QString GetErrorMessage() const override;

private:
    Cause m_cause;
};
