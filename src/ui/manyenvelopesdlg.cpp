#include "ui/manyenvelopesdlg.h"

#include "addressbook/addressbook.h"
#include "contacts/contactsimport.h"
#include "platform/exception.h"
#include "postal/postaloptions.h"
#include "print/devnames.h"
#include "print/printeralignment.h"
#include "print/printerblocks.h"
#include "settings/settingsstore.h"
#include "ui/contactsfiledialogs.h"
#include "ui/exceptionmessage.h"
#include "ui/messagebox.h"
#include "ui/printpreview.h"
#include "ui/printresultmessage.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

constexpr int kAddressRole = Qt::UserRole;
constexpr int kLabelRole = Qt::UserRole + 1;
constexpr int kFromBookRole = Qt::UserRole + 2;
// The label and address as Find compares them (Folded).
constexpr int kFoldedRole = Qt::UserRole + 3;

// Our own section beside the window's, so that its stored values stay as
// they are: the ticked labels as a JSON array (a label may hold any
// character) and the find text.
const QString kKeptSection = QStringLiteral("Many Envelopes");
const QString kKeptTicks = QStringLiteral("Ticked");
const QString kKeptFind = QStringLiteral("Find");

// More than this many envelopes are printed only once the user has said so.
constexpr int kConfirmAbove = 10;

// Where a job goes, as a sentence's end: "on QUEUE" or "to the file PATH".
QString Destination(const EnvelopeJob& job) {
    const std::optional<DEVNAMES> names = DEVNAMES::FromBytes(job.devNames);
    if (!names)
        return QStringLiteral("on the configured printer");
    if (names->driver == QStringView(kPdfDriverName))
        return QStringLiteral("to the file %1").arg(names->output);
    return QStringLiteral("on %1").arg(names->device);
}

// Text as Find compares it: without accents and case, so that "muller"
// finds "Müller" and "ÉCOLE" finds "école".
QString Folded(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded.append(c);
    }
    return folded.toCaseFolded();
}

QString Envelopes(qsizetype count) {
    return count == 1 ? QStringLiteral("1 envelope") : QStringLiteral("%1 envelopes").arg(count);
}

QString PrinterLine(const EnvelopeJob& job) {
    const std::optional<DEVNAMES> names = DEVNAMES::FromBytes(job.devNames);
    if (!names)
        return QStringLiteral("Printer: none");
    if (names->driver == QStringView(kPdfDriverName))
        return QStringLiteral("Printer: file %1").arg(names->output);
    return QStringLiteral("Printer: %1").arg(names->device);
}

// The status line after a job went through.
QString Sent(const EnvelopeJob& job, int count) {
    const std::optional<DEVNAMES> names = DEVNAMES::FromBytes(job.devNames);
    if (names && names->driver == QStringView(kPdfDriverName))
        return QStringLiteral("%1 saved to %2").arg(Envelopes(count), names->output);
    return QStringLiteral("%1 sent to %2").arg(Envelopes(count), names ? names->device : QString());
}

// "5" or "5-9" (spaces and an en dash allowed) within 1 to last, as the
// first and last number; nothing for anything else.
std::optional<std::pair<int, int>> ParseRange(const QString& text, int last) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d+)\\s*(?:[-\u2013]\\s*(\\d+)\\s*)?$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int first = match.captured(1).toInt();
    const int end = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
    if (first < 1 || end < first || end > last)
        return std::nullopt;
    return std::make_pair(first, end);
}

