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

// A whole file: UTF-8 or UTF-16 as its byte order mark says, else as
// DecodeUnknownText. The mark is not part of the text. UTF-16 text may hold
// surrogates without their partner: see ReplaceLoneSurrogates.
QString DecodeFileText(QByteArrayView bytes);

// Replaces each UTF-16 surrogate that has no partner by U+FFFD: no UTF-8
// file, ours included, can carry it, so what is imported would not come
// back the same. Returns the lines where that happened, counting from
// firstLine, a line break being CR LF, LF or CR alone.
QList<int> ReplaceLoneSurrogates(QString& text, int firstLine = 1);

// What a reader reports for each line ReplaceLoneSurrogates gives.
QString LoneSurrogateProblem();

// Every line break (CR LF, LF or CR alone) as CR LF, as the address boxes
// hold them.
QString NormalizeLineBreaks(const QString& text);

// The lines of a text whatever its line breaks.
QStringList SplitLines(const QString& text);

// The lines that hold anything, each trimmed: how a value written over
// several lines reaches the envelope.
QStringList TrimmedLines(const QString& text);
