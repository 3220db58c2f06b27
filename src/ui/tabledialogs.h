#pragma once

#include "contacts/columnmapping.h"
#include "contacts/contactsimport.h"
#include "contacts/sheetrow.h"

#include <QDialog>
#include <QList>

#include <optional>

class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QListWidget;

// Asks which sheet of a workbook holds the addresses, when several have a
// list the program can read or none has. The sheets that read are marked;
// the first of them is chosen to start with.
class CSheetChooserDlg : public QDialog {
    Q_OBJECT
public:
    // sheets: the shown sheets, in the workbook's order.
    CSheetChooserDlg(const QString& fileName, const QList<WorkbookSheet>& sheets,
                     QWidget* parent = nullptr);
    QString Sheet() const;

private:
    QListWidget* m_sheets = nullptr;
};

// Asks which column of a list holds which part of the address, when the
// program does not know its header: the top rows are shown, and a choice of
// column for each field, named by the header's text and the column's
// letters. OK needs a column for a name (or organization) and one for a
// street (or place).
class CColumnMappingDlg : public QDialog {
    Q_OBJECT
public:
    // rows: the top rows of the list, the header among them; header: the
    // one of them taken as the header. start: a mapping to offer, as given
    // before for the same header.
    CColumnMappingDlg(const QString& fileName, const QList<SheetRow>& rows,
                      const QStringList& header, const std::optional<CColumnMapping>& start,
                      QWidget* parent = nullptr);

    // The columns chosen, each named by its header text where that names
    // it alone, else by its letters.
    CColumnMapping Mapping() const;

private:
    // A choice of column for each field, in MappedField's order.
    QFormLayout* MakeFieldBoxes(const QStringList& choices);
    // Chooses the columns a mapping names, as far as it still names
    // columns of the header.
    void Offer(const CColumnMapping& start);
    void UpdateOk();
    int Column(MappedField field) const;

    QStringList m_header;
    QList<QComboBox*> m_fields; // in MappedField's order
    QLabel* m_hint = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};

// The header among a list's top rows: the first that fills more than one
// cell, as a title above it fills one; else the first.
QStringList HeaderOfRows(const QList<SheetRow>& rows);
