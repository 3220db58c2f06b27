#include "pdfwriterblocks.h"
#include "pelvarodlg.h"
#include "settingsstore.h"
#include "testenvironment.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

// What the window says when the envelope did not come out.
class TestPrintFailureMessage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void failedJobNamesPrinterAndCause();
};

void TestPrintFailureMessage::failedJobNamesPrinterAndCause() {
    CTestEnvironment environment;
    CSettingsStore settings(QStringLiteral("Torvane Software"), QStringLiteral("Pelvaro"));
    CPelvaroDlg dialog(settings);
    // A name that looks like markup must come out as it is.
    const QString notAFolder = environment.Root() + QStringLiteral("/<b>plain</b>");
    QVERIFY(WriteWholeFile(notAFolder, "x"));
    const QString output = notAFolder + QStringLiteral("/envelope.pdf");
    dialog.m_hDevNames = PdfNames(output);

    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            format = box->textFormat();
            icon = box->icon();
            box->accept();
        }
    });
    watcher.start(10);
    dialog.OnPrint();
    QCOMPARE(text, QStringLiteral("The envelope was not printed to the file %1: Not a directory.")
                       .arg(output));
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(icon, QMessageBox::Critical);
}

QTEST_MAIN(TestPrintFailureMessage)
#include "tst_printfailuremessage.moc"
