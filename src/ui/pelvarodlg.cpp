#include "ui/pelvarodlg.h"

#include "controls/hoverbitmapbutton.h"
#include "controls/resourceimages.h"
#include "platform/exception.h"
#include "platform/helpcommand.h"
#include "print/blockplacement.h"
#include "print/envelopesizes.h"
#include "print/printeralignment.h"
#include "print/printjob.h"
#include "settings/registryfile.h"
#include "ui/aboutdlg.h"
#include "ui/configurationmenu.h"
#include "ui/contactsfiledialogs.h"
#include "ui/dialogbuilder.h"
#include "ui/exceptionmessage.h"
#include "ui/fontchooser.h"
#include "ui/importpreviewdlg.h"
#include "ui/layoutdlg.h"
#include "ui/manyenvelopesdlg.h"
#include "ui/messagebox.h"
#include "ui/multilineedit.h"
#include "ui/postaloptionsdlg.h"
#include "ui/printeralignmentdlg.h"
#include "ui/printersetup.h"
#include "ui/printpreview.h"
#include "ui/printresultmessage.h"
#include "ui/resourcestrings.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QWindow>

CPelvaroDlg::CPelvaroDlg(CSettingsStore& settings, QWidget* parent)
    : CTemplateDialog(IDD_PELVARO_DIALOG, parent), m_commands(m_addressBook, settings) {
    const WorkingState stored = m_commands.Load();
    m_mailingLabel = stored.mailingLabel;
    m_mailingAddress = stored.mailingAddress;
    m_returnLabel = stored.returnLabel;
    m_returnAddress = stored.returnAddress;
    m_hDevMode = stored.devMode;
    m_hDevNames = stored.devNames;
    m_mailingLogFont = stored.mailingLogFont;
    m_returnLogFont = stored.returnLogFont;
    m_mailingFont = FontFromLogFont(m_mailingLogFont);
    m_returnFont = FontFromLogFont(m_returnLogFont);

    m_returnEdit = GetDlgItem<CMultiLineEdit>(IDC_RETURNADDRESS);
    m_mailingEdit = GetDlgItem<CMultiLineEdit>(IDC_MAILINGADDRESS);
    m_configureButton = GetDlgItem<CHoverBitmapButton>(IDC_CONFIGURE);
    m_returnListButton = GetDlgItem<CHoverBitmapButton>(IDC_RETURNADDRESSLIST);
    m_mailingListButton = GetDlgItem<CHoverBitmapButton>(IDC_MAILINGADDRESSLIST);
    m_printButton = GetDlgItem<CHoverBitmapButton>(IDC_PRINT);
    m_sizeCombo = GetDlgItem<QComboBox>(IDC_ENVELOPESIZE);

    m_hIcon = LoadIconResource(IDR_MAINFRAME);

    OnCtlColor();

    connect(m_mailingListButton, &QAbstractButton::clicked, this,
            [this] { RunCommand([this] { OnMailingAddressList(); }); });
    connect(m_returnListButton, &QAbstractButton::clicked, this,
            [this] { RunCommand([this] { OnReturnAddressList(); }); });
    connect(m_configureButton, &QAbstractButton::clicked, this,
            [this] { RunCommand([this] { OnConfigure(); }); });
    connect(m_printButton, &QAbstractButton::clicked, this,
            [this] { RunCommand([this] { OnPrint(); }); });
    if (auto* help = GetDlgItem<QAbstractButton>(IDC_HELPBUTTON))
        connect(help, &QAbstractButton::clicked, this, [this] { OnHelpButton(); });

    // The window menu stands in for the title bar's system menu.
    auto* windowMenu = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(windowMenu, &QShortcut::activated, this,
            [this] { ShowWindowMenu(mapToGlobal(QPoint(0, 0))); });
}

CPelvaroDlg::~CPelvaroDlg() {
    // A window still up when the object goes (the application quitting
    // under it) saves like every other end.
    DestroyWindow();
}

