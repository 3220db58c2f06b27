#include "ui/addaddressdlg.h"

#include "ui/dialogbuilder.h"

#include <QLineEdit>
#include <QPushButton>

CAddAddressDlg::CAddAddressDlg(const QString& address, QWidget* parent)
    : CTemplateDialog(IDD_ADDADDRESS, parent), m_address(address) {
    // Only the user's edits count, typed or pasted: the exchange that fills
    // the box when the dialog opens leaves Add as the template has it.
    if (auto* label = GetDlgItem<QLineEdit>(IDC_LABEL))
        connect(label, &QLineEdit::textEdited, this, &CAddAddressDlg::OnChangeLabel);
}

CAddAddressDlg::~CAddAddressDlg() {
    DestroyWindow();
}

void CAddAddressDlg::DoDataExchange(bool saveAndValidate) {
    m_addButton = GetDlgItem<QPushButton>(IDOK);
    QWidget* address = GetDlgItem(IDC_ADDRESS);
    QWidget* label = GetDlgItem(IDC_LABEL);
    if (saveAndValidate) {
        m_address = GetControlText(address);
        m_label = GetControlText(label);
    } else {
        SetControlText(address, m_address);
        SetControlText(label, m_label);
    }
}

void CAddAddressDlg::OnInitDialog() {
    CTemplateDialog::OnInitDialog();
    // Each run starts as the template has it: Add disabled, even when the
    // box shows a label refused last time.
    if (m_addButton)
        m_addButton->setEnabled(false);
    // The label box takes the focus with its text selected, so that typing
    // replaces a label refused last time.
    if (auto* label = GetDlgItem<QLineEdit>(IDC_LABEL)) {
        label->setFocus(Qt::OtherFocusReason);
        label->selectAll();
    }
}

void CAddAddressDlg::OnChangeLabel() {
    UpdateData(true);
    // Spaces count; the length is in UTF-16 units.
    if (m_addButton)
        m_addButton->setEnabled(!m_label.isEmpty());
}
