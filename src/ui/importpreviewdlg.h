#pragma once

#include "contacts/contactsimport.h"

#include <QDialog>

class CAddressBook;
class CImportPlanModel;
class CSettingsStore;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTreeView;
class QVBoxLayout;

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

private:
    // The list planned again for the way chosen with taken labels, and the
    // sentence under it.
    void Fill();
    void MakeList();
    QDialogButtonBox* MakeButtons();
    void AddProblems(QVBoxLayout* layout, const CContactsImport& import);

    CSettingsStore& m_settings;
    CImportPlanModel* m_plan = nullptr;
    QComboBox* m_duplicates = nullptr;
    QTreeView* m_list = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_importButton = nullptr;
};
