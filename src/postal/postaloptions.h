#pragma once

#include "postal/intelligentmail.h"
#include "print/printjob.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class CSettingsStore;
class QPrinter;

// What the user chose for the mailing address beyond what the window
// specifies: both off by default, and then every page prints as it always
// has.
struct PostalOptions {
    bool checkBeforePrinting = false;
    bool showAreas = false; // in the preview
    bool postalStyle = false;
    bool barcode = false;
    // Kept while the barcode is off, so that turning it on again finds them.
    std::optional<IntelligentMailFields> barcodeFields;

    friend bool operator==(const PostalOptions&, const PostalOptions&) = default;
};

// Stored in our own key beside the window's values; missing or damaged
// values read as off.
PostalOptions ReadPostalOptions(const CSettingsStore& settings);
bool WritePostalOptions(CSettingsStore& settings, const PostalOptions& options);

// Has the job print its mailing addresses as the options say; with both off
// the job is left as it is. userCountry: the user's own country as an ISO
// 3166 code. The barcode goes only on US envelope sizes, and only to an
// address whose place line ends in a state and a ZIP code: the others
// carry none. Every envelope carries the options' serial number until
// NumberBarcodes numbers them.
void ApplyPostalOptions(EnvelopeJob& job, const PostalOptions& options, const QString& userCountry);

// The barcodes of a job of many envelopes.
struct BarcodeRun {
    qsizetype barcoded = 0; // envelopes to an address with a ZIP code
    qsizetype abroad = 0;   // the others, which carry no barcode
    // The serial numbers the barcoded ones carry, the first and the last;
    // empty when none is barcoded.
    QString firstSerial;
    QString lastSerial;
    // The numbers would run past the serial's digits: the job must not
    // print, as two pieces would carry the same code.
    bool overflow = false;
};
// Has each envelope of the job that carries a barcode carry a serial number
// of its own: the options' one for the first, counting up by one for each
// further one, in page order. addressOf(page) gives page's mailing address.
// Nothing changes when the options ask for no barcode.
BarcodeRun NumberBarcodes(EnvelopeJob& job, const PostalOptions& options,
                          const QString& userCountry, qsizetype pages,
                          const std::function<QString(qsizetype page)>& addressOf);
// What a person is told of a run: the serial numbers it used; and, once for
// the job, how many envelopes go without a barcode. Empty when there is
// nothing to say.
QString BarcodeSerialsLine(const BarcodeRun& run);
QString NoBarcodeAbroadLine(const BarcodeRun& run);
// Why a run cannot be printed: the serials it would need.
QString BarcodeOverflowLine(const PostalOptions& options, const BarcodeRun& run);

// The check of one address as the job prints it on its printer; nothing when
// the printer setup is invalid. An address that goes without a barcode is
// no finding.
std::optional<QStringList> CheckPostalAddress(const EnvelopeJob& job, const QString& mailingAddress,
                                              const PostalOptions& options,
                                              const QString& userCountry);
// The same on a printer already set up for the job, which may then print it.
QStringList CheckPostalAddress(const EnvelopeJob& job, const QPrinter& printer,
                               const QString& mailingAddress, const PostalOptions& options,
                               const QString& userCountry);
// The same for every envelope of a job, each line "Envelope N: finding",
// N counted from 1 in the list's order; an envelope without findings has
// no line.
std::optional<QStringList> CheckPostalAddresses(const EnvelopeJob& job,
                                                const QStringList& mailingAddresses,
                                                const PostalOptions& options,
                                                const QString& userCountry);

// What the preview's areas mean, for a line under the page.
QString PostalAreasLegend();

// Draws the read area and the barcode strip of an envelope on a page of
// the preview, never on paper: fromInches and envelope as a PageOverlay
// hands them.
void DrawPostalAreas(QPainter& painter, const QTransform& fromInches, const QSizeF& envelope,
                     const QString& mailingAddress = QString());
