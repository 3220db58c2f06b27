#pragma once

#include "print/printjob.h"

class QWidget;

// Tells the user why nothing came out: the invalid printer setup, or the
// printer and the cause of a job that failed. A printed or cancelled job
// shows nothing here.
void ShowPrintResult(QWidget* owner, PrintResult result, const PrintFailure& failure = {});

// The invalid printer setup, as a question for the windows that can reach
// the setup themselves: true when the user chose to open it.
bool OfferPrinterSetup(QWidget* owner);
