#pragma once

#include "print/printjob.h"
#include "ui/envelopelistmodel.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class CAddressBook;
struct BarcodeRun;
class CEnvelopeListFilter;
class CSettingsStore;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

// Prints many envelopes in one job: the address book's entries and the
// contacts of files added for this job, each checked to be printed. The
// return address, size, fonts and printer are the main window's. The ticks
// of book entries and the find text are kept in the settings from one
// opening to the next, in a section of their own.
class CManyEnvelopesDlg : public QDialog {
    Q_OBJECT
public:
    // Runs the window's printer setup and gives the job the window would
    // print then.
    using PrinterSetup = std::function<EnvelopeJob()>;

    CManyEnvelopesDlg(const EnvelopeJob& job, const CAddressBook& book, CSettingsStore& settings,
                      PrinterSetup setUpPrinter = {}, QWidget* parent = nullptr);

    // The entries files added to the job live as long as `kept`: those kept
    // from an earlier opening are listed again, and however the dialog ends
    // `kept` holds what it lists then.
    void KeepFileEntriesIn(QList<CEnvelopeListModel::FileEntry>& kept);

    // However the dialog ends, its ticks and find text are stored.
    void done(int result) override;

    // The checked mailing addresses, in list order.
    QStringList CheckedAddresses() const;

    void OnFind(const QString& text);
    void OnAddFromFile();
    void OnSelect(bool checked);
    void OnPreview();
    void OnPrint();
    // Prints a range of the last job again, asking which.
    void OnPrintAgain();
    // True when there is a printer afterwards.
    bool OnPrinterSetup();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape takes back the find, wherever the focus is, before it closes.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The parts of the window, top to bottom, and what they do.
    void MakeList();
    void MakeLabels();
    void MakeButtons();
    void LayOut();
    void Connect();
    // The ticks and the find the dialog was left with, on the book as it
    // is now: ticks of labels the book no longer has are dropped with them.
    void Restore(const CAddressBook& book);
    // Enter in Find takes the keyboard to the first entry shown.
    void FocusFirstShown();
    // The column of the file an entry came from, once there is one.
    void ShowFileColumn();
    // A large job, or one with ticked entries the find hides, is printed
    // only once the user has said so.
    bool ConfirmPrint(int total, int hidden);
    // What the post office's check finds on these envelopes, when it is on;
    // and the warning that lists it, true to print anyway.
    QStringList PostalFindings(const QStringList& addresses) const;
    bool PrintDespiteFindings(const QStringList& addresses);
    // Sorts by the column whose header was clicked; the book's order until
    // then.
    void SortList();
    void UpdateCount();
    // Prints with a progress dialog and says how it went; true when printed.
    // Prints count envelopes of the job from first on (all with count -1),
    // each barcode carrying the serial number it has in the whole job. A
    // print that is not the whole job (`beside` says what) never goes to
    // the job's own file.
    bool PrintList(const QStringList& addresses, qsizetype first = 0, qsizetype count = -1,
                   const QString& beside = {});
    // The dialog's job with a serial number of its own on each barcode.
    EnvelopeJob NumberedJob(const QStringList& addresses, BarcodeRun* run) const;
    // The model's row of an index of the list.
    int EntryRow(const QModelIndex& index) const;
    void OnClicked(const QModelIndex& index);
    void TickSelected();
    // The one message of a job that was not printed, as the window's Print
    // shows it.
    void ReportResult(PrintResult result, const PrintFailure& failure, int sent, int total);

    EnvelopeJob m_job;
    CSettingsStore& m_settings;
    PrinterSetup m_setUpPrinter;
    QStringList m_lastPrinted;
    QList<CEnvelopeListModel::FileEntry>* m_keptFiles = nullptr;
    // Label, address and, once a file added some, the file each came from.
    CEnvelopeListModel* m_entries = nullptr;
    CEnvelopeListFilter* m_shown = nullptr;
    // The row a plain click went down on and its tick then.
    int m_pressedRow = -1;
    bool m_pressedTicked = false;

    QLineEdit* m_find = nullptr;
    QTreeView* m_list = nullptr;
    // Said instead of an empty list when the book has no entries.
    QLabel* m_emptyBook = nullptr;
    QLabel* m_noMatch = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_addFromFile = nullptr;
    QPushButton* m_selectAll = nullptr;
    QPushButton* m_selectNone = nullptr;
    QPushButton* m_preview = nullptr;
    QPushButton* m_print = nullptr;
    QLabel* m_printer = nullptr;
    QPushButton* m_printerSetup = nullptr;
    QPushButton* m_printAgain = nullptr;
    QPushButton* m_close = nullptr;
    // Where the last job went.
    QLabel* m_status = nullptr;
};
