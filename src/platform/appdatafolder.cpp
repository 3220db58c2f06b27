#include "platform/appdatafolder.h"

#include "platform/privatefiles.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

QString HomeFolder() {
    QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty() && QDir::isAbsolutePath(home))
        return home;
#ifdef Q_OS_UNIX
    // A program started without an environment (from cron, or with env -i)
    // still has a home; the shared temporary folder is never one.
    if (const passwd* entry = ::getpwuid(::geteuid());
        entry && entry->pw_dir && entry->pw_dir[0] == '/')
        return QFile::decodeName(entry->pw_dir);
    return {};
#else
    return QDir::homePath();
#endif
}

QString AppDataFolderPath() {
    // The XDG base directory rules say a relative XDG_DATA_HOME is
    // invalid and must be ignored.
    QString path = qEnvironmentVariable("XDG_DATA_HOME");
    if (path.isEmpty() || QDir::isRelativePath(path)) {
        QString home = HomeFolder();
        if (home.isEmpty())
            return QString();
        path = home + (home.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) +
               QStringLiteral(".local/share");
    }
    return path;
}

bool GetAppDataFolder(QString& folder) {
    const QString path = AppDataFolderPath();
    if (path.isEmpty() || !MakePrivatePath(path))
        return false;
    folder = path;
    return true;
}

QString FallbackDataFolder() {
    QString home = HomeFolder();
    if (!home.endsWith(QLatin1Char('/')))
        home += QLatin1Char('/');
    return home;
}
