#pragma once

#include "postal/postaloptions.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;

// Postal Options: the check before printing, the areas in the preview, the
// postal style and the Intelligent Mail barcode with its fields. OK is
// refused while a field of a barcode that is on is wrong, saying which.
class CPostalOptionsDlg : public QDialog {
    Q_OBJECT

public:
    CPostalOptionsDlg(const PostalOptions& options, QWidget* parent = nullptr);

    PostalOptions Options() const { return m_options; }

    void accept() override;

private:
    // The parts of the dialog: the four choices, the barcode's fields and
    // OK, Cancel and Help.
    void MakeChoices(const PostalOptions& options);
    QFormLayout* MakeBarcodeFields(const IntelligentMailFields& fields);
    QDialogButtonBox* MakeButtons();
    // The fields take input only while the barcode is on.
    void EnableBarcodeFields();

    QCheckBox* m_check = nullptr;
    QCheckBox* m_areas = nullptr;
    QCheckBox* m_style = nullptr;
    QCheckBox* m_barcode = nullptr;
    QLineEdit* m_barcodeId = nullptr;
    QLineEdit* m_service = nullptr;
    QLineEdit* m_mailerId = nullptr;
    QLineEdit* m_serial = nullptr;
    QLabel* m_problem = nullptr;
    PostalOptions m_options;
};
