#include "ui/aboutdlg.h"

#include "desktop/shellopen.h"

#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent) : CTemplateDialog(IDD_ABOUTBOX, parent) {
    if (auto* link = GetDlgItem<QLabel>(IDC_WEBLINK))
        connect(link, &QLabel::linkActivated, this, &CAboutDlg::OnNMClickLink);
}

CAboutDlg::~CAboutDlg() {
    DestroyWindow();
}

void CAboutDlg::OnNMClickLink(const QString& url) {
    // Nothing is reported when no program takes the address.
    ShellOpen(url);
}
