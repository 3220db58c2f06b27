#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Text of contacts files, whose writers use every encoding there is.

// UTF-8 when the bytes are valid UTF-8, else the user's ANSI code page, the
// encoding that programs without a notion of UTF-8 write.
QString DecodeUnknownText(QByteArrayView bytes);

// Bytes in the character set a file names (CHARSET=...). Returns false in
// `known` for a name we have no table for; the text is then decoded as
// DecodeUnknownText does.
QString DecodeCharset(QByteArrayView bytes, QByteArrayView charset, bool* known);

// How a whole file's text is encoded, as far as its bytes tell.
enum class FileEncoding {
    EightBit, // UTF-8 or an 8-bit code page: see DecodeUnknownText
    Utf8WithMark,
    Utf16LE,
    Utf16BE,
    Utf32LE,
    Utf32BE,
    Unrecognised, // zero bytes that no encoding of ours explains
};

// The encoding by the byte order mark, else by where the zero bytes fall:
// text in UTF-16 or UTF-32 has them in every unit of a Latin letter, a
// digit or a separator, and 8-bit text has none. Some programs write
// UTF-16 without a mark.
FileEncoding DetectFileEncoding(QByteArrayView bytes);

// Whether the encoding has units of several bytes, which the readers turn
// into UTF-8 before they read.
bool IsWideEncoding(FileEncoding encoding);

// A whole file as DetectFileEncoding finds it; DecodeUnknownText for 8-bit
// and unrecognised text. A byte order mark is not part of the text. UTF-16
// text may hold surrogates without their partner: see ReplaceLoneSurrogates.
QString DecodeFileText(QByteArrayView bytes);

// Replaces each UTF-16 surrogate that has no partner by U+FFFD: no UTF-8
// file, ours included, can carry it, so what is imported would not come
// back the same. Returns the lines where that happened, counting from
// firstLine, line breaks as LineBreakAt has them.
QList<int> ReplaceLoneSurrogates(QString& text, int firstLine = 1);

// What a reader reports for each line ReplaceLoneSurrogates gives.
QString LoneSurrogateProblem();

// The length of the line break that starts at position i, 0 where none
// does: LF, CR LF, a CR alone, or CR CR LF, which a program makes of CR LF
// when it writes a file in text mode on Windows: that is one line break.
qsizetype LineBreakAt(QStringView text, qsizetype i);
qsizetype LineBreakAt(QByteArrayView text, qsizetype i);

// Every line break as CR LF, as the address boxes hold them.
QString NormalizeLineBreaks(const QString& text);

// The lines of a text whatever its line breaks.
QStringList SplitLines(const QString& text);

// The lines that hold anything, each trimmed: how a value written over
// several lines reaches the envelope.
QStringList TrimmedLines(const QString& text);

// A CSV cell a spreadsheet would run as a formula (one starting with =, +,
// -, @, a tab or a carriage return) is written with an apostrophe in front,
// as spreadsheet programs advise; a cell that already starts with
// apostrophes before such a sign gets one more, so that reading takes
// exactly one away and every text comes back as it was.
QString GuardCsvFormula(const QString& cell);
QString UnguardCsvFormula(const QString& cell);
