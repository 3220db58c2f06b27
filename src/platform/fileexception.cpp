#include "platform/fileexception.h"

#include <cerrno>

FileErrorCause ClassifyErrno(int error) {
    switch (error) {
    case 0:
        return FileErrorCause::None;
    case ENOENT:
        return FileErrorCause::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return FileErrorCause::BadPath;
    case EMFILE:
    case ENFILE:
        return FileErrorCause::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
        return FileErrorCause::AccessDenied;
    case EBADF:
        return FileErrorCause::InvalidFile;
    case EBUSY:
    case ETXTBSY:
        return FileErrorCause::SharingViolation;
    case EDEADLK:
    case ENOLCK:
        return FileErrorCause::LockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileErrorCause::DiskFull;
    case EMLINK:
        return FileErrorCause::DirectoryFull;
    case ESPIPE:
        return FileErrorCause::BadSeek;
    case EIO:
    case ENXIO:
    case ENODEV:
        return FileErrorCause::HardIO;
    default:
        return FileErrorCause::Generic;
    }
}

QString FileErrorMessage(FileErrorCause cause, const QString& path) {
    const char* text = "An unknown error occurred while accessing %1.";
    switch (cause) {
    case FileErrorCause::None:
        return QStringLiteral("No error occurred.");
    case FileErrorCause::Generic:
        break;
    case FileErrorCause::FileNotFound:
        text = "%1 was not found.";
        break;
    case FileErrorCause::BadPath:
        text = "%1 contains an incorrect path.";
        break;
    case FileErrorCause::TooManyOpenFiles:
        text = "Could not open %1 because there are too many open files.";
        break;
    case FileErrorCause::AccessDenied:
        text = "Access to %1 was denied.";
        break;
    case FileErrorCause::InvalidFile:
        text = "An incorrect file handle was associated with %1.";
        break;
    case FileErrorCause::RemoveCurrentDir:
        text = "Could not remove %1 because it is the current directory.";
        break;
    case FileErrorCause::DirectoryFull:
        text = "Could not create %1 because the directory is full.";
        break;
    case FileErrorCause::BadSeek:
        text = "Seek failed on %1";
        break;
    case FileErrorCause::HardIO:
        text = "Encountered a hardware I/O error while accessing %1.";
        break;
    case FileErrorCause::SharingViolation:
        text = "Encountered a sharing violation while accessing %1.";
        break;
    case FileErrorCause::LockViolation:
        text = "Encountered a locking violation while accessing %1.";
        break;
    case FileErrorCause::DiskFull:
        text = "Disk full while accessing %1.";
        break;
    case FileErrorCause::EndOfFile:
        text = "Attempted to access %1 past its end.";
        break;
    }
    // Plain replacement: a path holding "%2" or similar must come out as it is.
    QString message = QString::fromLatin1(text);
    message.replace(QStringLiteral("%1"), path);
    return message;
}
