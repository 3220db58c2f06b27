#include "ui/manyenvelopesdlg.h"

#include "addressbook/addressbook.h"
#include "contacts/addressformatter.h"
#include "contacts/contactsimport.h"
#include "platform/exception.h"
#include "postal/postaloptions.h"
#include "print/printeralignment.h"
#include "settings/settingsstore.h"
#include "ui/contactsfiledialogs.h"
#include "ui/dialogbuttons.h"
#include "ui/envelopelistfilter.h"
#include "ui/envelopelistmodel.h"
#include "ui/exceptionmessage.h"
#include "ui/messagebox.h"
#include "ui/printpreview.h"
#include "ui/printresultmessage.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QShortcut>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <functional>
#include <optional>
#include <utility>

namespace {

constexpr int kLabelColumn = CEnvelopeListModel::kLabelColumn;
constexpr int kFromColumn = CEnvelopeListModel::kFromColumn;

// Our own section beside the window's, so that its stored values stay as
// they are: the ticked labels as a JSON array (a label may hold any
// character) and the find text.
const QString kKeptSection = QStringLiteral("Many Envelopes");
const QString kKeptTicks = QStringLiteral("Ticked");
const QString kKeptFind = QStringLiteral("Find");
const QString kKeptWidth = QStringLiteral("Width");
const QString kKeptHeight = QStringLiteral("Height");

const QString kHelpPage = QStringLiteral("printing.html#many-envelopes");

// More than this many envelopes are printed only once the user has said so.
constexpr int kConfirmAbove = 10;

// Where a job goes, as a sentence's end: "on QUEUE" or "to the file PATH".
QString Destination(const EnvelopeJob& job) {
    if (!job.target.IsConfigured())
        return QStringLiteral("on the configured printer");
    if (job.target.IsFile())
        return QStringLiteral("to the file %1").arg(job.target.name);
    return QStringLiteral("on %1").arg(job.target.name);
}

QString Envelopes(qsizetype count) {
    return count == 1 ? QStringLiteral("1 envelope") : QStringLiteral("%1 envelopes").arg(count);
}

QString PrinterLine(const EnvelopeJob& job) {
    if (!job.target.IsConfigured())
        return QStringLiteral("Printer: none");
    const QString note = ShiftNote(job.alignment);
    const QString shift = note.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(note);
    if (job.target.IsFile())
        return QStringLiteral("Printer: file %1%2").arg(job.target.name, shift);
    return QStringLiteral("Printer: %1%2").arg(job.target.name, shift);
}

// The status line after a job went through.
QString Sent(const EnvelopeJob& job, int count) {
    if (job.target.IsFile())
        return QStringLiteral("%1 saved to %2").arg(Envelopes(count), job.target.name);
    return QStringLiteral("%1 sent to %2").arg(Envelopes(count), job.target.name);
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

// A prompt for a line of text that stays open while `check` refuses it.
class CCheckedInputDialog : public QInputDialog {
public:
    CCheckedInputDialog(QWidget* parent, std::function<bool(const QString&)> check)
        : QInputDialog(parent), m_check(std::move(check)) {}
    void done(int result) override {
        if (result == Accepted && !m_check(textValue()))
            return;
        QInputDialog::done(result);
    }

private:
    std::function<bool(const QString&)> m_check;
};

QPushButton* Button(const QString& text, const QString& accessibleName, const QString& name) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CManyEnvelopesDlg::CManyEnvelopesDlg(const EnvelopeJob& job, const CAddressBook& book,
                                     CSettingsStore& settings, PrinterSetup setUpPrinter,
                                     QWidget* parent)
    : QDialog(parent), m_job(job), m_settings(settings), m_setUpPrinter(std::move(setUpPrinter)),
      m_entries(new CEnvelopeListModel(this)), m_shown(new CEnvelopeListFilter(*m_entries, this)) {
    setWindowTitle(QStringLiteral("Print Many Envelopes"));
    MakeList();
    MakeLabels();
    MakeButtons();
    LayOut();
    Restore(book);
    Connect();
}

void CManyEnvelopesDlg::MakeList() {
    m_find = new QLineEdit;
    m_find->setObjectName(QStringLiteral("find"));
    m_find->setAccessibleName(QStringLiteral("Find"));
    m_find->setPlaceholderText(QStringLiteral("Label or address"));
    m_find->setClearButtonEnabled(true);

    m_list = new QTreeView;
    m_list->setObjectName(QStringLiteral("envelopes"));
    m_list->setAccessibleName(QStringLiteral("Envelopes"));
    m_list->setModel(m_shown);
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    // Rows are selected as in any list, and Space ticks every selected one.
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setUniformRowHeights(true);
    // Long addresses end in an ellipsis, the whole one in the tooltip, so
    // nothing is out of sight to the side.
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The address takes the room the other columns leave, so that it
    // stays readable when the file's column joins.
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(CEnvelopeListModel::kAddressColumn,
                                           QHeaderView::Stretch);
    m_list->header()->setSectionsClickable(true);
    m_list->header()->setSortIndicatorShown(false);
    m_list->setColumnWidth(kLabelColumn, 170);
    m_list->setColumnHidden(kFromColumn, true);
}

void CManyEnvelopesDlg::MakeLabels() {
    const auto plain = [](const QString& name) {
        auto* label = new QLabel;
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    m_emptyBook = plain(QStringLiteral("emptyBook"));
    m_emptyBook->setText(QStringLiteral(
        "The address book has no entries yet. Add them in the main window with the address "
        "list button, or add a contacts file for this job with Add From File."));
    m_emptyBook->setWordWrap(true);
    m_emptyBook->setAlignment(Qt::AlignCenter);
    m_emptyBook->hide();

    m_noMatch = plain(QStringLiteral("noMatch"));
    m_noMatch->hide();

    m_status = plain(QStringLiteral("status"));
    m_status->setAccessibleName(QStringLiteral("Last print"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->hide();

    m_printer = plain(QStringLiteral("printer"));
    m_printer->setText(PrinterLine(m_job));
    m_count = plain(QStringLiteral("count"));
}

void CManyEnvelopesDlg::MakeButtons() {
    m_printerSetup = Button(QStringLiteral("P&rinter..."), QStringLiteral("Printer"),
                            QStringLiteral("printerSetup"));
    m_printerSetup->setVisible(static_cast<bool>(m_setUpPrinter));
    // Alt+F is Find's.
    m_addFromFile = Button(QStringLiteral("Add From F&ile..."), QStringLiteral("Add From File"),
                           QStringLiteral("addFromFile"));
    m_selectAll = Button(QStringLiteral("Select &All"), QStringLiteral("Select All"),
                         QStringLiteral("selectAll"));
    m_selectNone = Button(QStringLiteral("Select &None"), QStringLiteral("Select None"),
                          QStringLiteral("selectNone"));
    m_preview =
        Button(QStringLiteral("Pre&view"), QStringLiteral("Preview"), QStringLiteral("preview"));
    m_printAgain = Button(QStringLiteral("Print A&gain..."), QStringLiteral("Print Again"),
                          QStringLiteral("printAgain"));
    m_printAgain->setEnabled(false);
    m_print = Button(QStringLiteral("&Print"), QStringLiteral("Print"), QStringLiteral("print"));
    // Enter anywhere but in Find prints; in Find it goes to the first match.
    m_print->setDefault(true);
    m_close = Button(QStringLiteral("&Close"), QStringLiteral("Close"), QStringLiteral("close"));
}

// The widgets join the dialog in this order, which is the order Tab takes.
void CManyEnvelopesDlg::LayOut() {
    auto* findLabel = new QLabel(QStringLiteral("&Find:"));
    findLabel->setBuddy(m_find);
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
    buttons->addButton(m_close, QDialogButtonBox::RejectRole);
    // Help, from its button or F1, opens this dialog's page of the help.
    auto* help = buttons->addButton(QDialogButtonBox::Help);
    help->setAutoDefault(false);
    ConnectHelp(*this, *buttons, kHelpPage);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(findRow);
    layout->addWidget(m_noMatch);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_emptyBook, 1);
    layout->addLayout(listButtons);
    layout->addWidget(m_count);
    layout->addWidget(m_status);
    layout->addLayout(printerRow);
    layout->addWidget(buttons);
    TabInShownOrder(*buttons);
    // The size the user left it at, within reason should the value be odd.
    resize(qBound(320, m_settings.GetProfileInt(kKeptSection, kKeptWidth, 560), 4000),
           qBound(240, m_settings.GetProfileInt(kKeptSection, kKeptHeight, 480), 4000));
}

void CManyEnvelopesDlg::Restore(const CAddressBook& book) {
    QSet<QString> ticked;
    const QJsonArray kept =
        QJsonDocument::fromJson(m_settings.GetProfileString(kKeptSection, kKeptTicks).toUtf8())
            .array();
    for (const auto& label : kept)
        ticked.insert(label.toString());
    m_find->setText(m_settings.GetProfileString(kKeptSection, kKeptFind));
    m_shown->SetFind(m_find->text());
    m_entries->SetBook(book, ticked);
    m_list->setVisible(m_entries->Count() > 0);
    m_emptyBook->setVisible(m_entries->Count() == 0);
    UpdateCount();
}

void CManyEnvelopesDlg::Connect() {
    m_find->installEventFilter(this);
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    auto* findShortcut = new QShortcut(QKeySequence::Find, this);
    connect(findShortcut, &QShortcut::activated, this, [this] {
        m_find->setFocus(Qt::ShortcutFocusReason);
        m_find->selectAll();
    });
    connect(m_list->header(), &QHeaderView::sectionClicked, this, [this] {
        m_list->header()->setSortIndicatorShown(true);
        SortList();
    });
    connect(m_list, &QTreeView::clicked, this, &CManyEnvelopesDlg::OnClicked);
    connect(m_entries, &CEnvelopeListModel::dataChanged, this, &CManyEnvelopesDlg::UpdateCount);

    connect(m_find, &QLineEdit::textChanged, this, &CManyEnvelopesDlg::OnFind);
    connect(m_addFromFile, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnAddFromFile);
    connect(m_selectAll, &QPushButton::clicked, this, [this] { OnSelect(true); });
    connect(m_selectNone, &QPushButton::clicked, this, [this] { OnSelect(false); });
    connect(m_preview, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPreview);
    connect(m_print, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPrint);
    connect(m_printAgain, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPrintAgain);
    connect(m_printerSetup, &QPushButton::clicked, this, &CManyEnvelopesDlg::OnPrinterSetup);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

// Rows added from a file go to their sorted places by themselves.
void CManyEnvelopesDlg::SortList() {
    const QHeaderView* header = m_list->header();
    if (header->isSortIndicatorShown())
        m_shown->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

QStringList CManyEnvelopesDlg::CheckedAddresses() const {
    return m_shown->TickedAddresses();
}

void CManyEnvelopesDlg::UpdateCount() {
    const int count = m_entries->TickedCount();
    QString text = Envelopes(count) + QStringLiteral(" to print");
    const int shown = m_shown->rowCount();
    const int total = m_entries->Count();
    if (shown < total) {
        text += QStringLiteral("; %1 of %2 shown").arg(shown).arg(total);
        const int hidden = m_shown->TickedHiddenCount();
        if (hidden > 0)
            text += hidden == 1 ? QStringLiteral(", 1 ticked entry hidden")
                                : QStringLiteral(", %1 ticked entries hidden").arg(hidden);
    }
    m_count->setText(text);
    // A screen reader says the name, so the name carries the number.
    m_count->setAccessibleName(text);
    m_noMatch->setText(
        QStringLiteral("Nothing matches \u201c%1\u201d.").arg(m_find->text().simplified()));
    m_noMatch->setVisible(shown == 0 && total > 0);
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
    }
    if (watched == m_list && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        TickSelected();
        return true;
    }
    if (watched == m_list->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        m_pressedRow = mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier
                           ? EntryRow(m_list->indexAt(mouse->position().toPoint()))
                           : -1;
        m_pressedTicked = m_pressedRow >= 0 && m_entries->IsTicked(m_pressedRow);
    }
    return QDialog::eventFilter(watched, event);
}

int CManyEnvelopesDlg::EntryRow(const QModelIndex& index) const {
    return index.isValid() ? m_shown->mapToSource(index).row() : -1;
}

// A plain click on a row ticks it or takes its tick away. A click on the
// box itself is the box's own: Qt does not report it as a click, and should
// it, the tick changed since the press says it was taken care of.
void CManyEnvelopesDlg::OnClicked(const QModelIndex& index) {
    const int row = EntryRow(index);
    if (row >= 0 && row == m_pressedRow && m_entries->IsTicked(row) == m_pressedTicked)
        m_entries->SetTicked({row}, !m_pressedTicked);
    m_pressedRow = -1;
}

// Ticks every selected row, or takes the ticks away when all were ticked.
void CManyEnvelopesDlg::TickSelected() {
    QSet<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes())
        rows.insert(EntryRow(index));
    if (rows.isEmpty() && m_list->currentIndex().isValid())
        rows.insert(EntryRow(m_list->currentIndex()));
    m_entries->ToggleTicks(rows.values());
}

void CManyEnvelopesDlg::KeepFileEntriesIn(QList<CEnvelopeListModel::FileEntry>& kept) {
    m_keptFiles = &kept;
    if (m_entries->AddFileEntries(kept).firstRow >= 0)
        ShowFileColumn();
    UpdateCount();
}

void CManyEnvelopesDlg::ShowFileColumn() {
    if (m_list->isColumnHidden(kFromColumn)) {
        m_list->setColumnHidden(kFromColumn, false);
        // Wide enough for the names, never more than a quarter of the list.
        m_list->resizeColumnToContents(kFromColumn);
        m_list->setColumnWidth(kFromColumn, qMin(m_list->columnWidth(kFromColumn),
                                                 qMax(60, m_list->viewport()->width() / 4)));
    }
    m_list->show();
    m_emptyBook->hide();
}

void CManyEnvelopesDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        !m_find->text().isEmpty()) {
        m_find->clear();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CManyEnvelopesDlg::done(int result) {
    if (m_keptFiles)
        *m_keptFiles = m_entries->FileEntries();
    QJsonArray ticked;
    for (const QString& label : m_shown->TickedBookLabels())
        ticked.append(label);
    // A failed write is not reported, as with every stored value.
    m_settings.WriteProfileValues(
        kKeptSection,
        {{kKeptTicks, QString::fromUtf8(QJsonDocument(ticked).toJson(QJsonDocument::Compact))},
         {kKeptFind, m_find->text()},
         {kKeptWidth, width()},
         {kKeptHeight, height()}});
    QDialog::done(result);
}

void CManyEnvelopesDlg::FocusFirstShown() {
    if (m_shown->rowCount() == 0)
        return;
    m_list->setCurrentIndex(m_shown->index(0, kLabelColumn));
    m_list->setFocus(Qt::ShortcutFocusReason);
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

QStringList CManyEnvelopesDlg::PostalFindings(const QStringList& addresses) const {
    const PostalOptions options = ReadPostalOptions(m_settings);
    if (!options.checkBeforePrinting)
        return {};
    // A printer that is not there is Print's to report.
    return CheckPostalAddresses(m_job, addresses, options, CAddressFormatter::SystemCountry())
        .value_or(QStringList());
}

// A warning only, as for the window's Print: the user may know better.
bool CManyEnvelopesDlg::PrintDespiteFindings(const QStringList& addresses) {
    const QStringList findings = PostalFindings(addresses);
    if (findings.isEmpty())
        return true;
    constexpr qsizetype kListed = 5;
    QString text = QStringLiteral("The post office's machines may not read some of these "
                                  "envelopes:\n\n%1")
                       .arg(findings.first(qMin(kListed, findings.size())).join(u'\n'));
    if (findings.size() > kListed)
        text +=
            QStringLiteral("\n... and %1 more under Show Details.").arg(findings.size() - kListed);
    const MessageBoxChoice choice =
        ChooseMessageBox(this, QMessageBox::Warning, windowTitle(), text,
                         QStringLiteral("Print Anyway"), QStringLiteral("Pre&view First"),
                         findings.size() > kListed ? findings.join(u'\n') : QString());
    // A look first shows the envelopes with the findings under them; its
    // Print is this one's.
    if (choice == MessageBoxChoice::Alternative)
        QTimer::singleShot(0, this, &CManyEnvelopesDlg::OnPreview);
    return choice == MessageBoxChoice::GoOn;
}

void CManyEnvelopesDlg::OnFind(const QString& text) {
    m_shown->SetFind(text);
    UpdateCount();
}

// Select All and Select None act on the entries the find shows.
void CManyEnvelopesDlg::OnSelect(bool checked) {
    m_entries->SetTicked(m_shown->ShownRows(), checked);
}

void CManyEnvelopesDlg::OnAddFromFile() {
    const std::optional<ImportSource> source =
        AskImportFile(this, m_settings, QStringLiteral("Add Addresses to This Job"));
    if (!source)
        return;
    CContactsImport import(CAddressFormatter::SystemCountry(), source->address);
    try {
        if (!ReadContactsFile(this, m_settings, source->path, import))
            return;
    } catch (const CException& e) {
        ShowExceptionMessage(this, e);
        return;
    }
    const QString file = QFileInfo(source->path).fileName();
    const CEnvelopeListModel::FileAdded added = m_entries->AddFromFile(import.Entries(), file);
    if (added.firstRow >= 0) {
        ShowFileColumn();
        const QModelIndex first = m_shown->mapFromSource(m_entries->index(added.firstRow, 0));
        if (first.isValid()) {
            m_list->scrollTo(first);
            m_list->setCurrentIndex(first);
        }
    }
    UpdateCount();
    if (added.again == 0 && import.Report().IsClean() && import.WithoutAddressCount() == 0)
        return;
    QStringList done = {(added.added == 1
                             ? QStringLiteral("1 address from %1 was added to this job.")
                             : QStringLiteral("%2 addresses from %1 were added to this job."))
                            .arg(file, QString::number(added.added))};
    if (added.again > 0)
        done.append(added.again == 1
                        ? QStringLiteral("1 was in the list already and was not added "
                                         "again.")
                        : QStringLiteral("%1 were in the list already and were not added "
                                         "again.")
                              .arg(added.again));
    const MessageText message = ContactsFileMessage(done, import);
    // Entries left out as listed already are news, not a fault.
    const bool clean = import.Report().IsClean() && import.WithoutAddressCount() == 0;
    ShowMessageBox(this, clean ? QMessageBox::Information : QMessageBox::Warning,
                   QStringLiteral("Add From File"), message.text, message.details);
}

void CManyEnvelopesDlg::OnPreview() {
    const PageOverlay areas =
        ReadPostalOptions(m_settings).showAreas ? PageOverlay(&DrawPostalAreas) : PageOverlay();
    const QStringList addresses = CheckedAddresses();
    BarcodeRun run;
    const PreviewOutcome outcome = ShowPrintPreview(this, NumberedJob(addresses, &run), addresses,
                                                    areas, PostalFindings(addresses));
    if (outcome == PreviewOutcome::Print) {
        OnPrint();
    } else if (outcome == PreviewOutcome::InvalidSetup) {
        if (!m_setUpPrinter)
            ShowPrintResult(this, PrintResult::InvalidSetup);
        else if (OfferPrinterSetup(this) && OnPrinterSetup())
            OnPreview(); // on the printer just chosen
    }
}

// The job becomes the one the window's next Print would print: the printer
// the setup leaves, and that printer's own alignment.
bool CManyEnvelopesDlg::OnPrinterSetup() {
    m_job = m_setUpPrinter();
    m_printer->setText(PrinterLine(m_job));
    return m_job.target.IsConfigured();
}

void CManyEnvelopesDlg::OnPrint() {
    const QStringList addresses = CheckedAddresses();
    const int total = static_cast<int>(addresses.size());
    if (total == 0 || !ConfirmPrint(total, m_shown->TickedHiddenCount()) ||
        !PrintDespiteFindings(addresses))
        return;
    // A reprint is numbered in the job it came from, which stays the last.
    if (PrintList(addresses)) {
        m_lastPrinted = addresses;
        m_printAgain->setEnabled(true);
    }
}

void CManyEnvelopesDlg::OnPrintAgain() {
    const int last = static_cast<int>(m_lastPrinted.size());
    const QString example = last == 1   ? QStringLiteral("1")
                            : last == 2 ? QStringLiteral("2, or 1-2")
                                        : QStringLiteral("2, or 2-3");
    std::optional<std::pair<int, int>> range;
    // A range that cannot be printed is said while the prompt stays open
    // with what was typed, to be put right.
    CCheckedInputDialog ask(this, [&](const QString& text) {
        range = ParseRange(text, last);
        if (!range)
            ShowMessageBox(&ask, QMessageBox::Warning, QStringLiteral("Print Again"),
                           QStringLiteral("Type one number from 1 to %1, or two joined by a "
                                          "hyphen, such as %2.")
                               .arg(last)
                               .arg(last == 1 ? QStringLiteral("1") : QStringLiteral("1-2")));
        return range.has_value();
    });
    ask.setWindowTitle(QStringLiteral("Print Again"));
    ask.setLabelText(
        QStringLiteral("The last job's envelopes are rows 1 to %1, top to bottom as the list "
                       "showed them then. Which should be printed again (for example %2)?")
            .arg(last)
            .arg(example));
    if (ask.exec() != QDialog::Accepted || !range)
        return;
    // A reprint stands in for envelopes that did not come out: each carries
    // the serial number it had, and a part of the job never takes the whole
    // job's file.
    PrintList(m_lastPrinted, range->first - 1, range->second - range->first + 1,
              range->first == range->second
                  ? QStringLiteral("again %1").arg(range->first)
                  : QStringLiteral("again %1-%2").arg(range->first).arg(range->second));
}

EnvelopeJob CManyEnvelopesDlg::NumberedJob(const QStringList& addresses, BarcodeRun* run) const {
    EnvelopeJob job = m_job;
    *run = NumberBarcodes(job, ReadPostalOptions(m_settings), CAddressFormatter::SystemCountry(),
                          addresses.size(), [&](qsizetype i) { return addresses[i]; });
    return job;
}

bool CManyEnvelopesDlg::PrintList(const QStringList& whole, qsizetype first, qsizetype count,
                                  const QString& beside) {
    BarcodeRun run;
    EnvelopeJob job = NumberedJob(whole, &run);
    if (run.overflow) {
        ShowMessageBox(this, QMessageBox::Warning, windowTitle(),
                       QStringLiteral("Nothing was printed: %1. Change it under Postal "
                                      "Options... (in the configuration menu).")
                           .arg(BarcodeOverflowLine(ReadPostalOptions(m_settings), run)));
        return false;
    }
    if (!beside.isEmpty())
        job.target = job.target.Beside(beside);
    const QStringList addresses = whole.mid(first, count);
    const int total = static_cast<int>(addresses.size());
    if (first > 0 && job.mailingPage) {
        job.mailingPage = [numbered = job.mailingPage,
                           first](const QString& address, const QSizeF& envelope, qsizetype page) {
            return numbered(address, envelope, page + first);
        };
    }
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
        job, addresses,
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
    // A printer chosen from the message prints what was asked.
    if (result == PrintResult::InvalidSetup && m_setUpPrinter)
        return OfferPrinterSetup(this) && OnPrinterSetup() &&
               PrintList(whole, first, count, beside);
    ReportResult(result, failure, sent, total);
    // The dialog stays open, saying where the job went, so that a jammed
    // envelope can be printed again and a reflexive Escape closes only it.
    if (result != PrintResult::Printed)
        return false;
    // Said once for the job, after where it went; a reprint's were said.
    QString said = Sent(job, total);
    for (QString line : {BarcodeSerialsLine(run), NoBarcodeAbroadLine(run)}) {
        if (!line.isEmpty() && addresses.size() == whole.size())
            said += QStringLiteral(". ") + line.replace(0, 1, line[0].toUpper());
    }
    m_status->setText(said);
    m_status->show();
    return true;
}

void CManyEnvelopesDlg::ReportResult(PrintResult result, const PrintFailure& failure, int sent,
                                     int total) {
    if (result != PrintResult::Cancelled) {
        ShowPrintResult(this, result, failure);
        return;
    }
    ShowMessageBox(this, QMessageBox::Information, windowTitle(),
                   QStringLiteral("Printing was cancelled after %1 of %2 envelopes had been "
                                  "sent. The job was withdrawn: none of them was printed.")
                       .arg(sent)
                       .arg(total));
}
