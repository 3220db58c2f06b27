#pragma once

#include <QSizeF>
#include <QString>

#include <span>

// A paper size as people name it: an envelope of the ISO, US or Japanese
// series, or a sheet. The sides are given in the size's own unit,
// millimetres for the metric sizes and inches for the US ones, long side
// first.
struct PaperSize {
    enum class Kind { IsoEnvelope, UsEnvelope, JisEnvelope, MetricSheet, UsSheet };

    const char* key;      // stable ASCII name, as stored: "C6/5", "No. 6 3/4"
    const char16_t* name; // as shown: "C6/5", "No. 6¾"
    Kind kind;
    double longSide;
    double shortSide;

    bool IsEnvelope() const { return kind != Kind::MetricSheet && kind != Kind::UsSheet; }
    bool IsMetric() const;
    QString Key() const { return QString::fromLatin1(key); }
    QString Name() const { return QString::fromUtf16(name); }
    // Long side by short side, in inches.
    QSizeF Inches() const;
    // "mm" or "in".
    QString Unit() const;
    // A distance in inches written in the size's own unit: "12.5" (mm) or
    // "0.38" (in).
    QString FormatDistance(double inches) const;
    double ToInches(double valueInUnit) const;
    // "DL (220 × 110 mm)", "No. 10 (9.5 × 4.125 in)".
    QString Description() const;
};

std::span<const PaperSize> PaperSizes();

// The size a name stands for, as the table writes it with case, blanks and
// full stops ignored ("dl", "c6/5", "no10", "no.63/4", "chou3", "a4");
// nothing when no size is called so.
const PaperSize* FindPaperSize(const QString& name);
// The size of the table whose sides both lie within 1 mm of these (inches,
// either way round); nothing for a size the table does not have.
const PaperSize* MatchPaperSize(const QSizeF& inches);
// The size of a row of the size list: No. 10 or No. 6¾.
const PaperSize& PaperSizeOfRow(int envelopeIndex);
// Every name, for a message: "DL, C4, ..., Legal".
QString PaperSizeNames();
