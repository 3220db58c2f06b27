#pragma once

#include <QLoggingCategory>

// What contacts tells a bug report: contacts files: which file, which format and encoding, what was
// taken. Off unless asked for, as QT_LOGGING_RULES="pelvaro.contacts.info=true" (or
// "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogContacts)
