#pragma once

#include <QLoggingCategory>

// What cli tells a bug report: pelvaro-cli: the command run and its exit status. Off unless asked
// for, as QT_LOGGING_RULES="pelvaro.cli.info=true" (or "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogCli)
