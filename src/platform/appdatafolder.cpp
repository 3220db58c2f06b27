#include "appdatafolder.h"

#include <QDir>
#include <QFileInfo>

bool GetAppDataFolder(QString& folder) {
    // The XDG base directory rules say a relative XDG_DATA_HOME is
    // invalid and must be ignored.
    QString path = qEnvironmentVariable("XDG_DATA_HOME");
    if (path.isEmpty() || QDir::isRelativePath(path)) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty() || QDir::isRelativePath(home))
            return false;
        path = home + (home.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) +
               QStringLiteral(".local/share");
    }
    if (!QFileInfo(path).isDir() && !QDir().mkpath(path))
        return false;
    folder = path;
    return true;
}

QString FallbackDataFolder() {
    QString temp = QDir::tempPath();
    if (!temp.endsWith(QLatin1Char('/')))
        temp += QLatin1Char('/');
    return temp;
}
