#include "ui/printersetup.h"

#include "platform/helpcommand.h"
#include "print/printerblocks.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>

#include <functional>
#include <utility>

namespace {

const QString kHelpPage = QStringLiteral("printersetup.html");

// Acts once, as the dialog is shown: after it has filled in its lists,
// before the user sees them.
class CShownHook : public QObject {
public:
    CShownHook(QWidget* dialog, std::function<void()> act)
        : QObject(dialog), m_act(std::move(act)) {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && m_act)
            std::exchange(m_act, {})();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_act;
};

// Setup only: an envelope is one page, so there is no range to choose. The
// PDF writer stays on offer, so that a machine without a printer can still
// print. It sets the printer up rather than printing, so it ends with OK.
void SetUpOptions(QPrintDialog& dialog) {
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setOption(QAbstractPrintDialog::PrintShowPageSize, true);
    dialog.setPrintRange(QAbstractPrintDialog::AllPages);
    for (QDialogButtonBox* buttons : dialog.findChildren<QDialogButtonBox*>()) {
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                button->setText(QDialogButtonBox::tr("OK"));
        }
    }
}

// Qt's dialog opens on the machine's default printer even when the printer
// it is given writes a PDF, and OK would then quietly switch printers: the
// stored file is chosen again, "Print to File (PDF)" being its list's last
// entry.
void KeepStoredFile(QPrintDialog& dialog, const QString& storedFile) {
    if (storedFile.isEmpty())
        return;
    new CShownHook(&dialog, [&dialog, storedFile] {
        auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
        auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
        if (printers && file && printers->count() > 0) {
            printers->setCurrentIndex(printers->count() - 1);
            file->setText(storedFile);
        }
    });
}

// Help, from its button or F1, opens the setup's page of the help and leaves
// the setup open.
void AddHelp(QPrintDialog& dialog) {
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly))
        QObject::connect(buttons->addButton(QDialogButtonBox::Help), &QAbstractButton::clicked,
                         &dialog, [] { RunHelpCommand(kHelpPage); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &dialog);
    help->setContext(Qt::WindowShortcut);
    QObject::connect(help, &QShortcut::activated, &dialog, [] { RunHelpCommand(kHelpPage); });
}

} // namespace

bool RunPrinterSetup(QWidget* owner, QByteArray& devMode, QByteArray& devNames) {
    QPrinter printer(QPrinter::HighResolution);
    // Both blocks are needed to open on the configured printer; with either
    // missing, or blocks this machine cannot use, the default printer it is.
    // A failed attempt leaves the printer as it was.
    const bool configured = !devMode.isNull() && !devNames.isNull() &&
                            ConfigurePrinterFromBlocks(printer, devMode, devNames);
    const QString storedFile = configured && printer.outputFormat() == QPrinter::PdfFormat
                                   ? printer.outputFileName()
                                   : QString();

    // The PDF writer proposes a file named after the document.
    printer.setDocName(QStringLiteral("Pelvaro"));

    QPrintDialog dialog(&printer, owner);
    SetUpOptions(dialog);
    KeepStoredFile(dialog, storedFile);
    AddHelp(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const PrinterBlocks blocks = BlocksFromPrinter(printer);
    devMode = blocks.devMode;
    devNames = blocks.devNames;
    return true;
}
