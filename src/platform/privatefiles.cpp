#include "privatefiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
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
    if (!file.open(mode))
        return false;
    // QSaveFile gives a new file the umask's permissions, usually 0644.
    if (isNew)
        file.setPermissions(kPrivateFilePermissions);
    return true;
}
