#include "contacts/contactstext.h"

#include "codepages/ansicodepage.h"

#include <QStringDecoder>

#include <array>

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

FileEncoding DetectFileEncoding(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return FileEncoding::Utf8WithMark;
    if (bytes.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        return FileEncoding::Utf32LE;
    if (bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)))
        return FileEncoding::Utf32BE;
    if (bytes.startsWith("\xFF\xFE"))
        return FileEncoding::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return FileEncoding::Utf16BE;

    // Zero bytes that only pad the end of the file say nothing of its text.
    QByteArrayView start = bytes.first(qMin<qsizetype>(bytes.size(), 4096));
    while (start.endsWith('\0'))
        start.chop(1);
    std::array<qsizetype, 4> zeros{}; // by position in a unit of four bytes
    for (qsizetype i = 0; i < start.size(); ++i)
        zeros[i % 4] += start[i] == '\0' ? 1 : 0;
    const qsizetype total = zeros[0] + zeros[1] + zeros[2] + zeros[3];
    if (total == 0)
        return FileEncoding::EightBit;
    // Nearly every unit of UTF-32 has two zero bytes at its high end.
    const qsizetype units = start.size() / 4;
    const auto nearlyAll = [&](qsizetype count) { return units > 0 && count * 10 >= units * 9; };
    if (nearlyAll(zeros[2]) && nearlyAll(zeros[3]))
        return FileEncoding::Utf32LE;
    if (nearlyAll(zeros[0]) && nearlyAll(zeros[1]))
        return FileEncoding::Utf32BE;
    // In UTF-16 the zeros of ASCII's units are all on one side; a letter
    // such as U+4E00 rarely puts one on the other. A contacts file starts
    // with ASCII ("BEGIN:VCARD", a header's name or its quote), so its first
    // two units have their zeros too; UTF-8 text that holds zero characters,
    // as our own export of an address with them does, never starts so.
    const qsizetype odd = zeros[1] + zeros[3];
    const qsizetype even = zeros[0] + zeros[2];
    const qsizetype units16 = start.size() / 2;
    const auto startsWithZeros = [&](qsizetype first) {
        return start.size() >= 4 && start[first] == '\0' && start[first + 2] == '\0';
    };
    if (odd * 16 >= units16 && even * 8 <= odd && startsWithZeros(1))
        return FileEncoding::Utf16LE;
    if (even * 16 >= units16 && odd * 8 <= even && startsWithZeros(0))
        return FileEncoding::Utf16BE;
    // Zero characters are text in UTF-8, if odd text; many zero bytes in
    // anything else (a picture, a spreadsheet) are no text we know.
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString decoded = utf8(start);
    return total * 64 > start.size() && utf8.hasError() ? FileEncoding::Unrecognised
                                                        : FileEncoding::EightBit;
}

bool IsWideEncoding(FileEncoding encoding) {
    return encoding == FileEncoding::Utf16LE || encoding == FileEncoding::Utf16BE ||
           encoding == FileEncoding::Utf32LE || encoding == FileEncoding::Utf32BE;
}

QString DecodeFileText(QByteArrayView bytes) {
    const FileEncoding encoding = DetectFileEncoding(bytes);
    if (encoding == FileEncoding::Utf8WithMark)
        return QString::fromUtf8(bytes.sliced(3));
    if (!IsWideEncoding(encoding))
        return DecodeUnknownText(bytes);
    const bool utf32 = encoding == FileEncoding::Utf32LE || encoding == FileEncoding::Utf32BE;
    const bool little = encoding == FileEncoding::Utf16LE || encoding == FileEncoding::Utf32LE;
    const QByteArrayView mark =
        utf32 ? (little ? QByteArrayView("\xFF\xFE\0\0", 4) : QByteArrayView("\0\0\xFE\xFF", 4))
              : (little ? QByteArrayView("\xFF\xFE") : QByteArrayView("\xFE\xFF"));
    if (bytes.startsWith(mark))
        bytes = bytes.sliced(mark.size());
    QStringDecoder decoder(utf32 ? (little ? QStringConverter::Utf32LE : QStringConverter::Utf32BE)
                                 : (little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE),
                           QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QList<int> ReplaceLoneSurrogates(QString& text, int firstLine) {
    QList<int> lines;
    int line = firstLine;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (const qsizetype lineBreak = LineBreakAt(text, i)) {
            ++line;
            i += lineBreak - 1;
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

namespace {

char16_t UnitAt(QStringView text, qsizetype i) {
    return text[i].unicode();
}

char16_t UnitAt(QByteArrayView text, qsizetype i) {
    return static_cast<unsigned char>(text[i]);
}

template <class Text> qsizetype LineBreakIn(Text text, qsizetype i) {
    const char16_t c = UnitAt(text, i);
    if (c == u'\n')
        return 1;
    if (c != u'\r')
        return 0;
    const qsizetype left = text.size() - i;
    if (left >= 2 && UnitAt(text, i + 1) == u'\n')
        return 2;
    if (left >= 3 && UnitAt(text, i + 1) == u'\r' && UnitAt(text, i + 2) == u'\n')
        return 3;
    return 1;
}

} // namespace

qsizetype LineBreakAt(QStringView text, qsizetype i) {
    return LineBreakIn(text, i);
}

qsizetype LineBreakAt(QByteArrayView text, qsizetype i) {
    return LineBreakIn(text, i);
}

QStringList SplitLines(const QString& text) {
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return {text};
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const qsizetype lineBreak = LineBreakAt(text, i);
        if (lineBreak == 0)
            continue;
        lines.append(text.mid(start, i - start));
        i += lineBreak - 1;
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

namespace {

// Where the apostrophes at the start of a cell end, when a formula's sign
// follows them; -1 when none does.
qsizetype FormulaSignAfterApostrophes(const QString& cell) {
    qsizetype i = 0;
    while (i < cell.size() && cell[i] == u'\'')
        ++i;
    if (i == cell.size())
        return -1;
    const char16_t c = cell[i].unicode();
    const bool sign = c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
    return sign ? i : -1;
}

} // namespace

QString GuardCsvFormula(const QString& cell) {
    return FormulaSignAfterApostrophes(cell) < 0 ? cell : u'\'' + cell;
}

QString UnguardCsvFormula(const QString& cell) {
    return FormulaSignAfterApostrophes(cell) > 0 ? cell.mid(1) : cell;
}