void CPelvaroDlg::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        m_mailingAddress = m_mailingEdit->Text();
        m_returnAddress = m_returnEdit->Text();
        m_envelopeIndex = GetComboSelection(m_sizeCombo);
    } else {
        m_mailingEdit->SetText(m_mailingAddress);
        m_returnEdit->SetText(m_returnAddress);
        SetComboSelection(m_sizeCombo, m_envelopeIndex);
    }
}

void CPelvaroDlg::OnInitDialog() {
    // Steps in the order the window has always been set up; the first
    // exchange finds the size list still empty.
    CTemplateDialog::OnInitDialog();

    setWindowIcon(m_hIcon);

    SetupBitmapButton(m_mailingListButton, 140, 141, 142);
    SetupBitmapButton(m_returnListButton, 140, 141, 142);
    SetupBitmapButton(m_printButton, 146, 144, 145);
    SetupBitmapButton(m_configureButton, 147, 148, 149);

    m_mailingEdit->setFont(m_mailingFont);
    m_returnEdit->setFont(m_returnFont);

    m_mailingEdit->setFocus(Qt::OtherFocusReason);

    m_sizeCombo->clear();
    for (const EnvelopeSize& size : EnvelopeSizes)
        AddComboString(m_sizeCombo, QString::fromUtf16(size.name));

    m_envelopeIndex = m_commands.StoredEnvelopeIndex();
    UpdateData(false);
    ShowShift();
    ReportStartProblems();
}

void CPelvaroDlg::ReportStartProblems() {
    // A settings file's damage is said once a run, however many windows.
    static QStringList reported;
    QStringList problems;
    for (const QString& note : CRegistryFile::DamageNotes()) {
        if (!reported.contains(note))
            problems << note;
    }
    reported << problems;
    // Looked at now, said once the window is up; a change another program
    // makes in a moment is no reason to warn.
    constexpr int kMomentMs = 250;
    const QString busy = m_addressBook.BusyNote(kMomentMs);
    if (!busy.isEmpty())
        problems << busy;
    if (!problems.isEmpty())
        QTimer::singleShot(0, this, [this, text = problems.join(QStringLiteral("\n\n"))] {
            ShowMessageBox(this, QMessageBox::Warning, QCoreApplication::applicationName(), text);
        });
}

void CPelvaroDlg::ShowShift() {
    const QString note = ShiftNote(CurrentJob().alignment);
    m_printButton->setToolTip(note.isEmpty()
                                  ? m_printButton->text()
                                  : QStringLiteral("%1 (%2)").arg(m_printButton->text(), note));
}

void CPelvaroDlg::OnDestroy() {
    UpdateData(true);
    m_commands.SaveLastUsed(State());
}

WorkingState CPelvaroDlg::State() const {
    return {m_returnAddress, m_mailingAddress, m_returnLabel,    m_mailingLabel, m_hDevMode,
            m_hDevNames,     m_returnLogFont,  m_mailingLogFont, m_envelopeIndex};
}

// White behind everything: the dialog, its labels, the boxes, the size list
// and the buttons.
void CPelvaroDlg::OnCtlColor() {
    QPalette palette = this->palette();
    for (const QPalette::ColorRole role :
         {QPalette::Window, QPalette::Base, QPalette::Button, QPalette::AlternateBase}) {
        palette.setColor(QPalette::All, role, Qt::white);
        palette.setColor(QPalette::Disabled, role, Qt::white);
    }
    setPalette(palette);
    setAutoFillBackground(true);
}

void CPelvaroDlg::SetupBitmapButton(CHoverBitmapButton* button, int up, int selected, int focus) {
    button->LoadBitmaps(up, selected, focus);
    button->SizeToContent();
    // The caption is never drawn; it is the button's tooltip.
    button->setToolTip(button->text());
}

void CPelvaroDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Only the dialog's own background and its labels and picture; the
    // boxes and the size list have menus of their own.
    QWidget* child = childAt(event->pos());
    if (child && !qobject_cast<QLabel*>(child)) {
        event->ignore();
        return;
    }
    event->accept();
    ShowWindowMenu(event->globalPos());
}