QPushButton* Button(const QString& text, const QString& accessibleName) {
    auto* button = new QPushButton(text);
    button->setAccessibleName(accessibleName);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CManyEnvelopesDlg::CManyEnvelopesDlg(const EnvelopeJob& job, const CAddressBook& book,
                                     CSettingsStore& settings, PrinterSetup setUpPrinter,
                                     QWidget* parent)
    : QDialog(parent), m_job(job), m_settings(settings), m_setUpPrinter(std::move(setUpPrinter)) {
    setWindowTitle(QStringLiteral("Print Many Envelopes"));

    m_find = new QLineEdit;
    m_find->setAccessibleName(QStringLiteral("Find"));
    m_find->setPlaceholderText(QStringLiteral("Label or address"));
    m_find->setClearButtonEnabled(true);
    auto* findLabel = new QLabel(QStringLiteral("&Find:"));
    findLabel->setBuddy(m_find);

    m_list = new QListWidget;
    m_list->setAccessibleName(QStringLiteral("Envelopes"));
    // Rows are selected as in any list, and Space ticks every selected one.
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setUniformItemSizes(true);

    m_noMatch = new QLabel;
    m_noMatch->setTextFormat(Qt::PlainText);
    m_noMatch->hide();

    m_status = new QLabel;
    m_status->setTextFormat(Qt::PlainText);
    m_status->setAccessibleName(QStringLiteral("Last print"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->hide();

    m_printer = new QLabel;
    m_printer->setTextFormat(Qt::PlainText);
    m_printer->setText(PrinterLine(m_job));
    m_printerSetup = Button(QStringLiteral("P&rinter..."), QStringLiteral("Printer"));
    m_printerSetup->setVisible(static_cast<bool>(m_setUpPrinter));

    m_count = new QLabel;
    m_count->setTextFormat(Qt::PlainText);

    // Alt+F is Find's.
    m_addFromFile = Button(QStringLiteral("Add From F&ile..."), QStringLiteral("Add From File"));
    m_selectAll = Button(QStringLiteral("Select &All"), QStringLiteral("Select All"));
    m_selectNone = Button(QStringLiteral("Select &None"), QStringLiteral("Select None"));
    m_preview = Button(QStringLiteral("Pre&view"), QStringLiteral("Preview"));
    m_printAgain = Button(QStringLiteral("Print A&gain..."), QStringLiteral("Print Again"));
    m_printAgain->setEnabled(false);
    m_print = Button(QStringLiteral("&Print"), QStringLiteral("Print"));
    // Enter anywhere but in Find prints; in Find it goes to the first match.
    m_print->setDefault(true);
    auto* close = Button(QStringLiteral("&Close"), QStringLiteral("Close"));

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_find);
    auto* printerRow = new QHBoxLayout;
    printerRow->addWidget(m_printer, 1);
    printerRow->addWidget(m_printerSetup);
    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(m_addFromFile);
    listButtons->addStretch();
    listButtons->addWidget(m_selectAll);
    listButtons->addWidget(m_selectNone);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(m_preview, QDialogButtonBox::ActionRole);
    buttons->addButton(m_printAgain, QDialogButtonBox::ActionRole);
    buttons->addButton(m_print, QDialogButtonBox::AcceptRole);
    buttons->addButton(close, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(m_noMatch);
    layout->addWidget(m_list, 1);
    layout->addLayout(listButtons);
    layout->addWidget(m_count);
    layout->addWidget(m_status);
    layout->addLayout(printerRow);
    layout->addWidget(buttons);
    resize(520, 480);

    // Ticks of labels the book no longer has are dropped with them.
    QSet<QString> ticked;
    const QJsonArray kept =
        QJsonDocument::fromJson(m_settings.GetProfileString(kKeptSection, kKeptTicks).toUtf8())
            .array();
    for (const auto& label : kept)
        ticked.insert(label.toString());
    m_find->setText(m_settings.GetProfileString(kKeptSection, kKeptFind));
    for (int i = 0; i < book.GetSize(); ++i) {
        const CAddress& entry = book.GetAt(i);
        AddEntry(entry.m_strLabel, entry.m_strAddress, ticked.contains(entry.m_strLabel), true);
    }
    UpdateCount();
    m_find->installEventFilter(this);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    auto* findShortcut = new QShortcut(QKeySequence::Find, this);
    connect(findShortcut, &QShortcut::activated, this, [this] {
        m_find->setFocus(Qt::ShortcutFocusReason);
        m_find->selectAll();
    });
    connect(m_list, &QListWidget::itemClicked, this, &CManyEnvelopesDlg::OnItemClicked);

    connect(m_find, &QLineEdit::textChanged, this, &CManyEnvelopesDlg::OnFind);
    connect(m_list, &QListWidget::itemChanged, this, &CManyEnvelopesDlg::UpdateCount);
    connect(m_addFromFile, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnAddFromFile);
    connect(m_selectAll, &QPushButton::clicked, this, [this] { OnSelect(true); });
    connect(m_selectNone, &QPushButton::clicked, this, [this] { OnSelect(false); });
    connect(m_preview, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPreview);
    connect(m_print, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPrint);
    connect(m_printAgain, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPrintAgain);
    connect(m_printerSetup, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPrinterSetup);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void CManyEnvelopesDlg::AddEntry(const QString& label, const QString& address, bool checked,
                                 bool fromBook) {
    QString lines = address;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral(", "));
    auto* item = new QListWidgetItem;
    item->setData(kAddressRole, address);
    item->setData(kLabelRole, label);
    item->setData(kFromBookRole, fromBook);
    item->setData(kFoldedRole, Folded(label + QLatin1Char('\n') + address));
    // An entry without an address stays in view, so that nothing is left
    // out unseen, but cannot be printed.
    if (address.trimmed().isEmpty()) {
        item->setText(QStringLiteral("%1 (no address)").arg(label));
        item->setFlags(Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    } else {
        item->setText(QStringLiteral("%1 \u2014 %2").arg(label, lines));
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
    item->setToolTip(address);
    item->setHidden(!Matches(item, m_find->text()));
    m_list->addItem(item);
}

// Every word of the find, anywhere in the label or the address.
bool CManyEnvelopesDlg::Matches(const QListWidgetItem* item, const QString& text) const {
    const QString folded = item->data(kFoldedRole).toString();
    const QStringList words =
        Folded(text).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    return std::all_of(words.begin(), words.end(),
                       [&folded](const QString& word) { return folded.contains(word); });
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
    QString text = Envelopes(count) + QStringLiteral(" to print");
    int shown = 0;
    for (int i = 0; i < m_list->count(); ++i)
        shown += !m_list->item(i)->isHidden();
    const int hidden = TickedHidden();
    if (shown < m_list->count()) {
        text += QStringLiteral("; %1 of %2 shown").arg(shown).arg(m_list->count());
        if (hidden > 0)
            text += hidden == 1 ? QStringLiteral(", 1 ticked entry hidden")
                                : QStringLiteral(", %1 ticked entries hidden").arg(hidden);
    }
    m_count->setText(text);
    // A screen reader says the name, so the name carries the number.
    m_count->setAccessibleName(text);
    m_noMatch->setText(QStringLiteral("Nothing matches \u201c%1\u201d.").arg(m_find->text()));
    m_noMatch->setVisible(shown == 0 && m_list->count() > 0);
    m_preview->setEnabled(count > 0);
    m_print->setEnabled(count > 0);
    const QString unit = count == 1 ? QStringLiteral("Envelope") : QStringLiteral("Envelopes");
    m_print->setText(count == 0 ? QStringLiteral("&Print")
                                : QStringLiteral("&Print %1 %2").arg(count).arg(unit));
    m_print->setAccessibleName(m_print->text().remove(QLatin1Char('&')));
}

bool CManyEnvelopesDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_find && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // The line edit passes Enter on to the dialog, whose default button
        // would print what the find may be hiding.
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
            FocusFirstShown();
            return true;
        }
        // Escape takes back the find before it closes the dialog.
        if (key == Qt::Key_Escape && !m_find->text().isEmpty()) {
            m_find->clear();
            return true;
        }
    }
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        TickSelected();
        return true;
    }
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressed = mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier
                        ? m_list->itemAt(mouse->position().toPoint())
                        : nullptr;
        m_pressedState = m_pressed ? m_pressed->checkState() : Qt::Unchecked;
    }
    return QDialog::eventFilter(watched, event);
}

