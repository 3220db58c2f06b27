#include "ui/postaloptionsdlg.h"

#include "ui/dialogbuttons.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// Each field says its format before anything is typed, and takes digits
// alone.
QLineEdit* DigitsField(const QString& text, int digits, const QString& format) {
    auto* edit = new QLineEdit(text);
    edit->setMaxLength(digits);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), edit));
    edit->setPlaceholderText(format);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(format) + 16);
    edit->setToolTip(format);
    return edit;
}

} // namespace

CPostalOptionsDlg::CPostalOptionsDlg(const PostalOptions& options, QWidget* parent)
    : QDialog(parent), m_options(options) {
    setWindowTitle(QStringLiteral("Postal Options"));
    MakeChoices(options);
    QFormLayout* form = MakeBarcodeFields(options.barcodeFields.value_or(IntelligentMailFields()));
    auto* note = new QLabel(
        QStringLiteral("The barcode is routed by the ZIP code at the end of the mailing address."));
    note->setTextFormat(Qt::PlainText);
    note->setWordWrap(true);
    m_problem = new QLabel;
    m_problem->setTextFormat(Qt::PlainText);
    m_problem->setWordWrap(true);
    m_problem->setAccessibleName(QStringLiteral("Problem"));
    m_problem->setObjectName(QStringLiteral("problem"));
    QDialogButtonBox* buttons = MakeButtons();
    connect(m_barcode, &QCheckBox::toggled, this, &CPostalOptionsDlg::EnableBarcodeFields);
    EnableBarcodeFields();

    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget : {static_cast<QWidget*>(m_check), static_cast<QWidget*>(m_areas),
                            static_cast<QWidget*>(m_style), static_cast<QWidget*>(m_barcode)})
        layout->addWidget(widget);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    TabInShownOrder(*buttons);
}

void CPostalOptionsDlg::MakeChoices(const PostalOptions& options) {
    m_check = new QCheckBox(QStringLiteral("&Check the mailing address before printing"));
    m_areas = new QCheckBox(QStringLiteral("Show the post office's &areas in the preview"));
    m_style = new QCheckBox(
        QStringLiteral("Print the mailing address in &postal style (capitals, no punctuation)"));
    m_barcode = new QCheckBox(QStringLiteral("Print an &Intelligent Mail barcode"));
    m_check->setChecked(options.checkBeforePrinting);
    m_areas->setChecked(options.showAreas);
    m_style->setChecked(options.postalStyle);
    m_barcode->setChecked(options.barcode);
}

QFormLayout* CPostalOptionsDlg::MakeBarcodeFields(const IntelligentMailFields& fields) {
    m_barcodeId = DigitsField(fields.barcodeId, 2, QStringLiteral("2 digits, the second 0 to 4"));
    m_service = DigitsField(fields.serviceType, 3, QStringLiteral("3 digits"));
    m_mailerId = DigitsField(fields.mailerId, 9, QStringLiteral("6 digits, or 9 beginning with 9"));
    m_serial = DigitsField(fields.serial, 9,
                           QStringLiteral("up to 9 digits; up to 6 with a 9-digit Mailer ID"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Barcode identifier (2 digits):"), m_barcodeId);
    form->addRow(QStringLiteral("&Service type (3 digits):"), m_service);
    form->addRow(QStringLiteral("&Mailer ID (6 or 9 digits, assigned by the postal service):"),
                 m_mailerId);
    form->addRow(QStringLiteral("Se&rial number (up to 9 or 6 digits):"), m_serial);
    return form;
}

QDialogButtonBox* CPostalOptionsDlg::MakeButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Help);
    buttons->button(QDialogButtonBox::Help)->setAutoDefault(false);
    ConnectHelp(*this, *buttons, QStringLiteral("postal.html"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CPostalOptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

void CPostalOptionsDlg::EnableBarcodeFields() {
    for (QLineEdit* edit : {m_barcodeId, m_service, m_mailerId, m_serial})
        edit->setEnabled(m_barcode->isChecked());
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
        // Every wrong field, each checked beside right ones, a line each;
        // the keyboard goes to the first.
        QString unused;
        const QString mailerId =
            ParseIntelligentMail(QStringLiteral("00,300,%1,1").arg(m_mailerId->text()), &unused)
                ? m_mailerId->text()
                : QStringLiteral("123456");
        const std::pair<QLineEdit*, QString> checks[] = {
            {m_barcodeId, QStringLiteral("%1,300,123456,1")},
            {m_service, QStringLiteral("00,%1,123456,1")},
            {m_mailerId, QStringLiteral("00,300,%1,1")},
            {m_serial, QStringLiteral("00,300,") + mailerId + QStringLiteral(",%1")},
        };
        QStringList problems;
        QLineEdit* first = nullptr;
        for (const auto& [edit, pattern] : checks) {
            QString wrong;
            if (ParseIntelligentMail(pattern.arg(edit->text()), &wrong))
                continue;
            problems << wrong.left(1).toUpper() + wrong.mid(1) + u'.';
            first = first ? first : edit;
        }
        m_problem->setText(problems.join(u'\n'));
        if (first) {
            first->setFocus(Qt::OtherFocusReason);
            first->selectAll();
        }
        return;
    }
    if (!options.barcodeFields)
        options.barcodeFields = m_options.barcodeFields;
    m_options = options;
    QDialog::accept();
}
