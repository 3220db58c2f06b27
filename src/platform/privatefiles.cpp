#include "platform/privatefiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

bool MakePrivateFolder(const QString& folder) {
    return QDir().mkdir(folder, kPrivateFolderPermissions) || QFileInfo(folder).isDir();
}

bool MakePrivatePath(const QString& folder) {
    const QString path = QDir::cleanPath(folder);
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    // A file, or a link that leads nowhere, stands where the folder would go.
    if (info.exists() || info.isSymLink())
        return false;
    const QString parent = info.absolutePath();
    if (parent != path && !MakePrivatePath(parent))
        return false;
    return MakePrivateFolder(path);
}

bool IsForeignFolder(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.isDir())
        return false;
#ifdef Q_OS_UNIX
    if (info.ownerId() != ::geteuid())
        return true;
#endif
    return info.permissions().testFlag(QFileDevice::WriteOther);
}

bool OpenPrivateSaveFile(QSaveFile& file, QIODevice::OpenMode mode) {
    const bool isNew = !QFileInfo::exists(file.fileName());
#ifdef Q_OS_UNIX
    // QSaveFile makes the temporary file of a new target with the umask's
    // permissions, usually 0644, and it stays so until it is changed below:
    // long enough for another user to open it. With this umask it is never
    // more than 0600. No thread of the program makes files meanwhile.
    const mode_t umask = ::umask(0077);
    const bool opened = file.open(mode);
    ::umask(umask);
#else
    const bool opened = file.open(mode);
#endif
    if (!opened)
        return false;
    if (isNew)
        file.setPermissions(kPrivateFilePermissions);
    return true;
}
