#pragma once

#include "postal/postaloptions.h"
#include "print/envelopejob.h"
#include "print/logfont.h"
#include "print/papersizes.h"
#include "templates/maindialoggeometry.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

class CSettingsStore;

// What a job takes from elsewhere than the stored settings: the window's
// boxes, size, fonts and printer blocks as they are now, or what the tool's
// command line gives. Whatever is left out comes from what the window
// stored.
struct JobOverrides {
    std::optional<QString> returnAddress;
    // Never stored for a job: the box's text, a --to, or none for a job of
    // many envelopes.
    QString mailingAddress;
    std::optional<int> envelopeIndex;
    std::optional<LOGFONTW> returnLogFont;
    std::optional<LOGFONTW> mailingLogFont;
    // A null block stands for none, in place of a stored one.
    std::optional<QByteArray> devMode;
    std::optional<QByteArray> devNames;
    // Tenths of a millimetre right and down, in place of the stored
    // alignment's shift.
    std::optional<std::pair<int, int>> shift;
    std::optional<PostalOptions> postal;
    // The paper in the printer for this job, in place of the stored
    // settings' page.
    const PaperSize* paper = nullptr;
};

// Puts a job together: the overrides, and for everything they leave out the
// window's stored values; the stored alignment of the printer the job goes
// to; the postal options; the boxes placed as the window's geometry says.
// The window and the tool make every job here.
// Has the job's printer take this paper: an envelope fed as the page, lying
// or standing as the job's feed says; a sheet upright, with the envelope of
// the size list placed on it. A damaged settings block is left as it is.
void FeedPaper(EnvelopeJob& job, const PaperSize& paper);

EnvelopeJob MakeEnvelopeJob(const CSettingsStore& settings, const DialogGeometry& window,
                            const JobOverrides& overrides);
