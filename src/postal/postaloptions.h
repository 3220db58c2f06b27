#pragma once

#include "postal/intelligentmail.h"
#include "print/printjob.h"

#include <QString>
#include <QStringList>

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
// 3166 code.
void ApplyPostalOptions(EnvelopeJob& job, const PostalOptions& options, const QString& userCountry);

// The check of one address as the job prints it on its printer, and of the
// barcode the options ask for; nothing when the printer setup is invalid.
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