void CPelvaroDlg::ShowWindowMenu(const QPoint& globalPos) {
    unsigned command = 0;
    {
        QMenu menu(this);
        // Only X11 window managers move a window on request without a button
        // held down on its title bar; elsewhere Move would do nothing.
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            menu.addAction(QStringLiteral("&Move"))->setData(SC_MOVE);
        menu.addAction(QStringLiteral("&Close"))->setData(SC_CLOSE);
        const QString about = LoadResourceString(IDS_ABOUTBOX);
        if (!about.isEmpty()) {
            menu.addSeparator();
            menu.addAction(about)->setData(IDM_ABOUTBOX);
        }
        const QAction* chosen = menu.exec(globalPos);
        command = chosen ? chosen->data().toUInt() : 0;
    }
    // The menu is gone before its command runs.
    if (command != 0)
        OnSysCommand(command);
}

void CPelvaroDlg::StartMove() {
    QWindow* window = windowHandle();
    if (!window)
        return;
    // The window manager moves the window by as much as the mouse moves from
    // the last point this window saw it at, which may be long ago and far
    // off. So the move waits for a fresh mouse move over the window, and the
    // cursor is put in the window's middle to give one at once.
    m_movePending = true;
    window->removeEventFilter(this);
    window->installEventFilter(this);
    QCursor::setPos(mapToGlobal(rect().center()));
}

bool CPelvaroDlg::eventFilter(QObject* watched, QEvent* event) {
    if (m_movePending && watched == windowHandle()) {
        switch (event->type()) {
        case QEvent::MouseMove:
            m_movePending = false;
            windowHandle()->startSystemMove();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::KeyPress:
        case QEvent::Hide:
            m_movePending = false;
            break;
        default:
            break;
        }
    }
    return CTemplateDialog::eventFilter(watched, event);
}

void CPelvaroDlg::OnSysCommand(unsigned id) {
    switch (id & 0xFFF0) {
    case IDM_ABOUTBOX: {
        CAboutDlg about(this);
        about.DoModal();
        break;
    }
    case SC_MOVE:
        StartMove();
        break;
    case SC_CLOSE:
        close();
        break;
    default:
        break;
    }
}

template <class Handler> void CPelvaroDlg::RunCommand(Handler handler) {
    try {
        // Once for every command, which then works on the members alone.
        UpdateData(true);
        handler();
    } catch (const CException& e) {
        // The rest of the command is abandoned; the dialog goes on.
        ShowExceptionMessage(this, e);
    }
}

void CPelvaroDlg::OnMailingAddressList() {
    ShowAddressListMenu(IDC_MAILINGADDRESSLIST, m_mailingLabel, m_mailingAddress);
}

void CPelvaroDlg::OnReturnAddressList() {
    ShowAddressListMenu(IDC_RETURNADDRESSLIST, m_returnLabel, m_returnAddress);
}

void CPelvaroDlg::OnHelpButton() {
    RunHelpCommand();
}

DialogGeometry CPelvaroDlg::Geometry() const {
    DialogGeometry geometry;
    geometry.clientSize = size();
    geometry.returnBoxTopLeft = m_returnEdit->mapTo(this, QPoint(0, 0));
    geometry.mailingBoxTopLeft = m_mailingEdit->mapTo(this, QPoint(0, 0));
    geometry.screenDpiY = logicalDpiY();
    return geometry;
}

EnvelopeJob CPelvaroDlg::CurrentJob() const {
    return m_commands.Job(State(), Geometry());
}

void CPelvaroDlg::OnPrint() {
    // A warning only: the user may know better than the rules.
    // Or a look at the envelope first, the findings under it.
    bool lookFirst = false;
    const auto printDespite = [this, &lookFirst](const QStringList& findings) {
        const MessageBoxChoice choice = ChooseMessageBox(
            this, QMessageBox::Warning, QStringLiteral("Print"),
            QStringLiteral("The post office's machines may not read this envelope:\n\n%1")
                .arg(findings.join(u'\n')),
            QStringLiteral("Print Anyway"), QStringLiteral("Pre&view First"));
        lookFirst = choice == MessageBoxChoice::Alternative;
        return choice == MessageBoxChoice::GoOn;
    };
    PrintFailure failure;
    const PrintResult result = m_commands.Print(CurrentJob(), printDespite, &failure);
    ShowPrintResult(this, result, failure);
    if (lookFirst)
        OnPrintPreview();
}

