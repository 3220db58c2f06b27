#include "postal/postaloptions.h"

#include "postal/intelligentmail.h"
#include "postal/postalareas.h"
#include "postal/postalcheck.h"
#include "postal/postalstyle.h"
#include "settings/settingsstore.h"

#include <QPainter>
#include <QTransform>

#include <memory>

namespace {

const QString kPostalKey = QStringLiteral("Postal");
const QString kCheck = QStringLiteral("Check Before Printing");
const QString kAreas = QStringLiteral("Show Areas");
const QString kStyle = QStringLiteral("Postal Style");
const QString kBarcode = QStringLiteral("Intelligent Mail");
const QString kBarcodeFields = QStringLiteral("Intelligent Mail Fields");
const QString kYes = QStringLiteral("yes");
const QString kNo = QStringLiteral("no");

} // namespace

PostalOptions ReadPostalOptions(const CSettingsStore& settings) {
    PostalOptions options;
    options.checkBeforePrinting = settings.ReadOwnString(kPostalKey, kCheck) == kYes;
    options.showAreas = settings.ReadOwnString(kPostalKey, kAreas) == kYes;
    options.postalStyle = settings.ReadOwnString(kPostalKey, kStyle) == kYes;
    if (const std::optional<QString> fields = settings.ReadOwnString(kPostalKey, kBarcodeFields)) {
        QString why;
        options.barcodeFields = ParseIntelligentMail(*fields, &why);
    }
    options.barcode = options.barcodeFields && settings.ReadOwnString(kPostalKey, kBarcode) == kYes;
    return options;
}

bool WritePostalOptions(CSettingsStore& settings, const PostalOptions& options) {
    bool written =
        settings.WriteOwnString(kPostalKey, kCheck, options.checkBeforePrinting ? kYes : kNo) &&
        settings.WriteOwnString(kPostalKey, kAreas, options.showAreas ? kYes : kNo) &&
        settings.WriteOwnString(kPostalKey, kStyle, options.postalStyle ? kYes : kNo) &&
        settings.WriteOwnString(kPostalKey, kBarcode, options.barcode ? kYes : kNo);
    if (options.barcodeFields)
        written = written && settings.WriteOwnString(kPostalKey, kBarcodeFields,
                                                     FormatIntelligentMail(*options.barcodeFields));
    return written;
}

namespace {

// The serial number `ordinal` places after the first, in the first's
// digits; empty when it would need more of them.
QString SerialAfter(const QString& first, qsizetype ordinal) {
    bool isNumber = false;
    const qulonglong start = first.toULongLong(&isNumber);
    qulonglong limit = 1;
    for (qsizetype i = 0; i < first.size(); ++i)
        limit *= 10;
    if (!isNumber || ordinal < 0 || start + qulonglong(ordinal) >= limit)
        return QString();
    return QString::number(start + qulonglong(ordinal)).rightJustified(first.size(), u'0');
}

// Which barcode of the job a page carries, counted from 0; none (nullptr)
// gives every page the first.
using Ordinals = std::shared_ptr<const QList<qsizetype>>;

void SetMailingPage(EnvelopeJob& job, const PostalOptions& options, const QString& userCountry,
                    const Ordinals& ordinals) {
    const bool barcode = options.barcode && options.barcodeFields;
    if (!options.postalStyle && !barcode)
        return;
    const std::optional<IntelligentMailFields> fields =
        barcode ? options.barcodeFields : std::nullopt;
    const bool style = options.postalStyle;
    job.mailingPage = [fields, style, userCountry,
                       ordinals](const QString& address, const QSizeF& envelope, qsizetype index) {
        MailingPage page{style ? PostalStyle(address, userCountry) : address, {}, {}};
        // The bars are the US postal service's, routed by a ZIP code: an
        // envelope of another size, or to another country, carries none.
        const QString routing = fields ? RoutingCode(address) : QString();
        if (routing.isEmpty() || RulesForEnvelope(envelope) != PostalRules::Us)
            return page;
        IntelligentMailFields numbered = *fields;
        const qsizetype ordinal =
            ordinals && index >= 0 && index < ordinals->size() ? ordinals->at(index) : 0;
        numbered.serial = SerialAfter(fields->serial, ordinal);
        // A barcode that cannot be made leaves the page short of what was
        // asked: the job says so rather than print without it.
        if (numbered.serial.isEmpty()) {
            page.problem = QStringLiteral("the barcode's serial number would run past its %1 "
                                          "digits")
                               .arg(fields->serial.size());
            return page;
        }
        page.bars = IntelligentMailRects(
            IntelligentMailBars(TrackingCode(numbered), routing, &page.problem), envelope);
        return page;
    };
}

} // namespace

void ApplyPostalOptions(EnvelopeJob& job, const PostalOptions& options,
                        const QString& userCountry) {
    SetMailingPage(job, options, userCountry, nullptr);
}

