#include "postal/intelligentmail.h"

#include "postal/postalstyle.h"

#include <QLibrary>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>

#include <zint.h>

namespace {

bool AllDigits(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

std::optional<IntelligentMailFields> ParseIntelligentMail(const QString& text, QString* why) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4) {
        *why = QStringLiteral("give the barcode as BARCODEID,SERVICE,MAILERID,SERIAL, not '%1'")
                   .arg(text);
        return std::nullopt;
    }
    IntelligentMailFields fields{parts[0].trimmed(), parts[1].trimmed(), parts[2].trimmed(),
                                 parts[3].trimmed()};
    if (fields.barcodeId.size() != 2 || !AllDigits(fields.barcodeId) ||
        fields.barcodeId[1] > u'4') {
        *why = QStringLiteral("the barcode identifier is two digits, the second from 0 to 4, "
                              "not '%1'")
                   .arg(fields.barcodeId);
        return std::nullopt;
    }
    if (fields.serviceType.size() != 3 || !AllDigits(fields.serviceType)) {
        *why = QStringLiteral("the service type is three digits, not '%1'").arg(fields.serviceType);
        return std::nullopt;
    }
    const bool shortId = fields.mailerId.size() == 6 && fields.mailerId[0] != u'9';
    const bool longId = fields.mailerId.size() == 9 && fields.mailerId[0] == u'9';
    if (!AllDigits(fields.mailerId) || !(shortId || longId)) {
        *why = QStringLiteral("the Mailer ID is the one the postal service assigned you: 6 digits, "
                              "or 9 beginning with 9, not '%1'")
                   .arg(fields.mailerId);
        return std::nullopt;
    }
    const qsizetype serialDigits = shortId ? 9 : 6;
    if (!AllDigits(fields.serial) || fields.serial.size() > serialDigits) {
        *why = QStringLiteral("the serial number is up to %1 digits with a %2-digit Mailer ID, "
                              "not '%3'")
                   .arg(serialDigits)
                   .arg(fields.mailerId.size())
                   .arg(fields.serial);
        return std::nullopt;
    }
    fields.serial = fields.serial.rightJustified(serialDigits, u'0');
    return fields;
}

QString FormatIntelligentMail(const IntelligentMailFields& fields) {
    return QStringList{fields.barcodeId, fields.serviceType, fields.mailerId, fields.serial}.join(
        u',');
}

QString TrackingCode(const IntelligentMailFields& fields) {
    return fields.barcodeId + fields.serviceType + fields.mailerId + fields.serial;
}

QString RoutingCode(const QString& mailingAddress) {
    static const QRegularExpression place(
        QStringLiteral("\\b[A-Za-z]{2}\\s+(\\d{5})(?:-(\\d{4})(?:-(\\d{2}))?)?$"));
    // The place line is the last, or the one before a country's.
    const QStringList lines = AddressLines(mailingAddress);
    for (qsizetype i = lines.size() - 1; i >= 0 && i >= lines.size() - 2; --i) {
        const QRegularExpressionMatch match = place.match(lines[i]);
        if (match.hasMatch())
            return match.captured(1) + match.captured(2) + match.captured(3);
    }
    return QString();
}

namespace {

// The encoder's library is opened the first time a barcode is made, so that
// a program that makes none goes without it.
struct ZintCalls {
    decltype(&ZBarcode_Create) create = nullptr;
    decltype(&ZBarcode_Delete) release = nullptr;
    decltype(&ZBarcode_Encode) encode = nullptr;
};

const std::optional<ZintCalls>& Zint() {
    static const std::optional<ZintCalls> calls = []() -> std::optional<ZintCalls> {
        QLibrary library(QStringLiteral(PELVARO_ZINT_SONAME));
        ZintCalls found;
        found.create = reinterpret_cast<decltype(found.create)>(library.resolve("ZBarcode_Create"));
        found.release =
            reinterpret_cast<decltype(found.release)>(library.resolve("ZBarcode_Delete"));
        found.encode = reinterpret_cast<decltype(found.encode)>(library.resolve("ZBarcode_Encode"));
        if (found.create && found.release && found.encode)
            return found;
        return std::nullopt;
    }();
    return calls;
}

} // namespace

QString IntelligentMailBars(const QString& tracking, const QString& routing, QString* why) {
    const auto& zint = Zint();
    if (!zint) {
        *why = QStringLiteral("the barcode could not be made: its library, %1, is missing")
                   .arg(QLatin1String(PELVARO_ZINT_SONAME));
        return QString();
    }
    const std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(zint->create(),
                                                                      zint->release);
    if (!symbol) {
        *why = QStringLiteral("the barcode could not be made");
        return QString();
    }
    symbol->symbology = BARCODE_USPS_IMAIL;
    const QByteArray data = (routing.isEmpty() ? tracking : tracking + u'-' + routing).toLatin1();
    const int result =
        zint->encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()),
                     static_cast<int>(data.size()));
    if (result >= ZINT_ERROR || symbol->rows != 3) {
        *why = QStringLiteral("the barcode could not be made: %1")
                   .arg(QString::fromLatin1(symbol->errtxt));
        return QString();
    }
    // Three rows of modules: the ascenders' part, the trackers', the
    // descenders'; a bar every other module.
    const auto set = [&](int row, int column) {
        return ((symbol->encoded_data[row][column >> 3] >> (column & 7)) & 1) != 0;
    };
    QString bars;
    for (int column = 0; column < symbol->width; column += 2) {
        const bool up = set(0, column);
        const bool down = set(2, column);
        bars += up && down ? u'F' : up ? u'A' : down ? u'D' : u'T';
    }
    return bars;
}

QList<QRectF> IntelligentMailRects(const QString& bars, const QSizeF& envelope) {
    using namespace IntelligentMailSize;
    const double bottom = envelope.height() - kAboveBottom;
    const double trackerTop = bottom - kExtender - kTracker;
    const double trackerBottom = bottom - kExtender;
    QList<QRectF> rects;
    double left = envelope.width() - kFromRight;
    for (const QChar bar : bars) {
        const double top = bar == u'F' || bar == u'A' ? trackerTop - kExtender : trackerTop;
        const double end = bar == u'F' || bar == u'D' ? bottom : trackerBottom;
        rects.append(QRectF(QPointF(left, top), QPointF(left + kBarWidth, end)));
        left += kPitch;
    }
    return rects;
}
