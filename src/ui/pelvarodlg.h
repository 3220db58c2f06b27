#pragma once

#include "addressbook/addressbook.h"
#include "print/logfont.h"
#include "print/printjob.h"
#include "ui/envelopelistmodel.h"
#include "ui/maindialogcommands.h"
#include "ui/templatedialog.h"

#include <QByteArray>
#include <QFont>
#include <QIcon>
#include <QString>

class CHoverBitmapButton;
class CMultiLineEdit;
class CSettingsStore;
class QComboBox;
class QContextMenuEvent;

// System command ids of the window menu.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;
inline constexpr unsigned SC_MOVE = 0xF010;
inline constexpr unsigned SC_CLOSE = 0xF060;

// The program's only main window. It owns all working state: the two
// address texts and the labels they came from, the address book, the
// printer blocks, the address fonts and the envelope size. Its handlers ask
// the user and show the outcome; what they decide and change on these
// members is CMainDialogCommands's.
class CPelvaroDlg : public CTemplateDialog {
    Q_OBJECT
public:
    // Loads the address book and the stored settings; reports nothing.
    explicit CPelvaroDlg(CSettingsStore& settings, QWidget* parent = nullptr);
    ~CPelvaroDlg() override;

    void DoDataExchange(bool saveAndValidate) override;

    // The window menu's commands; the low four bits are ignored.
    void OnSysCommand(unsigned id);
    // Opens the window menu at a global position.
    void ShowWindowMenu(const QPoint& globalPos);

    // Button handlers.
    void OnMailingAddressList();
    void OnReturnAddressList();
    void OnConfigure();
    void OnPrint();
    void OnHelpButton();

    // Configuration menu commands.
    // What stands in the way from the start: a damaged settings file, a book
    // another program is changing. Said once the window is up.
    void ReportStartProblems();
    // The print button's tooltip says when the printer's pages are shifted.
    void ShowShift();
    // True when a printer was chosen.
    bool OnPrinterSetup();
    void OnReturnAddressFont();
    void OnMailingAddressFont();
    void ReportAddressBookLocation();
    // Contacts files: merged into the book with one save, or written from it.
    void OnImportAddresses();
    void OnExportAddresses();
    // One job of many envelopes, and a look at the envelope before printing.
    void OnPrintManyEnvelopes();
    void OnPrintPreview();
    void OnPrinterAlignment();
    void OnPostalOptions();
    void OnLayout();

    // The working state as it stands: the members below, which the boxes
    // and the size list fill at each command.
    WorkingState State() const;

protected:
    void OnInitDialog() override;
    void OnDestroy() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The address list menu of one box (buttonId 1002 or 1003), working on
    // that box's label and address members.
    void ShowAddressListMenu(int buttonId, QString& label, QString& address);
    void OnCtlColor();
    // What Print would print now: the state, and where the boxes sit.
    EnvelopeJob CurrentJob() const;
    // Where the boxes sit in the window now, and how fine the screen is.
    DialogGeometry Geometry() const;
    // Says where the last save kept a damaged or unreadable book, if it did.
    void ShowBookBackupNote();
    // Hands the window to the window manager to be moved with the mouse.
    void StartMove();
    void SetupBitmapButton(CHoverBitmapButton* button, int up, int selected, int focus);
    // Runs a command on the members as the boxes and the size list hold
    // them; a failure it raises is shown and the dialog goes on.
    template <class Handler> void RunCommand(Handler handler);
    // The chosen descriptions and the fonts the boxes show.
    void SetReturnFont(const LOGFONTW& description);
    void SetMailingFont(const LOGFONTW& description);

    QString m_mailingAddress; // CR LF between lines
    QString m_returnAddress;  // CR LF between lines
    QIcon m_hIcon;
    CAddressBook m_addressBook;
    QString m_returnLabel;
    QString m_mailingLabel;
    QByteArray m_hDevMode;  // DEVMODEW block; null when none
    QByteArray m_hDevNames; // DEVNAMES block; null when none
    LOGFONTW m_returnLogFont;
    LOGFONTW m_mailingLogFont;
    QFont m_returnFont;
    QFont m_mailingFont;
    int m_envelopeIndex = 0;

    CMultiLineEdit* m_returnEdit = nullptr;
    CMultiLineEdit* m_mailingEdit = nullptr;
    CHoverBitmapButton* m_configureButton = nullptr;
    CHoverBitmapButton* m_returnListButton = nullptr;
    CHoverBitmapButton* m_mailingListButton = nullptr;
    CHoverBitmapButton* m_printButton = nullptr;
    QComboBox* m_sizeCombo = nullptr;

    // After the book it works on.
    CMainDialogCommands m_commands;
    // What Print Many Envelopes' Add From File added, for as long as the
    // window is open.
    QList<CEnvelopeListModel::FileEntry> m_jobFileEntries;
    // Move was chosen; the window manager takes over at the next mouse move.
    bool m_movePending = false;
};
