#pragma once

#include <QLoggingCategory>

// What addressbook tells a bug report: the book: which file was read, what it held, saves, locks
// and backups. Off unless asked for, as QT_LOGGING_RULES="pelvaro.addressbook.info=true" (or
// "pelvaro.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(LogAddressBook)
