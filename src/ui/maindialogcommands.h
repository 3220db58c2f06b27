#pragma once

#include "addressbook/address.h"
#include "contacts/contactsimport.h"
#include "contacts/contactswriter.h"
#include "postal/postaloptions.h"
#include "print/logfont.h"
#include "print/printjob.h"
#include "templates/maindialoggeometry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class CAddressBook;
class CSettingsStore;

// The main dialog's working state as one value: what its boxes, labels,
// printer setup, fonts and size list hold. The dialog keeps it in its own
// members and hands it out whole; its commands take it and give back what
// is to change.
struct WorkingState {
    QString returnAddress;  // CR LF between lines
    QString mailingAddress; // CR LF between lines
    QString returnLabel;
    QString mailingLabel;
    QByteArray devMode;  // DEVMODEW block; null when none
    QByteArray devNames; // DEVNAMES block; null when none
    LOGFONTW returnLogFont;
    LOGFONTW mailingLogFont;
    int envelopeIndex = 0;
};

// What an import did, in the words the window shows.
struct ImportOutcome {
    QString message;
    QString details;   // the whole lists behind the message
    bool clean = true; // nothing was left out and the file had no problems
};

// Asked with the postal check's findings before a job prints: true prints.
using PrintDespite = std::function<bool(const QStringList& findings)>;

// What the main dialog's commands decide and change, without a widget: the
// state read at the start and stored at the end, the print job, the changes
// of the address book, the printer and the fonts, contacts files. The dialog
// asks the user and shows the outcome; everything between is here.
//
// Failures of the book and of files are raised (CException) for the dialog
// to show; whatever changed in memory before them stays.
class CMainDialogCommands {
public:
    CMainDialogCommands(CAddressBook& book, CSettingsStore& settings);

    // Reads the address book and the stored values; reports nothing: what
    // is missing or unreadable takes its default. The size is read apart.
    WorkingState Load();
    // The stored envelope size, as stored: an index outside the size list
    // is kept and shows no selection.
    int StoredEnvelopeIndex() const;
    // The five last-used values, as one change of the settings.
    void SaveLastUsed(const WorkingState& state);

    // What Print prints from this state, placed by the window's geometry.
    EnvelopeJob Job(const WorkingState& state, const DialogGeometry& geometry) const;
    // Prints the job on a printer set up once: with the postal check on,
    // its findings go to printDespite first, and false prints nothing
    // (Cancelled).
    PrintResult Print(const EnvelopeJob& job, const PrintDespite& printDespite,
                      PrintFailure* failure) const;
    // The postal options stored in our own key, and the findings of the
    // check on the job; none when the check is off.
    PostalOptions Postal() const;
    bool StorePostal(const PostalOptions& options);
    QStringList PostalFindings(const EnvelopeJob& job) const;

    // Reads the book again when another program wrote it since, so that a
    // menu lists what the file holds and a change starts from it.
    void ReloadBook();
    // Adds an address under a new label as one change of the book. False,
    // with nothing changed, when the book as its file holds it now has the
    // label already.
    bool AddEntry(const QString& newLabel, const QString& address);
    // Gives the labelled entry the address; its label and place stay.
    void ModifyEntry(const QString& label, const QString& address);
    // Removes the labelled entry.
    void DeleteEntry(const QString& label);
    // The entry at an index, for a box to take.
    CAddress PickEntry(int index) const;
    // Where the address book is kept, as a sentence.
    QString LocationMessage() const;

    // The printer the setup chose, stored as one change of the settings.
    void StorePrinter(const QByteArray& devMode, const QByteArray& devNames);
    void StoreReturnFont(const LOGFONTW& description);
    void StoreMailingFont(const LOGFONTW& description);

    // The alignment of a printer, as the job's printer is named.
    bool StoreAlignment(const QString& printer, const PrinterAlignment& alignment);
    // The test page on the job's printer, as Print would draw the job with
    // this alignment.
    PrintResult PrintTestPage(EnvelopeJob job, const PrinterAlignment& alignment,
                              PrintFailure* failure) const;

    // Merges a contacts file read before into the book, labels the book
    // holds already handled by the policy, and says what it did.
    ImportOutcome Import(const CContactsImport& import, const QString& fileName,
                         DuplicateLabels policy);
    void Export(const QString& path, ContactsFormat format) const;

    // The store the values above are kept in, for the other dialogs' own.
    CSettingsStore& Settings() const { return m_settings; }

private:
    CAddressBook& m_book;
    CSettingsStore& m_settings;
};
