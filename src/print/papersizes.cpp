#include "print/papersizes.h"

#include "print/envelopesizes.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double kMmPerInch = 25.4;
// Paper sizes are given to the whole millimetre or the eighth of an inch;
// within this both name the same paper.
constexpr double kSameSizeMm = 1.0;

using Kind = PaperSize::Kind;

constexpr std::array<PaperSize, 30> kSizes = {{
    {"DL", u"DL", Kind::IsoEnvelope, 220, 110},
    {"C4", u"C4", Kind::IsoEnvelope, 324, 229},
    {"C5", u"C5", Kind::IsoEnvelope, 229, 162},
    {"C6", u"C6", Kind::IsoEnvelope, 162, 114},
    {"C6/5", u"C6/5", Kind::IsoEnvelope, 229, 114},
    {"B4", u"B4", Kind::IsoEnvelope, 353, 250},
    {"B5", u"B5", Kind::IsoEnvelope, 250, 176},
    {"B6", u"B6", Kind::IsoEnvelope, 176, 125},
    {"No. 6 3/4", u"No. 6\u00BE", Kind::UsEnvelope, 6.5, 3.625},
    {"Monarch", u"Monarch", Kind::UsEnvelope, 7.5, 3.875},
    {"No. 9", u"No. 9", Kind::UsEnvelope, 8.875, 3.875},
    {"No. 10", u"No. 10", Kind::UsEnvelope, 9.5, 4.125},
    {"No. 11", u"No. 11", Kind::UsEnvelope, 10.375, 4.5},
    {"No. 12", u"No. 12", Kind::UsEnvelope, 11, 4.75},
    {"No. 14", u"No. 14", Kind::UsEnvelope, 11.5, 5},
    {"A2", u"A2", Kind::UsEnvelope, 5.75, 4.375},
    {"A6", u"A6", Kind::UsEnvelope, 6.5, 4.75},
    {"A7", u"A7", Kind::UsEnvelope, 7.25, 5.25},
    {"A9", u"A9", Kind::UsEnvelope, 8.75, 5.75},
    {"6x9", u"6\u00D79", Kind::UsEnvelope, 9, 6},
    {"9x12", u"9\u00D712", Kind::UsEnvelope, 12, 9},
    {"10x13", u"10\u00D713", Kind::UsEnvelope, 13, 10},
    {"Chou 3", u"Chou 3", Kind::JisEnvelope, 235, 120},
    {"Chou 4", u"Chou 4", Kind::JisEnvelope, 205, 90},
    {"Kaku 2", u"Kaku 2", Kind::JisEnvelope, 332, 240},
    {"You 4", u"You 4", Kind::JisEnvelope, 235, 105},
    {"A4", u"A4", Kind::MetricSheet, 297, 210},
    {"A5", u"A5", Kind::MetricSheet, 210, 148},
    {"Letter", u"Letter", Kind::UsSheet, 11, 8.5},
    {"Legal", u"Legal", Kind::UsSheet, 14, 8.5},
}};

// A name as one may type it: no case, blanks or full stops, fractions and
// the multiplication sign in plain letters.
QString NameKey(QString name) {
    name.replace(QChar(0x00BE), QLatin1String("3/4"));
    name.replace(QChar(0x00D7), QLatin1Char('x'));
    name.remove(QLatin1Char(' '));
    name.remove(QLatin1Char('.'));
    return name.toLower();
}

// Up to `decimals` places, without trailing zeros: "9.5", "220".
QString Trimmed(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

} // namespace

bool PaperSize::IsMetric() const {
    return kind == Kind::IsoEnvelope || kind == Kind::JisEnvelope || kind == Kind::MetricSheet;
}

QSizeF PaperSize::Inches() const {
    const double scale = IsMetric() ? 1 / kMmPerInch : 1;
    return {longSide * scale, shortSide * scale};
}

QString PaperSize::Unit() const {
    return IsMetric() ? QStringLiteral("mm") : QStringLiteral("in");
}

QString PaperSize::FormatDistance(double inches) const {
    return IsMetric() ? Trimmed(inches * kMmPerInch, 1) : Trimmed(inches, 3);
}

double PaperSize::ToInches(double valueInUnit) const {
    return IsMetric() ? valueInUnit / kMmPerInch : valueInUnit;
}

QString PaperSize::Description() const {
    return QStringLiteral("%1 (%2 \u00D7 %3 %4)")
        .arg(Name(), Trimmed(longSide, 3), Trimmed(shortSide, 3), Unit());
}

std::span<const PaperSize> PaperSizes() {
    return kSizes;
}

const PaperSize* FindPaperSize(const QString& name) {
    const QString key = NameKey(name);
    if (key.isEmpty())
        return nullptr;
    for (const PaperSize& size : kSizes) {
        if (key == NameKey(size.Name()) || key == NameKey(size.Key()))
            return &size;
    }
    return nullptr;
}

const PaperSize* MatchPaperSize(const QSizeF& inches) {
    const double longMm = std::max(inches.width(), inches.height()) * kMmPerInch;
    const double shortMm = std::min(inches.width(), inches.height()) * kMmPerInch;
    for (const PaperSize& size : kSizes) {
        const QSizeF own = size.Inches() * kMmPerInch;
        if (std::abs(own.width() - longMm) <= kSameSizeMm &&
            std::abs(own.height() - shortMm) <= kSameSizeMm)
            return &size;
    }
    return nullptr;
}

const PaperSize& PaperSizeOfRow(int envelopeIndex) {
    const EnvelopeSize& row = EnvelopeSizeRow(envelopeIndex);
    const PaperSize* size = MatchPaperSize({row.width, row.height});
    return size ? *size : kSizes[0];
}

QString PaperSizeNames() {
    QStringList names;
    for (const PaperSize& size : kSizes)
        names.append(size.Name());
    return names.join(QStringLiteral(", "));
}
