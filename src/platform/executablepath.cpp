#include "platform/executablepath.h"

#include <QCoreApplication>
#include <QFileInfo>

QString GetExecutablePath() {
    if (!QCoreApplication::instance())
        return {};
    return QCoreApplication::applicationFilePath();
}

QString ApplicationNameFromPath(const QString& executablePath) {
    // Only the last extension goes, as with "Pelvaro.EXE".
    return QFileInfo(executablePath).completeBaseName();
}
