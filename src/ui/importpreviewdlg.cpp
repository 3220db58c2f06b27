#include "ui/importpreviewdlg.h"

#include "addressbook/addressbook.h"
#include "settings/settingsstore.h"
#include "ui/contactsfiledialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
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
    : QDialog(parent), m_import(import), m_book(book), m_settings(settings) {
    setWindowTitle(QStringLiteral("Import Addresses"));

    auto* file = new QLabel(QStringLiteral("What importing %1 will do:").arg(fileName));
    file->setTextFormat(Qt::PlainText);
    file->setWordWrap(true);

    m_duplicates = new QComboBox;
    m_duplicates->addItem(QStringLiteral("Leave the contact out"), int(DuplicateLabels::Skip));
    m_duplicates->addItem(QStringLiteral("Replace the entry's address"),
                          int(DuplicateLabels::Replace));
    m_duplicates->addItem(QStringLiteral("Add it under a new label"), int(DuplicateLabels::Rename));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("When the address book has the &label already:"), m_duplicates);

    m_list = new QTreeWidget;
    m_list->setAccessibleName(QStringLiteral("Contacts of the file"));
    m_list->setHeaderLabels(
        {QStringLiteral("Label"), QStringLiteral("What happens"), QStringLiteral("Address")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, 160);

    m_summary = new QLabel;
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);

    m_problems = new QPlainTextEdit;
    m_problems->setReadOnly(true);
    m_problems->setAccessibleName(QStringLiteral("Problems in the file"));
    m_problems->setMaximumHeight(fontMetrics().lineSpacing() * 6);
    const QStringList problems = ProblemLines(import.Report());
    m_problems->setPlainText(problems.join(QLatin1Char('\n')));
    auto* problemsLabel = new QLabel(QStringLiteral("&Problems in the file:"));
    problemsLabel->setBuddy(m_problems);
    problemsLabel->setVisible(!problems.isEmpty());
    m_problems->setVisible(!problems.isEmpty());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    m_importButton = buttons->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    m_importButton->setDefault(true);
    // Enter imports; the list, which says what will happen, has the keyboard.
    buttons->button(QDialogButtonBox::Cancel)->setAutoDefault(false);
    m_importButton->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addLayout(form);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_summary);
    layout->addWidget(problemsLabel);
    layout->addWidget(m_problems);
    layout->addWidget(buttons);
    resize(qBound(320, m_settings.GetProfileInt(kSection, kWidth, 640), 4000),
           qBound(240, m_settings.GetProfileInt(kSection, kHeight, 420), 4000));

    Fill();
    m_list->setFocus();
    connect(m_duplicates, &QComboBox::currentIndexChanged, this, &CImportPreviewDlg::Fill);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

DuplicateLabels CImportPreviewDlg::Policy() const {
    return DuplicateLabels(m_duplicates->currentData().toInt());
}

void CImportPreviewDlg::Fill() {
    m_list->clear();
    const QList<CAddress>& entries = m_import.Entries();
    const QList<MergeStep> steps = m_import.PlanMerge(m_book, Policy());
    int added = 0;
    int replaced = 0;
    int left = m_import.WithoutAddressCount();
    QList<QTreeWidgetItem*> rows;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const MergeStep& step = steps[i];
        QString what;
        switch (step.kind) {
        case MergeStep::Kind::Add:
            what = QStringLiteral("Added");
            ++added;
            break;
        case MergeStep::Kind::Rename:
            what = QStringLiteral("Added as \u201c%1\u201d").arg(step.label);
            ++added;
            break;
        case MergeStep::Kind::Replace:
            what = step.bookIndex >= 0 ? QStringLiteral("Replaces the entry's address")
                                       : QStringLiteral("Replaces the file's earlier address");
            ++replaced;
            break;
        case MergeStep::Kind::Skip:
            what = QStringLiteral("Left out: the label is taken");
            ++left;
            break;
        }
        auto* row =
            new QTreeWidgetItem({entries[i].m_strLabel, what,
                                 AddressLine(entries[i].m_strLabel, entries[i].m_strAddress)});
        row->setToolTip(2, entries[i].m_strAddress);
        rows.append(row);
    }
    for (const QString& label : m_import.WithoutAddress())
        rows.append(new QTreeWidgetItem({label, QStringLiteral("Left out: no address")}));
    m_list->addTopLevelItems(rows);
    // What happens is what the list is for: it is shown whole, within reason.
    m_list->resizeColumnToContents(1);
    m_list->setColumnWidth(1, qMin(m_list->columnWidth(1), width() / 2));

    QStringList summary;
    summary.append(added == 1 ? QStringLiteral("1 address will be added")
                              : QStringLiteral("%1 addresses will be added").arg(added));
    if (replaced > 0)
        summary.append(QStringLiteral("%1 replaced").arg(replaced));
    summary.append(QStringLiteral("%1 left out").arg(left));
    m_summary->setText(summary.join(QStringLiteral(", ")) + QLatin1Char('.'));
    m_importButton->setEnabled(added + replaced > 0);
}

void CImportPreviewDlg::done(int result) {
    // A failed write is not reported, as with every stored value.
    m_settings.WriteProfileValues(kSection, {{kWidth, width()}, {kHeight, height()}});
    QDialog::done(result);
}
