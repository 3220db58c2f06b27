#pragma once

#include <QString>

// String resource ids.
inline constexpr int IDS_ABOUTBOX = 101;

// The program's string table. A missing string loads as empty.
QString LoadResourceString(int id);
