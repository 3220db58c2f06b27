#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

// What the mailer puts in the tracking code of an Intelligent Mail barcode,
// digits as text. The Mailer ID is the one the postal service assigned.
struct IntelligentMailFields {
    QString barcodeId;   // 2 digits, the second 0 to 4
    QString serviceType; // 3 digits
    QString mailerId;    // 6 digits, or 9 beginning with 9
    QString serial;      // 9 digits with a 6-digit Mailer ID, else 6

    friend bool operator==(const IntelligentMailFields&, const IntelligentMailFields&) = default;
};

// "BARCODEID,SERVICE,MAILERID,SERIAL"; a serial shorter than its field is
// filled with zeros in front. Nothing for a wrong field, and why says which.
std::optional<IntelligentMailFields> ParseIntelligentMail(const QString& text, QString* why);
QString FormatIntelligentMail(const IntelligentMailFields& fields);

// The 20 digits of the tracking code.
QString TrackingCode(const IntelligentMailFields& fields);

// The routing code of a US mailing address: the ZIP code (5 digits), ZIP+4
// (9) or delivery point (11, written 12345-6789-01) at the end of its place
// line, the state's two letters before it; empty when there is none.
QString RoutingCode(const QString& mailingAddress);

// The 65 bars, left to right: F full, A ascender, D descender, T tracker.
// Empty when the encoder refuses the data, and why says why.
QString IntelligentMailBars(const QString& tracking, const QString& routing, QString* why);

// Where each bar is printed on an envelope of that size, in inches from
// its top left corner: in the clear zone at the bottom right, at 22 bars
// an inch, 0.020 in wide, full bars 0.145 in tall.
QList<QRectF> IntelligentMailRects(const QString& bars, const QSizeF& envelope);

// The barcode's measures, in inches.
namespace IntelligentMailSize {
inline constexpr double kPitch = 1.0 / 22;
inline constexpr double kBarWidth = 0.020;
inline constexpr double kTracker = 0.048;
inline constexpr double kExtender = 0.0485;  // an ascender's or descender's part beyond the tracker
inline constexpr double kFromRight = 4.0;    // the first bar's left edge from the right edge
inline constexpr double kAboveBottom = 0.25; // the full bars' lower end above the bottom edge
} // namespace IntelligentMailSize
