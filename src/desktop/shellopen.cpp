#include "desktop/shellopen.h"

#include "desktop/logging.h"

#include <QDesktopServices>
#include <QUrl>

bool ShellOpen(const QString& fileOrAddress) {
    if (fileOrAddress.isEmpty())
        return false;
    // A web address keeps its scheme; anything else is a path on disk.
    const QUrl asUrl(fileOrAddress, QUrl::StrictMode);
    const bool isAddress =
        asUrl.isValid() && asUrl.scheme().size() > 1 && !fileOrAddress.startsWith(QLatin1Char('/'));
    const bool opened =
        QDesktopServices::openUrl(isAddress ? asUrl : QUrl::fromLocalFile(fileOrAddress));
    if (!opened)
        qCInfo(LogDesktop) << "the desktop did not open" << fileOrAddress;
    return opened;
}
