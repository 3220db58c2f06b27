#pragma once

#include <QLoggingCategory>

// What ui tells a bug report: the window: the commands run and the failures shown. Off unless asked
// for, as QT_LOGGING_RULES="pelvaro.ui.info=true" (or "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogUi)
