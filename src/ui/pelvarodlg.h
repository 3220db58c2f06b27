#pragma once

#include "addressbook.h"

#include <QDialog>

class CSettingsStore;

// The program's only main window.
class CPelvaroDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPelvaroDlg(CSettingsStore& settings, QWidget* parent = nullptr);
    ~CPelvaroDlg() override;

    int DoModal();

    CAddressBook m_addressBook;

private:
    CSettingsStore& m_settings;
};
