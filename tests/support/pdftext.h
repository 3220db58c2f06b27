#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

// The words of a PDF and where they stand, in points from the page's
// top-left corner, as pdftotext -bbox reads them; and its title.
struct PdfWord {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    int page = 0; // from 0
};
struct PdfText {
    double width = 0, height = 0;
    int pages = 0;
    QString title;
    QList<PdfWord> words;
    const PdfWord* Find(const QString& text) const;
};
PdfText ReadPdf(const QString& path);
// Whether pdftotext, pdfinfo and pdftoppm are installed.
bool HavePdfTools();
// One page of a PDF as pdftoppm draws it, in grey, at dpi.
QImage RenderPdfPage(const QString& path, int page, int dpi);
// The lines of ink on a page: for each run of rows holding dark pixels, the
// box around them, top to bottom.
QList<QRect> InkLines(const QImage& picture);
// Whether two pictures of a page carry the same lines of ink, within a
// pixel or two: how two renderers may differ, not where text lands.
bool SameInk(const QImage& a, const QImage& b);
