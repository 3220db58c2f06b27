#pragma once

#include <QLoggingCategory>

// What postal tells a bug report: the post office's rules: the barcode's library opened or missing,
// the areas an envelope was checked against. Off unless asked for, as
// QT_LOGGING_RULES="pelvaro.postal.info=true" (or "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogPostal)
