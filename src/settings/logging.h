#pragma once

#include <QLoggingCategory>

// What settings tells a bug report: the settings store: values that could not be read or written.
// Off unless asked for, as QT_LOGGING_RULES="pelvaro.settings.info=true" (or
// "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogSettings)
