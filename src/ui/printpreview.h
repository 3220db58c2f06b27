#pragma once

#include <QStringList>

#include "print/printjob.h"

class QWidget;

// Shows the pages a job would print, one per mailing address, on the
// configured printer's page, drawn by the print job's own code. False,
// showing nothing, when the printer setup is invalid.
// overlay draws on each page and never prints.
bool ShowPrintPreview(QWidget* owner, const EnvelopeJob& job, const QStringList& mailingAddresses,
                      const PageOverlay& overlay = {});
