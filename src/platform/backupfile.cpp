#include "platform/backupfile.h"

#include "platform/fileexception.h"
#include "platform/logging.h"
#include "platform/privatefiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// Far more than anyone keeps; beyond it the folder counts as full.
constexpr int kMostBackups = 10000;

[[noreturn]] void ThrowFileFailure(const QFileDevice& file, int error, const QString& path) {
    if (error == 0 && file.error() == QFileDevice::ResourceError)
        error = ENOSPC;
    throw CFileException(error ? ClassifyErrno(error) : FileErrorCause::Generic, path);
}

// Copies a file to another name through a temporary file, so that the
// target is either missing or the whole copy.
void CopyAtomically(const QString& from, const QString& to) {
    QFile source(from);
    errno = 0;
    if (!source.open(QIODevice::ReadOnly))
        ThrowFileFailure(source, errno, from);
    QSaveFile copy(to);
    copy.setDirectWriteFallback(false);
    errno = 0;
    if (!OpenPrivateSaveFile(copy))
        ThrowFileFailure(copy, errno, to);
    QByteArray chunk(qsizetype(1) << 16, Qt::Uninitialized);
    for (;;) {
        errno = 0;
        const qint64 n = source.read(chunk.data(), chunk.size());
        if (n < 0)
            ThrowFileFailure(source, errno, from);
        if (n == 0)
            break;
        errno = 0;
        if (copy.write(chunk.constData(), n) != n)
            ThrowFileFailure(copy, errno, to);
    }
    errno = 0;
    if (!copy.flush() || !copy.commit())
        ThrowFileFailure(copy, errno, to);
}

// The name of the nth backup: path.bak, path.bak.1, path.bak.2...
QString BackupName(const QString& path, int n) {
    return path + QStringLiteral(".bak") + (n > 0 ? QLatin1Char('.') + QString::number(n) : "");
}

} // namespace

QString KeepBackup(const QString& path) {
    const bool link = !QFileInfo(path).isSymLink();
    for (int n = 0; n < kMostBackups; ++n) {
        QString backup = BackupName(path, n);
        const QFileInfo taken(backup);
        if (taken.exists() || taken.isSymLink())
            continue;
#ifdef Q_OS_UNIX
        // A second name for the same file: nothing is copied, so it works
        // for a file too large to read or one that cannot be read at all,
        // and link() never replaces a name that is taken. A symbolic link
        // is copied instead: a second name for the link would follow the
        // file it leads to once that is replaced.
        if (link && ::link(QFile::encodeName(path).constData(),
                           QFile::encodeName(backup).constData()) == 0) {
            qCInfo(LogPlatform) << "kept" << path << "as" << backup;
            return backup;
        }
        if (link && errno == EEXIST)
            continue;
#else
        Q_UNUSED(link);
#endif
        // Where the file system has no such names, the file is copied.
        CopyAtomically(path, backup);
        qCInfo(LogPlatform) << "kept a copy of" << path << "as" << backup;
        return backup;
    }
    throw CFileException(FileErrorCause::DirectoryFull, BackupName(path, kMostBackups));
}
