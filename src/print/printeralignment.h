#pragma once

#include "print/envelopelayout.h"
#include "print/printtarget.h"

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <optional>

class CSettingsStore;

// How a printer takes an envelope, as the page Pelvaro draws on sees it.
// Across: the envelope's long side along the page's top edge, drawn
// upright. Standing: its long side along the page's left edge, drawn a
// quarter turn clockwise, so that its left edge comes first. Left, centre
// and right say where it lies on a page larger than the envelope; up and
// down it is centred, as it always was. Across at the right edge is where
// the envelope has always been drawn.
enum class EnvelopeFeed {
    AcrossLeft,
    AcrossCentre,
    AcrossRight,
    StandingLeft,
    StandingCentre,
    StandingRight,
};

// Where one printer puts the envelope. Shifts are in tenths of a
// millimetre, so that steps of 0.1 mm stay exact: right and down positive.
struct PrinterAlignment {
    static constexpr int kMaxShift = 250;

    EnvelopeFeed feed = EnvelopeFeed::AcrossRight;
    bool turned = false; // a half turn, for printers that take the flap first
    int shiftRight = 0;
    int shiftDown = 0;

    friend bool operator==(const PrinterAlignment&, const PrinterAlignment&) = default;
};

// The feeds' names as the command line spells them ("across-right"...), and
// back; nothing for a name that is none of them.
QString FeedName(EnvelopeFeed feed);
std::optional<EnvelopeFeed> FeedFromName(const QString& name);
// What the window's pictures of the feed say, for a person.
QString FeedDescription(EnvelopeFeed feed);
bool IsStanding(EnvelopeFeed feed);

// Millimetres with one decimal ("-1.5"), and back: at most one decimal,
// within the range, else nothing.
QString FormatShift(int tenths);
std::optional<int> ParseShift(const QString& text);

// "standing-left,yes,1.5,-2.0": the stored form, and back; nothing when the
// text is damaged.
QString FormatAlignment(const PrinterAlignment& alignment);
std::optional<PrinterAlignment> ParseAlignment(const QString& text);
// For a person: "across-right, not turned, shift 0.0 mm right, 0.0 mm down".
QString DescribeAlignment(const PrinterAlignment& alignment);
// "shifted 1.5 mm left, 0.7 mm down", for saying beside a printer that its
// pages are moved; empty when they are not.
QString ShiftNote(const PrinterAlignment& alignment);
// The test page's line: the printer and the alignment it was printed with.
QString TestPageCaption(const QString& printer, const PrinterAlignment& alignment);

// The PDF writer's name among the printers: no print queue can be called
// so, as queue names have no blanks.
inline const QString kPdfPrinterName = QStringLiteral("PDF file");
// The printer a target names: its queue, or kPdfPrinterName for any file;
// empty when no printer is configured.
QString AlignmentPrinterName(const PrintTarget& target);

// The stored alignment of a printer, each under its own name; a printer
// without one, or with a damaged one, prints as Pelvaro always has.
std::optional<PrinterAlignment> ReadPrinterAlignment(const CSettingsStore& settings,
                                                     const QString& printer);
// Whether anything is stored for the printer, readable or not: a stored
// value that ReadPrinterAlignment does not give is damaged.
bool HasStoredAlignment(const CSettingsStore& settings, const QString& printer);
bool WritePrinterAlignment(CSettingsStore& settings, const QString& printer,
                           const PrinterAlignment& alignment);
bool RemovePrinterAlignment(CSettingsStore& settings, const QString& printer);

// The page as the envelope sits on it.
struct AlignedPage {
    // The page the layout is worked out on: the real one, or for a standing
    // envelope the page turned a quarter, as the envelope lies in it.
    PrinterMetrics layoutMetrics;
    // Where the envelope lies in the layout's coordinates.
    QRectF envelope;
    // From the layout's coordinates to the printer's (origin at the corner of
    // the printable area): the envelope moved to where the feed puts it,
    // turned, and shifted. Nothing but a shift when the feed is the first
    // placement, and nothing at all with no shift either.
    QTransform transform;
};
// pageIsEnvelope as for ComputeEnvelopeLayout.
AlignedPage AlignPage(const PrinterMetrics& page, int envelopeIndex,
                      const PrinterAlignment& alignment, bool pageIsEnvelope = false);

// Whether the page holds the whole envelope where the feed puts it, the
// shift left aside: a sheet narrower than an envelope lying across it
// would lose part of the envelope off its edge.
bool PageHoldsEnvelope(const PrinterMetrics& page, int envelopeIndex,
                       const PrinterAlignment& alignment);
// Why a test page cannot be printed on this page, for a person: the
// envelope, the paper (paperName, as the printer names it) and what to
// choose instead; empty when the page holds the envelope.
QString TestPageMisfit(const PrinterMetrics& page, int envelopeIndex,
                       const PrinterAlignment& alignment, const QString& paperName);
