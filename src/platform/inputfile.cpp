#include "platform/inputfile.h"

#include "platform/logging.h"
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

[[noreturn]] void Refuse(const QString& path, FileErrorCause cause, const QString& why) {
    qCInfo(LogPlatform) << "not read" << path << why;
    throw CFileException(cause, path, QStringLiteral("%1 was not read: %2.").arg(path, why));
}

} // namespace

void OpenRegularFile(QFile& file) {
    const QString path = file.fileName();
#ifdef Q_OS_UNIX
    // Opened without waiting, so that a FIFO cannot hold the reader before
    // it is known for one.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ELOOP)
            Refuse(path, FileErrorCause::BadPath,
                   QStringLiteral("its links lead round in a circle"));
        throw CFileException(ClassifyErrno(error), path);
    }
    struct stat info {};
    const bool known = ::fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        ::close(fd);
        if (known && S_ISDIR(info.st_mode))
            Refuse(path, FileErrorCause::AccessDenied, QStringLiteral("it is a folder"));
        Refuse(path, FileErrorCause::AccessDenied,
               QStringLiteral("it is not a regular file (a device, a pipe or a socket)"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw CFileException(FileErrorCause::Generic, path);
    }
#else
    if (QFileInfo(path).isDir())
        Refuse(path, FileErrorCause::AccessDenied, QStringLiteral("it is a folder"));
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        throw CFileException(errno ? ClassifyErrno(errno) : FileErrorCause::FileNotFound, path);
#endif
}