void CPelvaroDlg::OnConfigure() {
    const QPoint topRight = m_configureButton->mapToGlobal(QPoint(m_configureButton->width(), 0));
    switch (TrackConfigurationMenu(this, topRight, ShiftNote(CurrentJob().alignment))) {
    case ID_CONFIGURATION_PRINTER:
        OnPrinterSetup();
        break;
    case ID_CONFIGURATION_RETURNADDRESSFONT:
        OnReturnAddressFont();
        break;
    case ID_CONFIGURATION_MAILINGADDRESSFONT:
        OnMailingAddressFont();
        break;
    case ID_CONFIGURATION_REPORTADDRESSBOOKLOCATION:
        ReportAddressBookLocation();
        break;
    case ID_CONFIGURATION_IMPORTADDRESSES:
        OnImportAddresses();
        break;
    case ID_CONFIGURATION_EXPORTADDRESSES:
        OnExportAddresses();
        break;
    case ID_CONFIGURATION_PRINTMANYENVELOPES:
        OnPrintManyEnvelopes();
        break;
    case ID_CONFIGURATION_PRINTPREVIEW:
        OnPrintPreview();
        break;
    case ID_CONFIGURATION_PRINTERALIGNMENT:
        OnPrinterAlignment();
        break;
    case ID_CONFIGURATION_POSTALOPTIONS:
        OnPostalOptions();
        break;
    case ID_CONFIGURATION_LAYOUT:
        OnLayout();
        break;
    default:
        break;
    }
}

bool CPelvaroDlg::OnPrinterSetup() {
    QByteArray devMode = m_hDevMode;
    QByteArray devNames = m_hDevNames;
    if (!RunPrinterSetup(this, devMode, devNames))
        return false;
    // Used from now on, whether or not they could be stored.
    m_hDevMode = devMode;
    m_hDevNames = devNames;
    m_commands.StorePrinter(m_hDevMode, m_hDevNames);
    ShowShift(); // the new printer's
    return true;
}

void CPelvaroDlg::OnReturnAddressFont() {
    LOGFONTW description = m_returnLogFont;
    if (!ChooseAddressFont(this, description))
        return;
    SetReturnFont(description);
    m_commands.StoreReturnFont(description);
}

void CPelvaroDlg::OnMailingAddressFont() {
    LOGFONTW description = m_mailingLogFont;
    if (!ChooseAddressFont(this, description))
        return;
    SetMailingFont(description);
    m_commands.StoreMailingFont(description);
}

void CPelvaroDlg::SetReturnFont(const LOGFONTW& description) {
    m_returnLogFont = description;
    m_returnFont = FontFromLogFont(description);
    m_returnEdit->setFont(m_returnFont);
}

void CPelvaroDlg::SetMailingFont(const LOGFONTW& description) {
    m_mailingLogFont = description;
    m_mailingFont = FontFromLogFont(description);
    m_mailingEdit->setFont(m_mailingFont);
}

void CPelvaroDlg::ReportAddressBookLocation() {
    ShowMessageBox(this, QMessageBox::Information, QStringLiteral("Report Address Book Location"),
                   m_commands.LocationMessage());
}

void CPelvaroDlg::OnImportAddresses() {
    const std::optional<ImportSource> source =
        AskImportFile(this, m_commands.Settings(), QStringLiteral("Import Addresses"));
    if (!source)
        return;
    CContactsImport import(CAddressFormatter::SystemCountry(), source->address);
    if (!ReadContactsFile(this, m_commands.Settings(), source->path, import))
        return;
    // The preview is of the book as its file holds it now.
    m_commands.ReloadBook();
    const QString fileName = QFileInfo(source->path).fileName();
    CImportPreviewDlg preview(import, m_addressBook, fileName, m_commands.Settings(), this);
    if (preview.exec() != QDialog::Accepted)
        return;
    const ImportOutcome outcome = m_commands.Import(import, fileName, preview.Policy());
    ShowMessageBox(this, outcome.clean ? QMessageBox::Information : QMessageBox::Warning,
                   QStringLiteral("Import Addresses"), outcome.message, outcome.details);
    ShowBookBackupNote();
}

