#pragma once

#include <QLoggingCategory>

// What controls tells a bug report: the hover button: its faces, and pictures that could not be
// drawn. Off unless asked for, as QT_LOGGING_RULES="pelvaro.controls.info=true" (or
// "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogControls)
