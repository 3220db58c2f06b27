#pragma once

#include "addressbook/addressbook.h"
#include "cli/terminaltext.h"
#include "cli/toolfailure.h"

#include <QStringList>
#include <QTextStream>

#include <optional>

class QCommandLineParser;

// pelvaro-cli: prints envelopes and works on the address book without a
// window, on the same settings and book as the window program.
class CCommandLineTool {
public:
    // Runs one command line (without the program's name) and returns the
    // exit status. Results go to stdout, each failure to stderr as one line.
    int Run(const QStringList& arguments);

private:
    ExitStatus RunCommand(const QString& command, const QStringList& arguments);
    void Print(const QCommandLineParser& parser);
    ExitStatus Check(const QCommandLineParser& parser);
    ExitStatus Merge(const QCommandLineParser& parser);
    ExitStatus Import(const QCommandLineParser& parser);
    void Export(const QCommandLineParser& parser);
    void List(const QCommandLineParser& parser);
    void Align(const QCommandLineParser& parser);
    // The user's book, read once, as the window reads it at its start; a
    // book that is there but could not be read ends the command.
    CAddressBook& Book();
    // What was found damaged on the way, one sentence each.
    QStringList DamageNotes() const;

    CTerminalText m_outDevice{stdout};
    CTerminalText m_errDevice{stderr};
    QTextStream m_out{&m_outDevice};
    QTextStream m_err{&m_errDevice};
    std::optional<CAddressBook> m_book;
};
