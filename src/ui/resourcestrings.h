#pragma once

#include <QString>

// String resource ids.
inline constexpr int IDS_ABOUTBOX = 101;

// The program's string table. A missing string loads as empty.
QString LoadResourceString(int id);
// Replaces a string of the table for the rest of the run (an empty text
// stands for a missing string); used where a build or a test needs another
// text.
void SetResourceString(int id, const QString& text);
