#include "app/logging.h"
#include "app/pelvaroapp.h"
#include "app/waylandseat.h"
#include "platform/executablepath.h"
#include "print/pdfwritermemory.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[]) {
    // Print Many Envelopes writes hundreds of pages in one job.
    KeepPdfWriterBuffersInHeap();
    // A save that reaches the size limit set for the process fails and is
    // reported, the old file kept, rather than ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // The window program ignores its command line, Qt's own options (-style,
    // -reverse, -platform...) included: the application is shown only the
    // program's name. The platform is still chosen by QT_QPA_PLATFORM.
    static char fallbackName[] = "Pelvaro";
    char* programOnly[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int programOnlyCount = 1;
    AvoidTextInputWithoutSeat();
    QApplication application(programOnlyCount, programOnly);
    // Message boxes without a caption of their own show the executable's
    // base name. No display name is set: the desktop would add it to every
    // window title that does not already end with it.
    const QString name = ApplicationNameFromPath(QCoreApplication::applicationFilePath());
    QCoreApplication::setApplicationName(name);
    QGuiApplication::setDesktopFileName(QStringLiteral("pelvaro"));
    theApp.m_pszAppName = name;
    qCInfo(LogApp) << "Qt" << qVersion() << "on" << QGuiApplication::platformName();
    theApp.InitInstance();
    return 0;
}
