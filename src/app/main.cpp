#include "executablepath.h"
#include "pelvaroapp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Message boxes without a caption of their own show the executable's
    // base name; command-line arguments are ignored.
    const QString name = ApplicationNameFromPath(QCoreApplication::applicationFilePath());
    QCoreApplication::setApplicationName(name);
    QGuiApplication::setApplicationDisplayName(name);
    QGuiApplication::setDesktopFileName(QStringLiteral("pelvaro"));
    theApp.m_pszAppName = name;
    theApp.InitInstance();
    return 0;
}
