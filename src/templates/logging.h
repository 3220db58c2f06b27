#pragma once

#include <QLoggingCategory>

// What templates tells a bug report: dialog templates: the dialog base units of a font, the main
// dialog's geometry. Off unless asked for, as QT_LOGGING_RULES="pelvaro.templates.info=true" (or
// "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogTemplates)
