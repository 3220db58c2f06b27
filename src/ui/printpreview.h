#pragma once

#include "print/printjob.h"

#include <QDialog>
#include <QStringList>

class QLayout;
class QPrintPreviewWidget;
class QPrinter;
class QPushButton;
class QSpinBox;

// What the user chose in the preview.
enum class PreviewOutcome {
    Closed,
    // Print was pressed: the caller prints through its own Print, with its
    // checks and messages.
    Print,
    // Nothing was shown: the printer setup is invalid.
    InvalidSetup,
};

// Shows the pages a job would print, one per mailing address, on the
// configured printer's page, drawn by the print job's own code: page 1
// first, one whole page in view, with a line under it saying what in the
// setup would go wrong, and under it `findings`, the caller's own. overlay
// draws on each page and never prints.
PreviewOutcome ShowPrintPreview(QWidget* owner, const EnvelopeJob& job,
                                const QStringList& mailingAddresses,
                                const PageOverlay& overlay = {}, const QStringList& findings = {});

class CPrintPreviewDlg : public QDialog {
    Q_OBJECT

public:
    // printer: set up for the job, and kept alive by the caller.
    CPrintPreviewDlg(QPrinter& printer, const EnvelopeJob& job, const QStringList& mailingAddresses,
                     const PageOverlay& overlay = {}, const QStringList& findings = {},
                     QWidget* parent = nullptr);

    void GoToPage(int page);
    void ZoomIn();
    void ZoomOut();
    void ShowWholePage();

private:
    // The line under the page: what would go wrong, with a warning sign.
    QLayout* MakeWarnings(const QStringList& warnings);
    // The page and zoom buttons, then Print, Close and Help.
    QLayout* MakeControls(int pages);
    // The page and zoom keys and F1, wherever the focus is in the dialog.
    void AddShortcuts();
    void UpdatePageNumber();

    QPrintPreviewWidget* m_pages;
    QSpinBox* m_pageNumber;
    QPushButton* m_print;
    QPushButton* m_close;
};
