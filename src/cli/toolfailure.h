#pragma once

#include <QString>

// What pelvaro-cli tells the shell.
enum ExitStatus : int {
    kExitSuccess = 0,
    kExitFailure = 1,     // the address book or the exported file could not be written
    kExitUsage = 2,       // a command line the tool does not understand
    kExitBadInput = 3,    // a file or label that is not what it should be
    kExitPrintFailed = 4, // no envelope came out
    kExitDamaged = 5,     // the address book or the settings could not be read whole
};

// Ends a command: the message goes to stderr as one line, the status to the
// shell.
struct CToolFailure {
    ExitStatus status;
    QString message;
};

[[noreturn]] inline void Fail(ExitStatus status, const QString& message) {
    throw CToolFailure{status, message};
}
