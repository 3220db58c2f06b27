#pragma once

#include "print/envelopejob.h"
#include "print/envelopelayout.h"
#include "print/printeralignment.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTransform>

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
    // printable area, as a printer's is. A page that cannot be made as asked
    // is drawn as far as it can be, and why it falls short is returned;
    // empty when it is whole. page: its place in the job, from 0.
    QString DrawPage(QPainter& painter, const QString& mailingAddress, qsizetype page = 0) const;
    // Where DrawPage puts the mailing block's lines and bars.
    PrintedBlock MailingBlock(const QString& mailingAddress) const;
    // From the envelope's inches to the printer's coordinates, the
    // alignment included; and the envelope's size in inches.
    QTransform FromInches() const;
    QSizeF EnvelopeInches() const;
    // The test page: the envelope's outline where DrawPage puts it, where
    // each block's first lines go, millimetre rulers from its top and left
    // edges, corner marks, an arrow to the edge that goes first, how to read
    // it, and the caption.
    void DrawTestPage(QPainter& painter, const QString& caption) const;

    // The whole sheet, and the envelope where the drawing puts it, in the
    // coordinates DrawPage draws in.
    QRectF Sheet() const;
    QRectF EnvelopeOnSheet() const;
    // The lines of the return address, or of a mailing address, that the
    // edges of their block cut, without their trailing blanks.
    QStringList CutReturnLines() const;
    QStringList CutMailingLines(const QString& mailingAddress) const;
    // The envelope's edges in light grey, for a preview of a sheet larger
    // than the envelope; never printed.
    void DrawOutline(QPainter& painter) const;

private:
    // Where each block's first few lines go, on the envelope; their
    // rectangles on the sheet.
    QList<QRectF> DrawAddressAreas(QPainter& painter, double mm) const;
    MailingPage PageOf(const QString& mailingAddress, qsizetype page = 0) const;
    // From the envelope's inches to the layout's coordinates.
    QTransform LayoutFromInches() const;

    QString m_returnAddress;
    MailingPageOf m_mailingPage;
    const QPaintDevice* m_device = nullptr;
    PrinterMetrics m_metrics;
    AlignedPage m_page;
    EnvelopeLayout m_layout;
    QFont m_returnFont;
    QFont m_mailingFont;
};
