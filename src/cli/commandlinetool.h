#pragma once

#include "cli/command.h"
#include "cli/commandcontext.h"

#include <QStringList>

#include <memory>
#include <vector>

class QIODevice;

// pelvaro-cli: prints envelopes and works on the address book without a
// window, on the same settings and book as the window program.
class CCommandLineTool {
public:
    // out and err take what the program writes on stdout and stderr.
    CCommandLineTool(QIODevice& out, QIODevice& err);

    // Runs one command line (without the program's name) and returns the
    // exit status. Results go to out, each failure to err as one line. A
    // tool runs one command line: its commands keep what they took in.
    int Run(const QStringList& arguments);

private:
    // The command of that name, or nullptr.
    CCommand* Find(const QString& name) const;
    // The tool's help: its commands, as the table lists them.
    QString ToolHelp() const;
    ExitStatus RunCommand(const QString& name, const QStringList& arguments);

    CCommandContext m_context;
    // The commands, in the order the tool's help lists them.
    std::vector<std::unique_ptr<CCommand>> m_commands;
};
