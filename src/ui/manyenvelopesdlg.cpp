#include "ui/manyenvelopesdlg.h"

#include "addressbook/addressbook.h"
#include "contacts/contactsimport.h"
#include "platform/exception.h"
#include "ui/contactsfiledialogs.h"
#include "ui/exceptionmessage.h"
#include "ui/messagebox.h"
#include "ui/printpreview.h"
#include "ui/printresultmessage.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kAddressRole = Qt::UserRole;
constexpr int kLabelRole = Qt::UserRole + 1;

QPushButton* Button(const QString& text, const QString& accessibleName) {
    auto* button = new QPushButton(text);
    button->setAccessibleName(accessibleName);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CManyEnvelopesDlg::CManyEnvelopesDlg(const EnvelopeJob& job, const CAddressBook& book,
                                     QWidget* parent)
    : QDialog(parent), m_job(job) {
    setWindowTitle(QStringLiteral("Print Many Envelopes"));

    m_find = new QLineEdit;
    m_find->setAccessibleName(QStringLiteral("Find"));
    m_find->setPlaceholderText(QStringLiteral("Label or address"));
    m_find->setClearButtonEnabled(true);
    auto* findLabel = new QLabel(QStringLiteral("&Find:"));
    findLabel->setBuddy(m_find);

    m_list = new QListWidget;
    m_list->setAccessibleName(QStringLiteral("Envelopes"));
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setUniformItemSizes(true);

    m_count = new QLabel;
    m_count->setAccessibleName(QStringLiteral("Envelopes to print"));
    m_count->setTextFormat(Qt::PlainText);

    m_addFromFile = Button(QStringLiteral("Add From &File..."), QStringLiteral("Add From File"));
    m_selectAll = Button(QStringLiteral("Select &All"), QStringLiteral("Select All"));
    m_selectNone = Button(QStringLiteral("Select &None"), QStringLiteral("Select None"));
    m_preview = Button(QStringLiteral("Pre&view"), QStringLiteral("Preview"));
    m_print = Button(QStringLiteral("&Print"), QStringLiteral("Print"));
    auto* close = Button(QStringLiteral("Close"), QStringLiteral("Close"));

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_find);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(m_addFromFile);
    listButtons->addStretch();
    listButtons->addWidget(m_selectAll);
    listButtons->addWidget(m_selectNone);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(m_preview, QDialogButtonBox::ActionRole);
    buttons->addButton(m_print, QDialogButtonBox::AcceptRole);
    buttons->addButton(close, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(m_list, 1);
    layout->addLayout(listButtons);
    layout->addWidget(m_count);
    layout->addWidget(buttons);
    resize(520, 480);

    for (int i = 0; i < book.GetSize(); ++i)
        AddEntry(book.GetAt(i).m_strLabel, book.GetAt(i).m_strAddress, false);
    UpdateCount();

    connect(m_find, &QLineEdit::textChanged, this, &CManyEnvelopesDlg::OnFind);
    connect(m_list, &QListWidget::itemChanged, this, &CManyEnvelopesDlg::UpdateCount);
    connect(m_addFromFile, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnAddFromFile);
    connect(m_selectAll, &QPushButton::clicked, this, [this] { OnSelect(true); });
    connect(m_selectNone, &QPushButton::clicked, this, [this] { OnSelect(false); });
    connect(m_preview, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPreview);
    connect(m_print, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPrint);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void CManyEnvelopesDlg::AddEntry(const QString& label, const QString& address, bool checked) {
    QString lines = address;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral(", "));
    auto* item = new QListWidgetItem;
    item->setData(kAddressRole, address);
    item->setData(kLabelRole, label);
    // An entry without an address stays in view, so that nothing is left
    // out unseen, but cannot be printed.
    if (address.trimmed().isEmpty()) {
        item->setText(QStringLiteral("%1 (no address)").arg(label));
        item->setFlags(Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    } else {
        item->setText(QStringLiteral("%1 \u2014 %2").arg(label, lines));
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    item->setToolTip(address);
    item->setHidden(!Matches(item, m_find->text()));
    m_list->addItem(item);
}

bool CManyEnvelopesDlg::Matches(const QListWidgetItem* item, const QString& text) const {
    return item->data(kLabelRole).toString().contains(text, Qt::CaseInsensitive) ||
           item->data(kAddressRole).toString().contains(text, Qt::CaseInsensitive);
}

QStringList CManyEnvelopesDlg::CheckedAddresses() const {
    QStringList addresses;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem* item = m_list->item(i);
        if (item->checkState() == Qt::Checked)
            addresses.append(item->data(kAddressRole).toString());
    }
    return addresses;
}

void CManyEnvelopesDlg::UpdateCount() {
    const qsizetype count = CheckedAddresses().size();
    m_count->setText(count == 1 ? QStringLiteral("1 envelope to print")
                                : QStringLiteral("%1 envelopes to print").arg(count));
    m_preview->setEnabled(count > 0);
    m_print->setEnabled(count > 0);
}

void CManyEnvelopesDlg::OnFind(const QString& text) {
    for (int i = 0; i < m_list->count(); ++i)
        m_list->item(i)->setHidden(!Matches(m_list->item(i), text));
}

// Select All and Select None act on the entries the find shows.
void CManyEnvelopesDlg::OnSelect(bool checked) {
    const QSignalBlocker blocker(m_list);
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        if (!item->isHidden() && item->flags().testFlag(Qt::ItemIsEnabled))
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    UpdateCount();
}

void CManyEnvelopesDlg::OnAddFromFile() {
    const std::optional<ImportSource> source = AskImportFile(this);
    if (!source)
        return;
    CContactsImport import(CAddressFormatter::SystemCountry(), source->address);
    try {
        import.ReadFile(source->path);
    } catch (const CException& e) {
        ShowExceptionMessage(this, e);
        return;
    }
    {
        const QSignalBlocker blocker(m_list);
        for (const CAddress& entry : import.Entries())
            AddEntry(entry.m_strLabel, entry.m_strAddress, true);
    }
    UpdateCount();
    if (import.Report().IsClean() && import.WithoutAddressCount() == 0)
        return;
    ImportResult result;
    result.added = static_cast<int>(import.Entries().size());
    result.withoutAddress = import.WithoutAddressCount();
    result.withoutAddressNames = import.WithoutAddress().first(
        qMin<qsizetype>(import.WithoutAddress().size(), CContactsImport::kNamesListed));
    ShowMessageBox(this, QMessageBox::Warning, QStringLiteral("Add From File"),
                   ImportMessage(result, import.Report()));
}

void CManyEnvelopesDlg::OnPreview() {
    if (!ShowPrintPreview(this, m_job, CheckedAddresses()))
        ShowPrintResult(this, PrintResult::InvalidSetup);
}

void CManyEnvelopesDlg::OnPrint() {
    const QStringList addresses = CheckedAddresses();
    const int total = static_cast<int>(addresses.size());
    QProgressDialog progress(QStringLiteral("Printing envelope 1 of %1...").arg(total),
                             QStringLiteral("Cancel"), 0, total, this);
    progress.setWindowTitle(QStringLiteral("Print Many Envelopes"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    int sent = 0;
    PrintFailure failure;
    const PrintResult result = PrintEnvelopes(
        m_job, addresses,
        [&](int pages) {
            sent = pages;
            progress.setLabelText(QStringLiteral("Printing envelope %1 of %2...")
                                      .arg(qMin(pages + 1, total))
                                      .arg(total));
            // Draws the dialog and takes the clicks on Cancel.
            progress.setValue(pages);
            return !progress.wasCanceled();
        },
        &failure);
    progress.close();
    ReportResult(result, failure, sent, total);
    if (result == PrintResult::Printed)
        accept();
}

void CManyEnvelopesDlg::ReportResult(PrintResult result, const PrintFailure& failure, int sent,
                                     int total) {
    if (result != PrintResult::Cancelled) {
        ShowPrintResult(this, result, failure);
        return;
    }
    ShowMessageBox(this, QMessageBox::Information, QCoreApplication::applicationName(),
                   QStringLiteral("Printing was cancelled after %1 of %2 envelopes had been "
                                  "sent. The job was withdrawn: none of them was printed.")
                       .arg(sent)
                       .arg(total));
}
