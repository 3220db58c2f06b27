// Prints one envelope to the CUPS queue named on the command line, with
// blocks made the way the printer setup makes them. Used by cups_e2e.sh.
// Exit code 3 and the window's sentence on stderr when the job failed.
#include "printerblocks.h"
#include "printjob.h"

#include <QApplication>
#include <QPrinter>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc < 2) {
        err << "usage: cupsprintenvelope QUEUE\n";
        return 2;
    }
    const QString queue = QString::fromLocal8Bit(argv[1]);

    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    if (printer.printerName() != queue) {
        err << "queue " << queue << " is not known here\n";
        return 2;
    }
    const PrinterBlocks blocks = BlocksFromPrinter(printer);

    CEnvelopeJob job;
    job.returnAddress = QStringLiteral("Quentin Sender\r\n12 Return Lane");
    job.mailingAddress = QStringLiteral("Rosalind Recipient\r\n34 Mailing Avenue");
    job.returnLogFont = StockVariableFontDescription();
    job.returnLogFont.lfHeight = -13;
    job.returnLogFont.SetFaceName(QStringLiteral("Liberation Sans"));
    job.mailingLogFont = job.returnLogFont;
    job.mailingLogFont.lfHeight = -16;
    job.devMode = blocks.devMode;
    job.devNames = blocks.devNames;
    job.clientSize = QSize(646, 316);
    job.returnBoxTopLeft = QPoint(14, 14);
    job.mailingBoxTopLeft = QPoint(206, 100);
    job.screenDpiY = 96;
    PrintFailure failure;
    switch (PrintEnvelope(job, &failure)) {
    case PrintResult::Printed:
        return 0;
    case PrintResult::InvalidSetup:
        err << "the print job reported an invalid setup\n";
        return 1;
    case PrintResult::Failed:
        err << PrintFailureMessage(failure) << "\n";
        return 3;
    }
    return 1;
}