// A plain click on a row ticks it or takes its tick away. A click on the
// box itself is the box's own: Qt does not report it as a click, and should
// it, the tick changed since the press says it was taken care of.
void CManyEnvelopesDlg::OnItemClicked(QListWidgetItem* item) {
    if (item == m_pressed && item->checkState() == m_pressedState &&
        item->flags().testFlag(Qt::ItemIsEnabled))
        item->setCheckState(m_pressedState == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    m_pressed = nullptr;
}

// Ticks every selected row, or takes the ticks away when all were ticked.
void CManyEnvelopesDlg::TickSelected() {
    QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty() && m_list->currentItem())
        selected.append(m_list->currentItem());
    const bool tick = std::any_of(selected.begin(), selected.end(), [](const auto* item) {
        return item->flags().testFlag(Qt::ItemIsEnabled) && item->checkState() != Qt::Checked;
    });
    const QSignalBlocker blocker(m_list);
    for (QListWidgetItem* item : selected) {
        if (item->flags().testFlag(Qt::ItemIsEnabled))
            item->setCheckState(tick ? Qt::Checked : Qt::Unchecked);
    }
    UpdateCount();
}

void CManyEnvelopesDlg::done(int result) {
    QJsonArray ticked;
    for (int i = 0; i < m_list->count(); ++i) {
        const QListWidgetItem* item = m_list->item(i);
        if (item->data(kFromBookRole).toBool() && item->checkState() == Qt::Checked)
            ticked.append(item->data(kLabelRole).toString());
    }
    // A failed write is not reported, as with every stored value.
    m_settings.WriteProfileValues(
        kKeptSection,
        {{kKeptTicks, QString::fromUtf8(QJsonDocument(ticked).toJson(QJsonDocument::Compact))},
         {kKeptFind, m_find->text()}});
    QDialog::done(result);
}

