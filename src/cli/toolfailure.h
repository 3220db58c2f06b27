#pragma once

#include <QCommandLineParser>
#include <QString>

#include <optional>

// The name every line the tool writes on stderr starts with, whatever the
// program file is called.
inline const QString kProgramName = QStringLiteral("pelvaro-cli");

// What pelvaro-cli tells the shell.
enum class ExitStatus {
    Success = 0,
    Failure = 1,     // the address book or the exported file could not be written
    Usage = 2,       // a command line the tool does not understand
    BadInput = 3,    // a file or label that is not what it should be
    PrintFailed = 4, // no envelope came out
    Damaged = 5,     // the address book or the settings could not be read whole
    // check: the post office's machines would stumble over the envelope
    Findings = 5,
};

// Ends a command: the message goes to stderr as one line, the status to the
// shell.
struct ToolFailure {
    ExitStatus status;
    QString message;
};

[[noreturn]] inline void Fail(ExitStatus status, const QString& message) {
    throw ToolFailure{status, message};
}

// An option given twice is a mistake the user should hear of, not one that
// the last value silently wins.
inline std::optional<QString> SingleValue(const QCommandLineParser& parser, const QString& name) {
    const QStringList values = parser.values(name);
    if (values.size() > 1)
        Fail(ExitStatus::Usage, QStringLiteral("--%1 is given more than once").arg(name));
    if (values.isEmpty())
        return std::nullopt;
    return values.constFirst();
}
