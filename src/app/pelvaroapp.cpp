#include "pelvaroapp.h"

#include "executablepath.h"
#include "helpcommand.h"
#include "pelvarodlg.h"
#include "shellopen.h"

#include <QCoreApplication>
#include <QFileInfo>

CPelvaroApp theApp;

bool CPelvaroApp::InitInstance() {
    if (m_pszAppName.isEmpty())
        m_pszAppName = ApplicationNameFromPath(GetExecutablePath());
    SetHelpCommand([this] { OnHelp(); });

    // The dialog's constructor already reads the stored settings, so the
    // settings root is named first.
    SetRegistryKey(QString::fromLatin1(CSettingsStore::kCompanyName));

    CPelvaroDlg dlg(Settings());
    dlg.DoModal();
    return false;
}

QString CPelvaroApp::HelpFilePath(const QString& executablePath) {
    const qsizetype slash = executablePath.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? executablePath.left(slash) : QString();
    const QString first = folder + QStringLiteral("/Pelvaro.chm");
    // Anything of that name counts, a folder included.
    if (QFileInfo::exists(first))
        return first;
    return folder + QStringLiteral("/Documentation/Pelvaro.chm");
}

void CPelvaroApp::OnHelp() {
    // Nothing is reported when the desktop cannot open it.
    ShellOpen(HelpFilePath(GetExecutablePath()));
}

void CPelvaroApp::SetRegistryKey(const QString& companyName) {
    m_settings = std::make_unique<CSettingsStore>(companyName, m_pszAppName);
}

CSettingsStore& CPelvaroApp::Settings() {
    if (!m_settings)
        SetRegistryKey(QString::fromLatin1(CSettingsStore::kCompanyName));
    return *m_settings;
}
