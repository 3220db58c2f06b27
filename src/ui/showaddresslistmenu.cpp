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
    UpdateData(true);
    // pelvaro-cli or a second window may have written the book since it was
    // read: the menu lists what the file holds, and every change below
    // starts from it, so that a save never puts back an older book.
    m_addressBook.ReloadIfChangedOnDisk();

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
            // The label is tested on the book as the file holds it now.
            const bool added = EditAddressBook([&] {
                if (!m_addressBook.IsLabelUnique(newLabel))
                    return false;
                m_addressBook.InsertAddress(CAddress(newLabel, address));
                return true;
            });
            if (added) {
                label = newLabel;
                break;
            }
            ShowLabelNotUnique(this, newLabel);
        }
        break;
    }
    case AddressListChoice::Kind::Modify:
        EditAddressBook([&] {
            m_addressBook.SetAddressAt(m_addressBook.FindLabel(label), address);
            return true;
        });
        break;
    case AddressListChoice::Kind::Delete:
        EditAddressBook([&] {
            m_addressBook.RemoveAt(m_addressBook.FindLabel(label));
            label.clear();
            return true;
        });
        break;
    case AddressListChoice::Kind::Entry: {
        const CAddress& entry = m_addressBook.GetAt(choice.index);
        label = entry.m_strLabel;
        address = entry.m_strAddress;
        UpdateData(false);
        break;
    }
    }
}

bool CPelvaroDlg::EditAddressBook(const std::function<bool()>& change) {
    const bool changed = m_addressBook.Edit(change);
    ShowBookBackupNote();
    return changed;
}

void CPelvaroDlg::ShowBookBackupNote() {
    if (!m_addressBook.BackupNote().isEmpty())
        ShowMessageBox(this, QMessageBox::Warning, QCoreApplication::applicationName(),
                       m_addressBook.BackupNote());
}
