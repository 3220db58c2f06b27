#pragma once

#include "print/envelopejob.h"
#include "print/logfont.h"
#include "templates/maindialoggeometry.h"

#include <QByteArray>
#include <QString>

// A job as the window would make it, for tests that print without one: the
// printer the blocks name, both fonts of one face at heights in screen
// pixels, and the boxes where the window puts them on a screen of 96 dots
// per inch. The tests set what else they need.
inline EnvelopeJob TestJob(const QByteArray& devMode, const QByteArray& devNames,
                           const QString& face, int returnHeight, int mailingHeight) {
    EnvelopeJob job;
    job.returnLogFont = StockVariableFontDescription();
    job.returnLogFont.SetFaceName(face);
    job.mailingLogFont = job.returnLogFont;
    job.returnLogFont.lfHeight = returnHeight;
    job.mailingLogFont.lfHeight = mailingHeight;
    job.devMode = devMode;
    job.target = PrintTarget::FromDevNames(devNames);
    job.window = MainDialogGeometry(96);
    return job;
}
