#include "ui/printpreview.h"

#include "print/printjob.h"

#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

namespace {

// The preview's own Print and Page Setup would print past the checks and
// messages of the window's Print, and its Portrait and Landscape show a page
// that is not the one configured: printing and its setup stay with the
// window.
void HidePrintingActions(QPrintPreviewDialog& preview) {
    QStringList hidden;
    for (const char* text : {"Print", "Page setup", "Portrait", "Landscape"})
        hidden.append(QCoreApplication::translate("QPrintPreviewDialog", text));
    for (QAction* action : preview.findChildren<QAction*>()) {
        if (hidden.contains(action->text()))
            action->setVisible(false);
    }
}

} // namespace

bool ShowPrintPreview(QWidget* owner, const EnvelopeJob& job, const QStringList& mailingAddresses,
                      const PageOverlay& overlay) {
    QPrinter printer(QPrinter::HighResolution);
    if (!ConfigureJobPrinter(printer, job))
        return false;
    QPrintPreviewDialog preview(&printer, owner);
    preview.setWindowTitle(
        mailingAddresses.size() == 1
            ? QStringLiteral("Print Preview")
            : QStringLiteral("Print Preview: %1 Envelopes").arg(mailingAddresses.size()));
    HidePrintingActions(preview);
    // Names a screen reader can say for the preview's own controls.
    if (auto* pages = preview.findChild<QPrintPreviewWidget*>())
        pages->setAccessibleName(QStringLiteral("Envelope pages"));
    for (QLineEdit* edit : preview.findChildren<QLineEdit*>()) {
        if (!qobject_cast<QComboBox*>(edit->parentWidget()))
            edit->setAccessibleName(QStringLiteral("Page number"));
    }
    for (QComboBox* zoom : preview.findChildren<QComboBox*>())
        zoom->setAccessibleName(QStringLiteral("Zoom"));
    QObject::connect(
        &preview, &QPrintPreviewDialog::paintRequested, &preview,
        [&](QPrinter* target) { PaintEnvelopes(*target, job, mailingAddresses, overlay); });
    preview.exec();
    return true;
}
