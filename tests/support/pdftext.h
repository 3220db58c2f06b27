#pragma once

#include <QList>
#include <QString>

// The words of a PDF and where they stand, in points from the page's
// top-left corner, as pdftotext -bbox reads them; and its title.
struct PdfWord {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};
struct PdfText {
    double width = 0, height = 0;
    int pages = 0;
    QString title;
    QList<PdfWord> words;
    const PdfWord* Find(const QString& text) const;
};
PdfText ReadPdf(const QString& path);
// Whether pdftotext and pdfinfo are installed.
bool HavePdfTools();
