#include "codepages/ansicodepage.h"

#include "codepages/codepagetables.h"
#include "codepages/multibytecodepage.h"

#include <QLocale>

namespace {

QString DecodeWithTable(const char16_t* highHalf, QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b < 0x80 ? char16_t(b) : highHalf[b - 0x80]);
    }
    return text;
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
    if (const char16_t* highHalf = CodePageHighHalf(codePage))
        return DecodeWithTable(highHalf, bytes);
    if (IsMultiByteCodePage(codePage))
        return DecodeMultiByte(codePage, bytes);
    return DecodeWithTable(CodePageHighHalf(1252), bytes);
}
