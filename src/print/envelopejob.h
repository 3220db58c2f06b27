#pragma once

#include "print/blockplacement.h"
#include "print/logfont.h"
#include "print/printeralignment.h"
#include "print/printtarget.h"
#include "templates/maindialoggeometry.h"

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>

// What a page's mailing address becomes on paper: the text as it is printed,
// and rectangles filled black, in inches from the envelope's top left corner
// as its text reads. The envelope's size comes in inches. A page that cannot
// be made as asked (a barcode that could not be made) says why in problem:
// it is not printed then, so that no page silently lacks what was asked.
// page: the page's place in its job, from 0, for what differs from one
// envelope to the next (a barcode's serial number).
struct MailingPage {
    QString text;
    QList<QRectF> bars;
    QString problem;
};
using MailingPageOf = std::function<MailingPage(const QString& mailingAddress,
                                                const QSizeF& envelope, qsizetype page)>;

// What one print job prints: the main dialog's texts, size and fonts, the
// printer setup, and where the window puts its boxes. A job of many
// envelopes takes everything but the mailing address from here.
struct EnvelopeJob {
    QString returnAddress;  // CR LF between lines
    QString mailingAddress; // CR LF between lines
    int envelopeIndex = 0;  // row of EnvelopeSizes; outside the table means row 0
    LOGFONTW returnLogFont; // heights in screen pixels
    LOGFONTW mailingLogFont;
    QByteArray devMode; // the stored DEVMODEW block; null when none
    PrintTarget target; // the stored DEVNAMES block, read
    DialogGeometry window;
    // Where the printer puts the envelope: the stored alignment of the
    // target, if any.
    PrinterAlignment alignment;
    // Where the user put the blocks, by envelope size; none stored places
    // them as they always were.
    BlockPlacements placements;
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
    // The block's right edge cuts the line: text is only the start of it,
    // which has `length` characters in all.
    bool cut = false;
    qsizetype length = 0;
};

// The mailing block of one page as it is printed.
struct PrintedBlock {
    QSizeF envelope; // inches, as its text reads
    QList<PrintedLine> lines;
    double capHeight = 0; // inches, of the mailing font
    QList<QRectF> bars;
};
