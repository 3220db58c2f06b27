#pragma once

#include "print/printeralignment.h"

#include <QDialog>

#include <functional>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;

// Printer Alignment: how the configured printer takes an envelope, and how
// far off it prints. The dialog only edits; the caller stores on OK and
// prints the test page with what the dialog shows at that moment.
class CPrinterAlignmentDlg : public QDialog {
    Q_OBJECT

public:
    // Prints a test page; what to say of it when it was printed.
    using TestPage = std::function<QString(const PrinterAlignment&)>;

    CPrinterAlignmentDlg(const QString& printer, const PrinterAlignment& alignment,
                         TestPage testPage, QWidget* parent = nullptr);

    // What the controls say now.
    PrinterAlignment Alignment() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The six pictures of the feeds, the chosen one checked.
    QGroupBox* MakeFeedBox(EnvelopeFeed chosen);
    // OK, Cancel, Help and Print Test Page, with the line that says what
    // the last test page did.
    QDialogButtonBox* MakeButtons();
    // Only the chosen picture takes Tab.
    void UpdateFeedFocus();

    QButtonGroup* m_feeds = nullptr;
    QCheckBox* m_turned = nullptr;
    QDoubleSpinBox* m_shiftRight = nullptr;
    QDoubleSpinBox* m_shiftDown = nullptr;
    TestPage m_testPage;
    // What the last test page did.
    QLabel* m_status = nullptr;
};
