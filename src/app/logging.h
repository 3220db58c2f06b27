#pragma once

#include <QLoggingCategory>

// What app tells a bug report: start-up and help: the platform, the help file found. Off unless
// asked for, as QT_LOGGING_RULES="pelvaro.app.info=true" (or "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogApp)