BarcodeRun NumberBarcodes(EnvelopeJob& job, const PostalOptions& options,
                          const QString& userCountry, qsizetype pages,
                          const std::function<QString(qsizetype page)>& addressOf) {
    BarcodeRun run;
    if (!options.barcode || !options.barcodeFields)
        return run;
    auto ordinals = std::make_shared<QList<qsizetype>>();
    ordinals->reserve(pages);
    for (qsizetype i = 0; i < pages; ++i) {
        const bool routed = !RoutingCode(addressOf(i)).isEmpty();
        ordinals->append(routed ? run.barcoded : -1);
        (routed ? run.barcoded : run.abroad) += 1;
    }
    const QString& first = options.barcodeFields->serial;
    if (run.barcoded > 0) {
        run.firstSerial = first;
        run.lastSerial = SerialAfter(first, run.barcoded - 1);
        run.overflow = run.lastSerial.isEmpty();
    }
    SetMailingPage(job, options, userCountry, ordinals);
    return run;
}

QString BarcodeSerialsLine(const BarcodeRun& run) {
    if (run.barcoded == 0 || run.overflow)
        return QString();
    if (run.barcoded == 1)
        return QStringLiteral("the barcode carries the serial number %1").arg(run.firstSerial);
    return QStringLiteral("the %1 barcodes carry the serial numbers %2 to %3")
        .arg(run.barcoded)
        .arg(run.firstSerial, run.lastSerial);
}

QString NoBarcodeAbroadLine(const BarcodeRun& run) {
    if (run.abroad == 0)
        return QString();
    const QString which = run.abroad == 1
                              ? QStringLiteral("1 envelope goes without one")
                              : QStringLiteral("%1 envelopes go without one").arg(run.abroad);
    return QStringLiteral("No barcode on envelopes to other countries: %1 (a place line that "
                          "does not end with a state and a ZIP code)")
        .arg(which);
}

QString BarcodeOverflowLine(const PostalOptions& options, const BarcodeRun& run) {
    const QString first = options.barcodeFields ? options.barcodeFields->serial : QString();
    const QString last(first.size(), u'9');
    // The last start that leaves room for every barcode of the job.
    const QString highest =
        SerialAfter(QString(first.size(), u'0'), last.toLongLong() - (run.barcoded - 1));
    if (highest.isEmpty())
        return QStringLiteral("%1 envelopes with a barcode need more serial numbers than %2 "
                              "digits hold: print them in smaller jobs")
            .arg(run.barcoded)
            .arg(first.size());
    return QStringLiteral("the serial number %1 leaves too few for the %2 envelopes with a "
                          "barcode, as serial numbers end at %3: give one of %4 or less")
        .arg(first)
        .arg(run.barcoded)
        .arg(last, highest);
}

// An address abroad goes without a barcode: no fault of the address, so
// the options add no finding of their own.
std::optional<QStringList> CheckPostalAddress(const EnvelopeJob& job, const QString& mailingAddress,
                                              const PostalOptions& /*options*/,
                                              const QString& userCountry) {
    const std::optional<QList<PrintedBlock>> blocks = MeasureMailingBlocks(job, {mailingAddress});
    if (!blocks)
        return std::nullopt;
    return CheckMailingBlock(blocks->constFirst(), userCountry);
}

QStringList CheckPostalAddress(const EnvelopeJob& job, const QPrinter& printer,
                               const QString& mailingAddress, const PostalOptions& /*options*/,
                               const QString& userCountry) {
    return CheckMailingBlock(MeasureMailingBlocks(job, printer, {mailingAddress}).constFirst(),
                             userCountry);
}

std::optional<QStringList> CheckPostalAddresses(const EnvelopeJob& job,
                                                const QStringList& mailingAddresses,
                                                const PostalOptions& /*options*/,
                                                const QString& userCountry) {
    const std::optional<QList<PrintedBlock>> blocks = MeasureMailingBlocks(job, mailingAddresses);
    if (!blocks)
        return std::nullopt;
    QStringList findings;
    for (qsizetype i = 0; i < blocks->size(); ++i) {
        for (const QString& finding : CheckMailingBlock(blocks->at(i), userCountry))
            findings.append(QStringLiteral("Envelope %1: %2").arg(i + 1).arg(finding));
    }
    return findings;
}

QString PostalAreasLegend() {
    return QStringLiteral("The blue area is where the sorting machines read the address: every "
                          "line of it belongs inside. The pink strip is kept free for the post's "
                          "barcode: nothing may be printed there.");
}

void DrawPostalAreas(QPainter& painter, const QTransform& fromInches, const QSizeF& envelope,
                     const QString& /*mailingAddress*/) {
    const PostalAreas areas = PostalAreasFor(envelope);
    painter.save();
    painter.setTransform(fromInches, true);
    // Light enough to read the address through; outlines a hair wide at any
    // zoom.
    QPen pen(QColor(0, 110, 220));
    pen.setCosmetic(true);
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(QColor(0, 110, 220, 28));
    painter.drawRect(areas.readArea);
    pen.setColor(QColor(220, 60, 0));
    painter.setPen(pen);
    painter.setBrush(QColor(220, 60, 0, 40));
    painter.drawRect(areas.barcodeStrip);
    painter.restore();
}
