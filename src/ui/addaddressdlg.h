#pragma once

#include "ui/templatedialog.h"

#include <QString>

class QPushButton;

// Asks for the label under which an address box's text goes into the
// address book. It shows the text read-only; Add is enabled only while the
// label is not empty. The caller tests the label and may run the same
// object again, which then shows the label it refused.
class CAddAddressDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CAddAddressDlg(const QString& address, QWidget* parent = nullptr);
    ~CAddAddressDlg() override;

    void DoDataExchange(bool saveAndValidate) override;

    QPushButton* m_addButton = nullptr;
    QString m_address;
    QString m_label;

protected:
    void OnInitDialog() override;

private:
    void OnChangeLabel();
};
