#pragma once

#include "print/envelopelayout.h"
#include "print/printjob.h"

#include <QFont>
#include <QString>

class QPainter;
class QPaintDevice;
class QPrinter;

// Draws envelopes the way the print job lays them out: the page's metrics
// and the fonts are worked out once, then each page takes its own mailing
// address. The printer, the preview and the pictures all draw through here.
class CEnvelopePainter {
public:
    // device: what the fonts are measured on, at metrics' resolution.
    CEnvelopePainter(const EnvelopeJob& job, const PrinterMetrics& metrics,
                     const QPaintDevice* device);

    // The page as the printer reports it: W and H of the sheet, the margins
    // it cannot print on, its resolution.
    static PrinterMetrics MetricsOf(const QPrinter& printer);

    // Draws both blocks with the painter's origin at the corner of the
    // printable area, as a printer's is.
    void DrawPage(QPainter& painter, const QString& mailingAddress) const;

private:
    QString m_returnAddress;
    EnvelopeLayout m_layout;
    QFont m_returnFont;
    QFont m_mailingFont;
};