void CPelvaroDlg::OnExportAddresses() {
    if (const std::optional<ExportTarget> target = AskExportFile(this, m_commands.Settings()))
        m_commands.Export(target->path, target->format);
}

void CPelvaroDlg::OnPrintManyEnvelopes() {
    const auto setUpPrinter = [this] {
        OnPrinterSetup();
        return CurrentJob();
    };
    CManyEnvelopesDlg dialog(CurrentJob(), m_addressBook, m_commands.Settings(), setUpPrinter,
                             this);
    dialog.KeepFileEntriesIn(m_jobFileEntries);
    dialog.exec();
}

void CPelvaroDlg::OnPrinterAlignment() {
    // An alignment belongs to a printer: without one there is nothing to
    // align, as there is nothing to print on. One chosen from here goes on
    // to its alignment.
    if (AlignmentPrinterName(CurrentJob().target).isEmpty() &&
        !(OfferPrinterSetup(this) && OnPrinterSetup()))
        return;
    EnvelopeJob job = CurrentJob();
    const QString printer = AlignmentPrinterName(job.target);
    if (printer.isEmpty())
        return;
    // The test page never takes the place of the envelope's file.
    job.target = job.target.Beside(QStringLiteral("test page"));
    CPrinterAlignmentDlg dialog(
        printer, job.alignment,
        [this, &job](const PrinterAlignment& alignment) {
            // A sheet that would cut the envelope off is said before
            // anything prints, with what to choose instead.
            EnvelopeJob tried = job;
            tried.alignment = alignment;
            if (const QString refusal = TestPageRefusal(tried); !refusal.isEmpty()) {
                ShowMessageBox(this, QMessageBox::Warning, QStringLiteral("Print Test Page"),
                               refusal);
                return QString();
            }
            PrintFailure failure;
            const PrintResult result = m_commands.PrintTestPage(job, alignment, &failure);
            if (result == PrintResult::Printed)
                return job.target.IsFile()
                           ? QStringLiteral("The test page was saved to %1.").arg(job.target.name)
                           : QStringLiteral("The test page was sent to %1.").arg(job.target.name);
            ShowPrintResult(this, result, failure);
            return QString();
        },
        this);
    if (dialog.exec() == QDialog::Accepted) {
        m_commands.StoreAlignment(printer, dialog.Alignment());
        ShowShift();
    }
}

void CPelvaroDlg::OnPrintPreview() {
    const EnvelopeJob job = CurrentJob();
    const PageOverlay areas =
        m_commands.Postal().showAreas ? PageOverlay(&DrawPostalAreas) : PageOverlay();
    // With the check on, what it finds is said under the page as well.
    const PreviewOutcome outcome =
        ShowPrintPreview(this, job, {job.mailingAddress}, areas, m_commands.PostalFindings(job));
    if (outcome == PreviewOutcome::Print)
        OnPrint();
    else if (outcome == PreviewOutcome::InvalidSetup && OfferPrinterSetup(this) && OnPrinterSetup())
        OnPrintPreview(); // on the printer just chosen
}

void CPelvaroDlg::OnLayout() {
    // The envelope shown first is the one the next print is placed for.
    const EnvelopeJob job = CurrentJob();
    CLayoutDlg dialog(job, PlacementSizeOfJob(job), job.placements, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const BlockPlacements placements = dialog.Placements();
    for (const PaperSize& each : PaperSizes()) {
        const BlockPlacement placement = placements.value(each.Key());
        if (each.IsEnvelope() && placement != job.placements.value(each.Key()))
            WriteBlockPlacement(m_commands.Settings(), each, placement);
    }
}

void CPelvaroDlg::OnPostalOptions() {
    CPostalOptionsDlg dialog(m_commands.Postal(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_commands.StorePostal(dialog.Options());
}
