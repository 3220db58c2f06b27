#pragma once

#include <QLoggingCategory>

// What desktop tells a bug report: a file or address the desktop would not
// open. Off unless asked for, as QT_LOGGING_RULES="pelvaro.desktop.info=true"
// (or "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogDesktop)
