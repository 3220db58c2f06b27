#include "ui/importpreviewdlg.h"

#include "addressbook/addressbook.h"
#include "settings/settingsstore.h"
#include "ui/contactsfiledialogs.h"
#include "ui/dialogbuttons.h"
#include "ui/importplanmodel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Our own section, beside the window's values.
const QString kSection = QStringLiteral("Import Addresses");
const QString kWidth = QStringLiteral("Width");
const QString kHeight = QStringLiteral("Height");

} // namespace

CImportPreviewDlg::CImportPreviewDlg(const CContactsImport& import, const CAddressBook& book,
                                     const QString& fileName, CSettingsStore& settings,
                                     QWidget* parent)
    : QDialog(parent), m_settings(settings), m_plan(new CImportPlanModel(import, book, this)) {
    setWindowTitle(QStringLiteral("Import Addresses"));

    auto* file = new QLabel(QStringLiteral("What importing %1 will do:").arg(fileName));
    file->setTextFormat(Qt::PlainText);
    file->setWordWrap(true);

    m_duplicates = new QComboBox;
    m_duplicates->setObjectName(QStringLiteral("duplicates"));
    m_duplicates->addItem(QStringLiteral("Leave the contact out"), int(DuplicateLabels::Skip));
    m_duplicates->addItem(QStringLiteral("Replace the entry's address"),
                          int(DuplicateLabels::Replace));
    m_duplicates->addItem(QStringLiteral("Add it under a new label"), int(DuplicateLabels::Rename));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("When the address book has the &label already:"), m_duplicates);

    MakeList();

    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);

    QDialogButtonBox* buttons = MakeButtons();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addLayout(form);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_summary);
    AddProblems(layout, import);
    layout->addWidget(buttons);
    TabInShownOrder(*buttons);
    resize(qBound(320, m_settings.GetProfileInt(kSection, kWidth, 640), 4000),
           qBound(240, m_settings.GetProfileInt(kSection, kHeight, 420), 4000));

    Fill();
    m_list->setFocus();
    connect(m_duplicates, &QComboBox::currentIndexChanged, this, &CImportPreviewDlg::Fill);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

// The plan, a contact a row.
void CImportPreviewDlg::MakeList() {
    m_list = new QTreeView;
    m_list->setObjectName(QStringLiteral("contacts"));
    m_list->setAccessibleName(QStringLiteral("Contacts of the file"));
    m_list->setModel(m_plan);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(CImportPlanModel::kLabelColumn, 160);
}

QDialogButtonBox* CImportPreviewDlg::MakeButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel | QDialogButtonBox::Help);
    buttons->button(QDialogButtonBox::Help)->setAutoDefault(false);
    const QString helpPage = QStringLiteral("import.html#preview");
    ConnectHelp(*this, *buttons, helpPage);
    m_importButton = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    m_importButton->setObjectName(QStringLiteral("import"));
    m_importButton->setDefault(true);
    // Enter imports; the list, which says what will happen, has the keyboard.
    buttons->button(QDialogButtonBox::Cancel)->setAutoDefault(false);
    m_importButton->setAutoDefault(false);
    return buttons;
}

// The file's problems, a line each, when it has any.
void CImportPreviewDlg::AddProblems(QVBoxLayout* layout, const CContactsImport& import) {
    auto* problems = new QPlainTextEdit;
    problems->setObjectName(QStringLiteral("problems"));
    problems->setReadOnly(true);
    problems->setAccessibleName(QStringLiteral("Problems in the file"));
    problems->setMaximumHeight(fontMetrics().lineSpacing() * 6);
    const QStringList lines = ProblemLines(import.Report());
    problems->setPlainText(lines.join(QLatin1Char('\n')));
    auto* label = new QLabel(QStringLiteral("&Problems in the file:"));
    label->setBuddy(problems);
    label->setVisible(!lines.isEmpty());
    problems->setVisible(!lines.isEmpty());
    layout->addWidget(label);
    layout->addWidget(problems);
}

DuplicateLabels CImportPreviewDlg::Policy() const {
    return DuplicateLabels(m_duplicates->currentData().toInt());
}

void CImportPreviewDlg::Fill() {
    m_plan->Plan(Policy());
    // What happens is what the list is for: it is shown whole, within reason.
    m_list->resizeColumnToContents(CImportPlanModel::kWhatColumn);
    m_list->setColumnWidth(CImportPlanModel::kWhatColumn,
                           qMin(m_list->columnWidth(CImportPlanModel::kWhatColumn), width() / 2));

    const CImportPlanModel::Counts counts = m_plan->PlannedCounts();
    QStringList summary;
    summary.append(counts.added == 1
                       ? QStringLiteral("1 address will be added")
                       : QStringLiteral("%1 addresses will be added").arg(counts.added));
    if (counts.replaced > 0)
        summary.append(QStringLiteral("%1 replaced").arg(counts.replaced));
    summary.append(QStringLiteral("%1 left out").arg(counts.leftOut));
    m_summary->setText(summary.join(QStringLiteral(", ")) + QLatin1Char('.'));
    m_importButton->setEnabled(counts.added + counts.replaced > 0);
}

void CImportPreviewDlg::done(int result) {
    // A failed write is not reported, as with every stored value.
    m_settings.WriteProfileValues(kSection, {{kWidth, width()}, {kHeight, height()}});
    QDialog::done(result);
}
