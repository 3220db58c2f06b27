#pragma once

// The single-byte Windows code pages (874, 1250 to 1258) as tables: the
// UTF-16 unit for each of the bytes 0x80 to 0xFF; the bytes below 0x80 are
// ASCII in all of them. Nothing for any other code page.
const char16_t* CodePageHighHalf(int codePage);
