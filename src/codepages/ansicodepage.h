#pragma once

#include <QByteArrayView>
#include <QString>

// The ANSI code page that the user's locale would use: 1252 for most
// Latin-script languages, 1250, 1251, 1253 to 1258, 874, 932, 936, 949, 950
// for the others.
int ThreadAnsiCodePage();

// The code page for a locale name such as "pl_PL" or "zh_TW".
int AnsiCodePageForLocale(const QString& localeName);

// Converts 8-bit text in the given code page to UTF-16, byte for byte as
// the platform's converter does, without joining a letter and a following
// accent. In a single-byte code page a byte the code page leaves undefined
// stands for the code point of its own value; in a double-byte one what
// cannot be mapped becomes U+FFFD. An unknown code page is read as 1252.
// Never fails.
QString MultiByteToWide(int codePage, QByteArrayView bytes);
