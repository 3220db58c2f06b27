#include "cli/commandlinetool.h"
#include "cli/terminaltext.h"
#include "platform/executablepath.h"
#include "print/pdfwritermemory.h"

#include <QGuiApplication>

#include <csignal>

namespace {

// Qt's own notes (a runtime folder it had to make up, fonts it looked for)
// are not for the tool's user, whose stderr carries the tool's failures
// alone, one a line. Only what ends the program gets through.
// Pelvaro's own categories, when QT_LOGGING_RULES turns them on, are for
// a bug report and go through too.
void KeepQtQuiet(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool ours = context.category && qstrncmp(context.category, "pelvaro.", 8) == 0;
    if (ours)
        fprintf(stderr, "%s: %s\n", context.category, qPrintable(message));
    else if (type == QtCriticalMsg || type == QtFatalMsg)
        fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[]) {
    KeepPdfWriterBuffersInHeap();
    // No display is needed: printing draws with Qt's fonts on the offscreen
    // platform unless the user asked for another one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    qInstallMessageHandler(KeepQtQuiet);
    // A file that reaches the size limit set for the process is a failed
    // write to report, with the old file kept, not a reason to die at once.
    std::signal(SIGXFSZ, SIG_IGN);

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    // Qt would take options such as -platform or -display from the command
    // line for itself; it is shown only the program's name.
    static char fallbackName[] = "pelvaro-cli";
    char* programOnly[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int programOnlyCount = 1;
    QGuiApplication application(programOnlyCount, programOnly);
    QCoreApplication::setApplicationName(
        ApplicationNameFromPath(QCoreApplication::applicationFilePath()));

    CTerminalText out(stdout);
    CTerminalText err(stderr);
    CCommandLineTool tool(out, err);
    return tool.Run(arguments);
}
