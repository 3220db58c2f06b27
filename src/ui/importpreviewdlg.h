#pragma once

#include "contacts/contactsimport.h"

#include <QDialog>

class CAddressBook;
class CSettingsStore;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// Shows what importing a contacts file will do to the address book before
// anything changes: each contact added, renamed, replacing an entry or left
// out and why, and the file's problems. The user picks what a label the book
// has already gets, then Import or Cancel; the dialog changes nothing
// itself.
class CImportPreviewDlg : public QDialog {
    Q_OBJECT
public:
    CImportPreviewDlg(const CContactsImport& import, const CAddressBook& book,
                      const QString& fileName, CSettingsStore& settings, QWidget* parent = nullptr);

    // Its size is kept for the next import.
    void done(int result) override;

    DuplicateLabels Policy() const;

    QComboBox* m_duplicates = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_summary = nullptr;
    QPlainTextEdit* m_problems = nullptr;
    QPushButton* m_importButton = nullptr;

private:
    void Fill();

    const CContactsImport& m_import;
    const CAddressBook& m_book;
    CSettingsStore& m_settings;
};
