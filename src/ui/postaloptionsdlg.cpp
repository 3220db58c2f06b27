#include "ui/postaloptionsdlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CPostalOptionsDlg::CPostalOptionsDlg(const PostalOptions& options, QWidget* parent)
    : QDialog(parent), m_options(options) {
    setWindowTitle(QStringLiteral("Postal Options"));
    m_check = new QCheckBox(QStringLiteral("&Check the mailing address before printing"));
    m_areas = new QCheckBox(QStringLiteral("Show the post office's &areas in the preview"));
    m_style = new QCheckBox(
        QStringLiteral("Print the mailing address in &postal style (capitals, no punctuation)"));
    m_barcode = new QCheckBox(QStringLiteral("Print an &Intelligent Mail barcode"));
    m_check->setChecked(options.checkBeforePrinting);
    m_areas->setChecked(options.showAreas);
    m_style->setChecked(options.postalStyle);
    m_barcode->setChecked(options.barcode);

    const IntelligentMailFields fields = options.barcodeFields.value_or(IntelligentMailFields());
    const auto field = [](const QString& text, int digits) {
        auto* edit = new QLineEdit(text);
        edit->setMaxLength(digits);
        return edit;
    };
    m_barcodeId = field(fields.barcodeId, 2);
    m_service = field(fields.serviceType, 3);
    m_mailerId = field(fields.mailerId, 9);
    m_serial = field(fields.serial, 9);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Barcode identifier:"), m_barcodeId);
    form->addRow(QStringLiteral("&Service type:"), m_service);
    form->addRow(QStringLiteral("&Mailer ID (assigned by the postal service):"), m_mailerId);
    form->addRow(QStringLiteral("Se&rial number:"), m_serial);
    auto* note = new QLabel(
        QStringLiteral("The barcode is routed by the ZIP code at the end of the mailing address."));
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    m_problem = new QLabel;
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    m_problem->setAccessibleName(QStringLiteral("Problem"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPostalOptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto enableFields = [this] {
        for (QLineEdit* edit : {m_barcodeId, m_service, m_mailerId, m_serial})
            edit->setEnabled(m_barcode->isChecked());
    };
    connect(m_barcode, &QCheckBox::toggled, this, enableFields);
    enableFields();

    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget : {static_cast<QWidget*>(m_check), static_cast<QWidget*>(m_areas),
                            static_cast<QWidget*>(m_style), static_cast<QWidget*>(m_barcode)})
        layout->addWidget(widget);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

void CPostalOptionsDlg::accept() {
    PostalOptions options;
    options.checkBeforePrinting = m_check->isChecked();
    options.showAreas = m_areas->isChecked();
    options.postalStyle = m_style->isChecked();
    options.barcode = m_barcode->isChecked();
    const QString text =
        QStringList{m_barcodeId->text(), m_service->text(), m_mailerId->text(), m_serial->text()}
            .join(u',');
    QString why;
    options.barcodeFields = ParseIntelligentMail(text, &why);
    // Fields of a barcode that is off are kept as far as they are right.
    if (options.barcode && !options.barcodeFields) {
        m_problem->setText(why.left(1).toUpper() + why.mid(1) + u'.');
        return;
    }
    if (!options.barcodeFields)
        options.barcodeFields = m_options.barcodeFields;
    m_options = options;
    QDialog::accept();
}
