#include "platform/shellopen.h"

#include <QDesktopServices>
#include <QUrl>

bool ShellOpen(const QString& fileOrAddress) {
    if (fileOrAddress.isEmpty())
        return false;
    // A web address keeps its scheme; anything else is a path on disk.
    const QUrl asUrl(fileOrAddress, QUrl::StrictMode);
    const bool isAddress =
        asUrl.isValid() && asUrl.scheme().size() > 1 && !fileOrAddress.startsWith(QLatin1Char('/'));
    return QDesktopServices::openUrl(isAddress ? asUrl : QUrl::fromLocalFile(fileOrAddress));
}
