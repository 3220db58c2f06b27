#pragma once

#include <QLoggingCategory>

// What platform tells a bug report: the stand-ins for the system: files read and written, locks,
// outputs refused. Off unless asked for, as QT_LOGGING_RULES="pelvaro.platform.info=true" (or
// "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogPlatform)
