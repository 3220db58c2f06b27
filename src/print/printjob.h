#pragma once

#include "print/logfont.h"
#include "print/printeralignment.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QImage;
class QPainter;
class QPrinter;
class QTransform;

// What a page's mailing address becomes on paper: the text as it is printed,
// and rectangles filled black, in inches from the envelope's top left corner
// as its text reads. The envelope's size comes in inches.
struct MailingPage {
    QString text;
    QList<QRectF> bars;
};
using MailingPageOf =
    std::function<MailingPage(const QString& mailingAddress, const QSizeF& envelope)>;

// What one print job reads from the main dialog. A job of many envelopes
// takes everything but the mailing address from here.
struct EnvelopeJob {
    QString returnAddress;  // CR LF between lines
    QString mailingAddress; // CR LF between lines
    int envelopeIndex = 0;  // row of EnvelopeSizes; outside the table means row 0
    LOGFONTW returnLogFont; // heights in screen pixels
    LOGFONTW mailingLogFont;
    QByteArray devMode;      // the stored DEVMODEW block; null when none
    QByteArray devNames;     // the stored DEVNAMES block; null when none
    QSize clientSize;        // CW, CH: the main dialog's client area, screen pixels
    QPoint returnBoxTopLeft; // L, T of the return address box, relative to the client area
    QPoint mailingBoxTopLeft;
    int screenDpiY = 96; // SY
    // Where the printer puts the envelope: the stored alignment of the
    // printer the blocks name, if any.
    PrinterAlignment alignment;
    // Turns each page's mailing address into what is printed; none prints
    // the address as it is and nothing else.
    MailingPageOf mailingPage;
};

// One line of the mailing block as it lands on the envelope, in inches from
// the envelope's top left corner as its text reads.
struct PrintedLine {
    QString text;      // the part that is drawn
    QRectF ink;        // what the letters cover; empty for a blank line
    bool drawn = true; // false: below the block's end, so not printed at all
};

// The mailing block of one page as it is printed.
struct PrintedBlock {
    QSizeF envelope; // inches, as its text reads
    QList<PrintedLine> lines;
    double capHeight = 0; // inches, of the mailing font
    QList<QRectF> bars;
};

// The page's envelope: the transform from its inches (top left corner, as
// its text reads) to the painter's coordinates, and its size in inches.
using PageOverlay = std::function<void(QPainter& painter, const QTransform& fromInches,
                                       const QSizeF& envelope, const QString& mailingAddress)>;

enum class PrintResult {
    Printed,
    // No printer configured, blocks that do not hold what they claim, or a
    // printer that cannot be opened.
    InvalidSetup,
    // The setup was sound but the job did not come out: the output file
    // could not be written, or the queue refused the job.
    Failed,
    // The user stopped the job: nothing of it is printed.
    Cancelled,
};

// Why a job was not printed, and where it was to go.
struct PrintFailure {
    QString printer; // the queue's name, or the PDF writer's output file
    bool toFile = false;
    QString cause; // as the system or the print server gives it
    int envelopes = 1;
};

// The one sentence the window shows for a failed job.
QString PrintFailureMessage(const PrintFailure& failure);

// Told after each page with the number of pages drawn so far; false stops
// the job.
using PageDone = std::function<bool(int pages)>;

// Prints one envelope: one page named "Pelvaro" carrying both blocks. On
// Failed, failure (if given) says why.
PrintResult PrintEnvelope(const EnvelopeJob& job, PrintFailure* failure = nullptr);

// Prints one job named "Pelvaro" of one page per mailing address, in their
// order, each page as PrintEnvelope prints the job's own. A job stopped
// through pageDone is Cancelled: a PDF is removed, a job handed to the print
// server is withdrawn before it prints. An empty list prints nothing.
PrintResult PrintEnvelopes(const EnvelopeJob& job, const QStringList& mailingAddresses,
                           const PageDone& pageDone = {}, PrintFailure* failure = nullptr);
// The mailing address of a page, asked for once a page, in page order.
using MailingAddressOf = std::function<QString(qsizetype page)>;
// The same for `pages` pages whose addresses are made as they print.
PrintResult PrintEnvelopes(const EnvelopeJob& job, qsizetype pages,
                           const MailingAddressOf& mailingAddressOf, const PageDone& pageDone = {},
                           PrintFailure* failure = nullptr);

// Prints the page to lay an envelope on or feed instead of a sheet: the
// envelope's outline where the job's envelope is drawn, with rulers, and
// `caption` on one line. Results as for PrintEnvelope.
PrintResult PrintTestPage(const EnvelopeJob& job, const QString& caption,
                          PrintFailure* failure = nullptr);

// Draws the pages on a printer already set up, such as a print preview's.
// With outline, an envelope that does not fill the sheet has its edges
// drawn in grey, for the eye only; overlay, when given, draws on each page
// after it.
void PaintEnvelopes(QPrinter& printer, const EnvelopeJob& job, const QStringList& mailingAddresses,
                    bool outline = false, const PageOverlay& overlay = {});

// Where the job would print the mailing block of each address on its
// printer, in their order; nothing when the setup is invalid.
std::optional<QList<PrintedBlock>> MeasureMailingBlocks(const EnvelopeJob& job,
                                                        const QStringList& mailingAddresses);

// The printer the job's blocks describe, or false as for InvalidSetup.
bool ConfigureJobPrinter(QPrinter& printer, const EnvelopeJob& job);

// Hands each page to `picture` as an image of the whole sheet, as the printer
// would print it, at the printer's resolution or at dpi when it is above 0.
// picture returning false stops. InvalidSetup as for printing.
PrintResult RenderEnvelopes(const EnvelopeJob& job, qsizetype pages,
                            const MailingAddressOf& mailingAddressOf, int dpi,
                            const std::function<bool(const QImage& page, int index)>& picture);

// Writes one page's picture as PNG, whole or not at all: a file that was
// there stays as it was when the picture could not be written. False with
// the message in why.
bool SavePicture(const QImage& page, const QString& path, QString* why);
