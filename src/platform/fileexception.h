#pragma once

#include "platform/exception.h"

// The causes a file operation can fail for, each with its own message.
enum class FileErrorCause {
    None,
    Generic,
    FileNotFound,
    BadPath,
    TooManyOpenFiles,
    AccessDenied,
    InvalidFile,
    RemoveCurrentDir,
    DirectoryFull,
    BadSeek,
    HardIO,
    SharingViolation,
    LockViolation,
    DiskFull,
    EndOfFile,
};

// Maps an errno value onto the cause whose message fits it best.
FileErrorCause ClassifyErrno(int error);

// The message for a cause, with %1 replaced by the file's full path.
QString FileErrorMessage(FileErrorCause cause, const QString& path);

// A file that could not be opened, written or read.
class CFileException : public CException {
public:
    CFileException(FileErrorCause cause, QString fileName)
        : m_cause(cause), m_fileName(std::move(fileName)) {}
    // A file refused before it was touched, with a message of its own that
    // says why ("... was not written: it is a folder.").
    CFileException(FileErrorCause cause, QString fileName, QString message)
        : m_cause(cause), m_fileName(std::move(fileName)), m_message(std::move(message)) {}
    FileErrorCause GetCause() const { return m_cause; }
    QString GetErrorMessage() const override {
        return m_message.isEmpty() ? FileErrorMessage(m_cause, m_fileName) : m_message;
    }

private:
    FileErrorCause m_cause;
    QString m_fileName;
    QString m_message;
};
