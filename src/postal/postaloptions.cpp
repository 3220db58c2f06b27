#include "postal/postaloptions.h"

#include "postal/intelligentmail.h"
#include "postal/postalareas.h"
#include "postal/postalcheck.h"
#include "postal/postalstyle.h"
#include "settings/settingsstore.h"

#include <QPainter>
#include <QTransform>

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

void ApplyPostalOptions(EnvelopeJob& job, const PostalOptions& options,
                        const QString& userCountry) {
    const bool barcode = options.barcode && options.barcodeFields;
    if (!options.postalStyle && !barcode)
        return;
    const QString tracking = barcode ? TrackingCode(*options.barcodeFields) : QString();
    const bool style = options.postalStyle;
    job.mailingPage = [tracking, style, userCountry](const QString& address,
                                                     const QSizeF& envelope) {
        MailingPage page{style ? PostalStyle(address, userCountry) : address, {}, {}};
        // A barcode that cannot be made leaves the page short of what was
        // asked: the job says so rather than print without it.
        if (!tracking.isEmpty()) {
            page.bars = IntelligentMailRects(
                IntelligentMailBars(tracking, RoutingCode(address), &page.problem), envelope);
        }
        return page;
    };
}

namespace {

QStringList FindingsOf(const PrintedBlock& block, const QString& mailingAddress,
                       const PostalOptions& options, const QString& userCountry) {
    QStringList findings = CheckMailingBlock(block, userCountry);
    if (options.barcode && options.barcodeFields && RoutingCode(mailingAddress).isEmpty())
        findings.append(QStringLiteral("The barcode carries no ZIP code: the address's place line "
                                       "does not end with a state and a ZIP code."));
    return findings;
}

} // namespace

std::optional<QStringList> CheckPostalAddress(const EnvelopeJob& job, const QString& mailingAddress,
                                              const PostalOptions& options,
                                              const QString& userCountry) {
    const std::optional<QList<PrintedBlock>> blocks = MeasureMailingBlocks(job, {mailingAddress});
    if (!blocks)
        return std::nullopt;
    return FindingsOf(blocks->constFirst(), mailingAddress, options, userCountry);
}

QStringList CheckPostalAddress(const EnvelopeJob& job, const QPrinter& printer,
                               const QString& mailingAddress, const PostalOptions& options,
                               const QString& userCountry) {
    return FindingsOf(MeasureMailingBlocks(job, printer, {mailingAddress}).constFirst(),
                      mailingAddress, options, userCountry);
}

std::optional<QStringList> CheckPostalAddresses(const EnvelopeJob& job,
                                                const QStringList& mailingAddresses,
                                                const PostalOptions& options,
                                                const QString& userCountry) {
    const std::optional<QList<PrintedBlock>> blocks = MeasureMailingBlocks(job, mailingAddresses);
    if (!blocks)
        return std::nullopt;
    QStringList findings;
    for (qsizetype i = 0; i < blocks->size(); ++i) {
        for (const QString& finding :
             FindingsOf(blocks->at(i), mailingAddresses[i], options, userCountry))
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
