#include "app/pelvaroapp.h"

#include "addressbook/addressbook.h"
#include "app/logging.h"
#include "desktop/shellopen.h"
#include "platform/executablepath.h"
#include "platform/helpcommand.h"
#include "platform/registeredopener.h"
#include "ui/pelvarodlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

CPelvaroApp theApp;

namespace {
QString FolderOf(const QString& executablePath) {
    const qsizetype slash = executablePath.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? executablePath.left(slash) : QString();
}

// A file installed with the program's data: the programs go to bin/ and
// their data to share/ beside it, under the same prefix.
QString InstalledFile(const QString& executableFolder, const QString& name) {
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/") + name);
}
} // namespace

bool CPelvaroApp::InitInstance() {
    if (m_pszAppName.isEmpty())
        m_pszAppName = ApplicationNameFromPath(GetExecutablePath());
    SetHelpCommand([](const QString& page) { OpenHelp(GetExecutablePath(), page); });

    // The dialog's constructor already reads the stored settings, so the
    // settings root is named first.
    SetRegistryKey(QString::fromLatin1(CSettingsStore::kCompanyName));

    // The book is read while the window builds itself.
    CAddressBook::PrefetchAddressBook();
    CPelvaroDlg dlg(Settings());
    dlg.DoModal();
    return false;
}

QString CPelvaroApp::HelpFilePath(const QString& executablePath) {
    const QString folder = FolderOf(executablePath);
    QString first = folder + QStringLiteral("/Pelvaro.chm");
    // Anything of that name counts, a folder included.
    if (QFileInfo::exists(first))
        return first;
    QString second = folder + QStringLiteral("/Documentation/Pelvaro.chm");
    // The copy an installation keeps with its data comes last, so that one
    // beside the program always wins; without it the second place stays the
    // answer whether or not the file is there.
    QString installed = InstalledFile(folder, QStringLiteral("pelvaro/Pelvaro.chm"));
    if (!QFileInfo::exists(second) && QFileInfo::exists(installed))
        return installed;
    return second;
}

void CPelvaroApp::OpenHelp(const QString& executablePath, const QString& page) {
    const QString helpFile = HelpFilePath(executablePath);
    QString target = helpFile;
    if (!QFileInfo::exists(helpFile) || !HasRegisteredOpener(helpFile)) {
        // Most Linux desktops have no viewer for the help file's format; the
        // browser shows the same pages, and can be sent to one of them.
        const QString folder =
            InstalledFile(FolderOf(executablePath), QStringLiteral("doc/pelvaro/html"));
        const QString contents = folder + QStringLiteral("/index.html");
        const QString pageFile = folder + QLatin1Char('/') + page.section(QLatin1Char('#'), 0, 0);
        if (!page.isEmpty() && QFileInfo(pageFile).isFile()) {
            QUrl url = QUrl::fromLocalFile(pageFile);
            url.setFragment(page.section(QLatin1Char('#'), 1));
            target = url.toString();
        } else if (QFileInfo::exists(contents)) {
            target = contents;
        }
    }
    // Nothing is reported when the desktop cannot open it.
    qCInfo(LogApp) << "help" << target;
    ShellOpen(target);
}

void CPelvaroApp::OnHelp() {
    OpenHelp(GetExecutablePath());
}

void CPelvaroApp::SetRegistryKey(const QString& companyName) {
    m_settings = std::make_unique<CSettingsStore>(companyName, m_pszAppName);
}

CSettingsStore& CPelvaroApp::Settings() {
    if (!m_settings)
        SetRegistryKey(QString::fromLatin1(CSettingsStore::kCompanyName));
    return *m_settings;
}
