#include "ui/pelvarodlg.h"

#include "ui/addaddressdlg.h"
#include "ui/addresslistmenu.h"
#include "ui/messagebox.h"

#include <QCoreApplication>

namespace {

void ShowLabelNotUnique(QWidget* owner, const QString& label) {
    ShowMessageBox(owner, QMessageBox::Warning, QCoreApplication::applicationName(),
                   QStringLiteral("The label ") + label +
                       QStringLiteral(" is not unique. Please choose another."));
}

} // namespace

// A failure of the book (a label that names no entry, a file that cannot
// be written, another program changing the book for too long) leaves this
// function as an exception; the command's caller shows it. Whatever changed
// in memory before it stays.
void CPelvaroDlg::ShowAddressListMenu(int buttonId, QString& label, QString& address) {
    m_commands.ReloadBook();

    AddressListChoice choice;
    {
        CAddressListMenu menu(m_addressBook, label, this);
        const QWidget* button = GetDlgItem(buttonId);
        const QPoint topRight =
            button ? button->mapToGlobal(QPoint(button->width(), 0)) : mapToGlobal(QPoint());
        choice = menu.Track(topRight);
    }

    switch (choice.kind) {
    case AddressListChoice::Kind::None:
        break;
    case AddressListChoice::Kind::Add: {
        CAddAddressDlg dlg(address, this);
        while (dlg.DoModal() == IDOK) {
            const QString newLabel = dlg.m_label;
            const bool added = m_commands.AddEntry(newLabel, address);
            ShowBookBackupNote();
            if (added) {
                label = newLabel;
                break;
            }
            ShowLabelNotUnique(this, newLabel);
        }
        break;
    }
    case AddressListChoice::Kind::Modify:
        m_commands.ModifyEntry(label, address);
        ShowBookBackupNote();
        break;
    case AddressListChoice::Kind::Delete:
        m_commands.DeleteEntry(label);
        label.clear();
        ShowBookBackupNote();
        break;
    case AddressListChoice::Kind::Entry: {
        const CAddress entry = m_commands.PickEntry(choice.index);
        label = entry.m_strLabel;
        address = entry.m_strAddress;
        UpdateData(false);
        break;
    }
    }
}

void CPelvaroDlg::ShowBookBackupNote() {
    if (!m_addressBook.BackupNote().isEmpty())
        ShowMessageBox(this, QMessageBox::Warning, QCoreApplication::applicationName(),
                       m_addressBook.BackupNote());
}
