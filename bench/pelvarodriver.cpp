// Runs the program as its own main() does, then closes the main window as
// soon as it has been shown and painted; with --print, presses Print first.
#include "app/pelvaroapp.h"
#include "windowcloser.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const bool print = QCoreApplication::arguments().contains(QStringLiteral("--print"));

    // The program takes its name from its executable; this driver has
    // another one, so the name is given, and with it the same settings.
    const QString name = QStringLiteral("Pelvaro");
    QCoreApplication::setApplicationName(name);
    QGuiApplication::setDesktopFileName(QStringLiteral("pelvaro"));
    theApp.m_pszAppName = name;

    CWindowCloser closer(print ? QStringLiteral("1004") : QString());
    theApp.InitInstance();
    return closer.ExitCode();
}