void CManyEnvelopesDlg::FocusFirstShown() {
    for (int i = 0; i < m_list->count(); ++i) {
        if (!m_list->item(i)->isHidden()) {
            m_list->setCurrentRow(i);
            m_list->setFocus(Qt::ShortcutFocusReason);
            return;
        }
    }
}

bool CManyEnvelopesDlg::ConfirmPrint(int total, int hidden) {
    if (total <= kConfirmAbove && hidden == 0)
        return true;
    QString text = QStringLiteral("Print %1 %2?").arg(Envelopes(total), Destination(m_job));
    if (hidden > 0)
        text += QStringLiteral("\n\n%1 of them %2 hidden by Find.")
                    .arg(hidden)
                    .arg(hidden == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    return AskMessageBox(this, QMessageBox::Question, windowTitle(), text,
                         QStringLiteral("&Print"));
}

int CManyEnvelopesDlg::TickedHidden() const {
    int hidden = 0;
    for (int i = 0; i < m_list->count(); ++i)
        hidden += m_list->item(i)->isHidden() && m_list->item(i)->checkState() == Qt::Checked;
    return hidden;
}

void CManyEnvelopesDlg::OnFind(const QString& text) {
    for (int i = 0; i < m_list->count(); ++i)
        m_list->item(i)->setHidden(!Matches(m_list->item(i), text));
    UpdateCount();
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
            AddEntry(entry.m_strLabel, entry.m_strAddress, true, false);
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
    const PageOverlay areas =
        ReadPostalOptions(m_settings).showAreas ? PageOverlay(&DrawPostalAreas) : PageOverlay();
    const PreviewOutcome outcome = ShowPrintPreview(this, m_job, CheckedAddresses(), areas);
    if (outcome == PreviewOutcome::Print) {
        OnPrint();
    } else if (outcome == PreviewOutcome::InvalidSetup) {
        if (!m_setUpPrinter)
            ShowPrintResult(this, PrintResult::InvalidSetup);
        else if (OfferPrinterSetup(this))
            OnPrinterSetup();
    }
}

// The job takes whatever the setup leaves stored, as the window's next
// Print would: the printer and that printer's own alignment.
void CManyEnvelopesDlg::OnPrinterSetup() {
    m_setUpPrinter(m_job.devMode, m_job.devNames);
    m_job.alignment = ReadPrinterAlignment(m_settings, AlignmentPrinterName(m_job.devNames))
                          .value_or(PrinterAlignment());
    m_printer->setText(PrinterLine(m_job));
}

void CManyEnvelopesDlg::OnPrint() {
    const QStringList addresses = CheckedAddresses();
    const int total = static_cast<int>(addresses.size());
    if (total == 0 || !ConfirmPrint(total, TickedHidden()))
        return;
    // A reprint is numbered in the job it came from, which stays the last.
    if (PrintList(addresses)) {
        m_lastPrinted = addresses;
        m_printAgain->setEnabled(true);
    }
}

void CManyEnvelopesDlg::OnPrintAgain() {
    const int last = static_cast<int>(m_lastPrinted.size());
    bool ok = false;
    const QString text = QInputDialog::getText(
        this, QStringLiteral("Print Again"),
        QStringLiteral("Envelopes of the last job to print again, numbered 1 to %1 in list "
                       "order (for example 5, or 5-9):")
            .arg(last),
        QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    const std::optional<std::pair<int, int>> range = ParseRange(text, last);
    if (!range) {
        ShowMessageBox(this, QMessageBox::Warning, QStringLiteral("Print Again"),
                       QStringLiteral("Type one number from 1 to %1, or two joined by a hyphen, "
                                      "such as 5-9.")
                           .arg(last));
        return;
    }
    PrintList(m_lastPrinted.mid(range->first - 1, range->second - range->first + 1));
}

bool CManyEnvelopesDlg::PrintList(const QStringList& addresses) {
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
    // The dialog stays open, saying where the job went, so that a jammed
    // envelope can be printed again and a reflexive Escape closes only it.
    if (result != PrintResult::Printed)
        return false;
    m_status->setText(Sent(m_job, total));
    m_status->show();
    return true;
}

void CManyEnvelopesDlg::ReportResult(PrintResult result, const PrintFailure& failure, int sent,
                                     int total) {
    if (result == PrintResult::InvalidSetup && m_setUpPrinter) {
        if (OfferPrinterSetup(this))
            OnPrinterSetup();
        return;
    }
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
