#include "contacts/contactstext.h"

#include "platform/ansicodepage.h"

#include <QStringDecoder>

namespace {

bool IsAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Single- and double-byte character sets by the code page that decodes
// them. The ISO sets that differ from their Windows cousin only in C1
// controls and a few signs are read with the cousin.
struct CharsetCodePage {
    const char* name;
    int codePage;
};

constexpr CharsetCodePage kCharsets[] = {
    {"tis-620", 874},     {"iso-8859-15", 1252},   {"iso-8859-2", 1250},
    {"iso-8859-9", 1254}, {"shift_jis", 932},      {"shift-jis", 932},
    {"sjis", 932},        {"windows-31j", 932},    {"gb2312", 936},
    {"gbk", 936},         {"gb18030", 936},        {"big5", 950},
    {"euc-kr", 949},      {"ks_c_5601-1987", 949},
};

bool IsKnownCodePage(int page) {
    return page == 874 || page == 932 || page == 936 || page == 949 || page == 950 ||
           (page >= 1250 && page <= 1258);
}

// "windows-1252", "cp1252" and "x-cp1252" all name code page 1252.
int NumberedCodePage(const QByteArray& name) {
    for (const char* prefix : {"windows-", "x-cp", "cp"}) {
        if (!name.startsWith(prefix))
            continue;
        bool ok = false;
        const int page = name.mid(qstrlen(prefix)).toInt(&ok);
        return ok && IsKnownCodePage(page) ? page : 0;
    }
    return 0;
}

} // namespace

QString DecodeUnknownText(QByteArrayView bytes) {
    if (IsAscii(bytes))
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return MultiByteToWide(ThreadAnsiCodePage(), bytes);
}

QString DecodeCharset(QByteArrayView bytes, QByteArrayView charset, bool* known) {
    *known = true;
    const QByteArray name = charset.trimmed().toByteArray().toLower();
    if (name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii")
        return DecodeUnknownText(bytes);
    if (name == "iso-8859-1" || name == "latin1" || name == "l1")
        return QString::fromLatin1(bytes);
    if (name == "utf-16" || name == "utf-16le" || name == "utf-16be") {
        QStringDecoder decoder(name == "utf-16be"   ? QStringConverter::Utf16BE
                               : name == "utf-16le" ? QStringConverter::Utf16LE
                                                    : QStringConverter::Utf16,
                               QStringConverter::Flag::Stateless);
        return decoder.decode(bytes);
    }
    if (const int page = NumberedCodePage(name))
        return MultiByteToWide(page, bytes);
    for (const CharsetCodePage& entry : kCharsets)
        if (name == entry.name)
            return MultiByteToWide(entry.codePage, bytes);
    *known = false;
    return DecodeUnknownText(bytes);
}

QString DecodeFileText(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                            : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        return decoder.decode(bytes.sliced(2));
    }
    return DecodeUnknownText(bytes);
}

QList<int> ReplaceLoneSurrogates(QString& text, int firstLine) {
    QList<int> lines;
    int line = firstLine;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n' || (c == u'\r' && (i + 1 == size || text[i + 1] != u'\n'))) {
            ++line;
        } else if (QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (QChar::isSurrogate(c)) {
            text[i] = QChar::ReplacementCharacter;
            if (lines.isEmpty() || lines.back() != line)
                lines.append(line);
        }
    }
    return lines;
}

QString LoneSurrogateProblem() {
    return QStringLiteral("a broken UTF-16 character is read as \uFFFD");
}

QString NormalizeLineBreaks(const QString& text) {
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    return SplitLines(text).join(QStringLiteral("\r\n"));
}

QStringList SplitLines(const QString& text) {
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return {text};
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < size && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    lines.append(text.mid(start));
    return lines;
}

QStringList TrimmedLines(const QString& text) {
    QStringList lines;
    for (const QString& line : SplitLines(text)) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.append(trimmed);
    }
    return lines;
}
