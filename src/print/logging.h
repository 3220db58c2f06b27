#pragma once

#include <QLoggingCategory>

// What print tells a bug report: printing: which printer or file was asked, the page, why a job
// failed. Off unless asked for, as QT_LOGGING_RULES="pelvaro.print.info=true" (or
// "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogPrint)
