#include "pelvarodlg.h"

#include "settingsstore.h"

CPelvaroDlg::CPelvaroDlg(CSettingsStore& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setWindowTitle(QStringLiteral("Pelvaro"));
    m_addressBook.LoadAddressBook();
}

CPelvaroDlg::~CPelvaroDlg() = default;

int CPelvaroDlg::DoModal()
{
    return exec();
}
