#pragma once

#include "contacts/contactsimport.h"
#include "contacts/contactswriter.h"
#include "postal/postaloptions.h"
#include "print/logfont.h"
#include "print/printjob.h"
#include "templates/maindialoggeometry.h"

#include <QByteArray>
#include <QFont>
#include <QString>

class CAddressBook;
class CSettingsStore;

// The main dialog's members that its commands read and change. The dialog
// keeps them under their own names; the commands hold references to them.
struct MainDialogState {
    QString& returnAddress;
    QString& mailingAddress;
    QString& returnLabel;
    QString& mailingLabel;
    CAddressBook& addressBook;
    QByteArray& devMode;
    QByteArray& devNames;
    LOGFONTW& returnLogFont;
    LOGFONTW& mailingLogFont;
    QFont& returnFont;
    QFont& mailingFont;
    int& envelopeIndex;
};

// What an import did, in the words the window shows.
struct ImportOutcome {
    QString message;
    QString details;   // the whole lists behind the message
    bool clean = true; // nothing was left out and the file had no problems
};

// What the main dialog's commands decide and change, without a widget: the
// state read at the start and stored at the end, the print job, the changes
// of the address book, the printer and the fonts, contacts files. The dialog
// asks the user and shows the outcome; everything between is here.
//
// Failures of the book and of files are raised (CException) for the dialog
// to show; whatever changed in memory before them stays.
class CMainDialogCommands {
public:
    // Reads the address book and the stored values into the state; reports
    // nothing: what is missing or unreadable takes its default.
    CMainDialogCommands(const MainDialogState& state, CSettingsStore& settings);

    // The stored envelope size into the state, as stored: an index outside
    // the size list is kept and shows no selection.
    void LoadEnvelopeIndex();
    // The five last-used values, as one change of the settings.
    void SaveLastUsed();

    // What Print prints now: the state as it is, placed by the window's
    // geometry.
    EnvelopeJob Job(const DialogGeometry& geometry) const;
    PrintResult Print(const DialogGeometry& geometry, PrintFailure* failure);
    // The postal options stored in our own key, and the findings of the
    // check on what Print prints now; none when the check is off.
    PostalOptions Postal() const;
    bool StorePostal(const PostalOptions& options);
    QStringList PostalFindings(const DialogGeometry& geometry) const;

    // Reads the book again when another program wrote it since, so that a
    // menu lists what the file holds and a change starts from it.
    void ReloadBook();
    // Adds a box's address under a new label as one change of the book, and
    // makes it the box's remembered label. False, with nothing changed, when
    // the book as its file holds it now has the label already.
    bool AddEntry(const QString& newLabel, const QString& address, QString& label);
    // Gives the remembered label's entry the box's address; its label and
    // place stay.
    void ModifyEntry(const QString& label, const QString& address);
    // Removes the remembered label's entry and forgets the label; the box's
    // address stays.
    void DeleteEntry(QString& label);
    // The entry at an index becomes the box's label and address.
    void PickEntry(int index, QString& label, QString& address) const;
    // Where the address book is kept, as a sentence.
    QString LocationMessage() const;

    // The printer the setup chose, used from now on and stored.
    void StorePrinter(const QByteArray& devMode, const QByteArray& devNames);
    // A chosen font description, its font for the box, and the stored value.
    void StoreReturnFont(const LOGFONTW& description);
    void StoreMailingFont(const LOGFONTW& description);

    // The configured printer under the name its alignment is stored by;
    // empty when none is configured.
    QString AlignmentPrinter() const;
    // Its stored alignment, or the first placement.
    PrinterAlignment StoredAlignment() const;
    bool StoreAlignment(const PrinterAlignment& alignment);
    // The test page on the configured printer, as Print would draw with
    // this alignment.
    PrintResult PrintTestPage(const DialogGeometry& geometry, const PrinterAlignment& alignment,
                              PrintFailure* failure);

    // Merges a contacts file read before into the book, labels the book
    // holds already handled by the policy, and says what it did.
    ImportOutcome Import(const CContactsImport& import, const QString& fileName,
                         DuplicateLabels policy);
    void Export(const QString& path, ContactsFormat format) const;

    // The store the values above are kept in, for the other dialogs' own.
    CSettingsStore& Settings() const { return m_settings; }

private:
    MainDialogState m_state;
    CSettingsStore& m_settings;
};
