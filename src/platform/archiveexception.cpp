#include "platform/archiveexception.h"

QString CArchiveException::GetErrorMessage() const {
    switch (m_cause) {
    case Cause::EndOfFile:
        return QStringLiteral("Attempted to read past the end of the stored data.");
    case Cause::BadLength:
        return QStringLiteral("Stored data holds a length that cannot be read.");
    case Cause::Generic:
        break;
    }
    return QStringLiteral("An unknown error occurred while reading stored data.");
}
