#pragma once

#include "logfont.h"

#include <QByteArray>
#include <QPoint>
#include <QSize>
#include <QString>

// What one print job reads from the main dialog.
struct CEnvelopeJob {
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
};

enum class PrintResult {
    Printed,
    // No printer configured, blocks that do not hold what they claim, or a
    // printer that cannot be opened.
    InvalidSetup,
    // The setup was sound but the job did not come out: the output file
    // could not be written, or the queue refused the job.
    Failed,
};

// Why a job was not printed, and where it was to go.
struct PrintFailure {
    QString printer; // the queue's name, or the PDF writer's output file
    bool toFile = false;
    QString cause; // as the system or the print server gives it
};

// The one sentence the window shows for a failed job.
QString PrintFailureMessage(const PrintFailure& failure);

// Prints one envelope: one page named "Pelvaro" carrying both blocks. On
// Failed, failure (if given) says why.
PrintResult PrintEnvelope(const CEnvelopeJob& job, PrintFailure* failure = nullptr);
