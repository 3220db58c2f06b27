// Renders the main window, the about box and Printer Alignment to PNG files, so that a person
// can look at them: screenshot <output folder> [scale factor].
// Runs with its own temporary settings and data folders.

#include "settings/settingsstore.h"
#include "ui/aboutdlg.h"
#include "ui/pelvarodlg.h"
#include "ui/printeralignmentdlg.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder> [scale factor]\n", argv[0]);
        return 2;
    }
    if (argc > 2)
        qputenv("QT_SCALE_FACTOR", argv[2]);
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());

    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pelvaro"));
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    settings.WriteProfileString(
        QStringLiteral("Pelvaro"), QStringLiteral("LastReturnAddress"),
        QStringLiteral("Ada Example\r\n12 Quill Lane\r\nSpringfield, IL 62704"));
    settings.WriteProfileString(
        QStringLiteral("Pelvaro"), QStringLiteral("LastMailingAddress"),
        QStringLiteral("Torvane Software\r\nAttn: Customer Care\r\n"
                       "400 Harbour Street, Suite 12\r\nPortland, OR 97204"));

    CPelvaroDlg dialog(settings);
    bool ok = true;
    QTimer::singleShot(0, &dialog, [&] {
        ok &= dialog.grab().save(folder + QStringLiteral("/main.png"));
        QTimer::singleShot(0, &dialog, [&] {
            if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
                ok &= about->grab().save(folder + QStringLiteral("/about.png"));
                about->reject();
            } else {
                ok = false;
            }
        });
        dialog.OnSysCommand(IDM_ABOUTBOX);
        dialog.reject();
    });
    dialog.DoModal();

    CPrinterAlignmentDlg alignment(QStringLiteral("Office"),
                                   {EnvelopeFeed::StandingCentre, true, 15, -20}, {});
    alignment.show();
    ok &= alignment.grab().save(folder + QStringLiteral("/alignment.png"));
    return ok ? 0 : 1;
}
