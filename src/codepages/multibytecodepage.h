#pragma once

#include <QByteArrayView>
#include <QString>

// The double-byte Windows code pages: 932, 936, 949 and 950.
bool IsMultiByteCodePage(int codePage);

// Converts text in one of those code pages to UTF-16 through the system's
// iconv. A byte or pair the code page does not map, and a lead byte cut off
// at the end, each become U+FFFD. Where the system has no iconv, ASCII bytes
// are kept and every other character becomes U+FFFD, so that the text's
// length in characters and its plain parts survive.
QString DecodeMultiByte(int codePage, QByteArrayView bytes);
