#pragma once

#include "print/envelopejob.h"
#include "print/papersizes.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QImage;
class QPainter;
class QPrinter;
class QTransform;

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
    // could not be written, the queue refused the job, or a page could not
    // be made as asked.
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
// Failed, failure (if given) says why. A page the job cannot make as asked
// fails the job, and nothing of it is printed.
PrintResult PrintEnvelope(const EnvelopeJob& job, PrintFailure* failure = nullptr);
// The same on a printer already set up for the job (ConfigureJobPrinter),
// such as the one the job was checked on.
PrintResult PrintEnvelope(const EnvelopeJob& job, QPrinter& printer,
                          PrintFailure* failure = nullptr);

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
// `caption` on one line. Results as for PrintEnvelope; a sheet that cannot
// hold the envelope where the feed puts it is Failed, TestPageRefusal its
// cause, before anything is printed.
PrintResult PrintTestPage(const EnvelopeJob& job, const QString& caption,
                          PrintFailure* failure = nullptr);
// Why the job's printer cannot print its test page, for a person; empty
// when it can, or when its setup is invalid (which printing says).
QString TestPageRefusal(const EnvelopeJob& job);

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
// The same on a printer already set up for the job.
QList<PrintedBlock> MeasureMailingBlocks(const EnvelopeJob& job, const QPrinter& printer,
                                         const QStringList& mailingAddresses);

// The printer the job's blocks describe, or false as for InvalidSetup.
bool ConfigureJobPrinter(QPrinter& printer, const EnvelopeJob& job);

// Hands each page to `picture` as an image of the whole sheet, as the printer
// would print it, at the printer's resolution or at dpi when it is above 0.
// picture returning false stops. InvalidSetup as for printing; a page that
// cannot be made as asked is Failed, with its cause in failure, and is not
// handed over.
PrintResult RenderEnvelopes(const EnvelopeJob& job, qsizetype pages,
                            const MailingAddressOf& mailingAddressOf, int dpi,
                            const std::function<bool(const QImage& page, int index)>& picture,
                            PrintFailure* failure = nullptr);

// Draws the job's page with one mailing address on an image the size of the
// page, which has no margins, at the image's resolution; overlay as for
// PaintEnvelopes. For pictures of an envelope in the window.
void DrawPictureOfPage(QImage& image, const EnvelopeJob& job, const QString& mailingAddress,
                       const PageOverlay& overlay = {});
// The envelope size the job's blocks are placed for on its printer's page;
// the size list's row when the printer cannot be set up.
const PaperSize& PlacementSizeOfJob(const EnvelopeJob& job);

// Writes one page's picture as PNG, whole or not at all: a file that was
// there stays as it was when the picture could not be written. False with
// the message in why.
bool SavePicture(const QImage& page, const QString& path, QString* why);
