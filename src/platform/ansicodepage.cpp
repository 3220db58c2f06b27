#include "ansicodepage.h"

#include <QLocale>

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// Code page 1252 differs from Latin-1 in 0x80 to 0x9F. The five bytes it
// leaves undefined map to the C1 control of the same value, as the
// platform's own converter does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeCp1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(char16_t(b));
    }
    return text;
}

QString DecodeWithIconv(const char* name, QByteArrayView bytes) {
    iconv_t cd = iconv_open("UTF-16LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return DecodeCp1252(bytes);

    // Every code page here yields at most one UTF-16 unit per input byte.
    std::vector<char16_t> buffer(static_cast<size_t>(bytes.size()) + 1);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* out = reinterpret_cast<char*>(buffer.data());
    size_t outLeft = buffer.size() * sizeof(char16_t);

    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            // Cannot happen with the sizing above, but never loop forever.
            break;
        }
        // A byte the code page does not map, or a sequence cut at the end:
        // substitute and go on with the next byte.
        if (outLeft < sizeof(char16_t))
            break;
        const char16_t replacement = 0xFFFD;
        std::memcpy(out, &replacement, sizeof replacement);
        out += sizeof replacement;
        outLeft -= sizeof replacement;
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    const auto units = static_cast<qsizetype>((out - reinterpret_cast<char*>(buffer.data())) /
                                              static_cast<qsizetype>(sizeof(char16_t)));
    return QString(reinterpret_cast<const QChar*>(buffer.data()), units);
}

} // namespace

int AnsiCodePageForLocale(const QString& localeName) {
    const QLocale locale(localeName);
    switch (locale.language()) {
    case QLocale::Czech:
    case QLocale::Polish:
    case QLocale::Slovak:
    case QLocale::Slovenian:
    case QLocale::Hungarian:
    case QLocale::Croatian:
    case QLocale::Romanian:
    case QLocale::Albanian:
    case QLocale::Bosnian:
        return 1250;
    case QLocale::Serbian:
        return locale.script() == QLocale::LatinScript ? 1250 : 1251;
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Kazakh:
    case QLocale::Kyrgyz:
    case QLocale::Mongolian:
    case QLocale::Tatar:
        return 1251;
    case QLocale::Greek:
        return 1253;
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
        return 1254;
    case QLocale::Hebrew:
    case QLocale::Yiddish:
        return 1255;
    case QLocale::Arabic:
    case QLocale::Persian:
    case QLocale::Urdu:
        return 1256;
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian:
        return 1257;
    case QLocale::Vietnamese:
        return 1258;
    case QLocale::Thai:
        return 874;
    case QLocale::Japanese:
        return 932;
    case QLocale::Korean:
        return 949;
    case QLocale::Chinese:
        return (locale.script() == QLocale::TraditionalChineseScript ||
                locale.territory() == QLocale::Taiwan || locale.territory() == QLocale::HongKong ||
                locale.territory() == QLocale::Macao)
                   ? 950
                   : 936;
    default:
        return 1252;
    }
}

int ThreadAnsiCodePage() {
    static const int codePage = AnsiCodePageForLocale(QLocale::system().name());
    return codePage;
}

QString MultiByteToWide(int codePage, QByteArrayView bytes) {
    if (bytes.isEmpty())
        return {};
    switch (codePage) {
    case 1252:
        return DecodeCp1252(bytes);
    case 874:
        return DecodeWithIconv("CP874", bytes);
    case 932:
        return DecodeWithIconv("CP932", bytes);
    case 936:
        return DecodeWithIconv("CP936", bytes);
    case 949:
        return DecodeWithIconv("CP949", bytes);
    case 950:
        return DecodeWithIconv("CP950", bytes);
    default:
        if (codePage >= 1250 && codePage <= 1258) {
            const QByteArray name = "CP" + QByteArray::number(codePage);
            return DecodeWithIconv(name.constData(), bytes);
        }
        return DecodeCp1252(bytes);
    }
}
