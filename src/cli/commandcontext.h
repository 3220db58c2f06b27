#pragma once

#include "addressbook/addressbook.h"
#include "settings/settingsstore.h"

#include <QStringList>
#include <QTextStream>

#include <optional>

class QCommandLineParser;
class QIODevice;

// What pelvaro-cli's commands work with: the tool's two streams, the user's
// address book, read the first time a command asks for it, and the window
// program's settings.
class CCommandContext {
public:
    // out and err are stdout and stderr when the program runs.
    CCommandContext(QIODevice& out, QIODevice& err);

    QTextStream& Out() { return m_out; }
    QTextStream& Err() { return m_err; }
    // One line on err, the program's name first: how every failure, note
    // and problem is said.
    void Tell(const QString& message);

    // The user's book, read once, as the window reads it at its start; a
    // book that is there but could not be read ends the command.
    CAddressBook& Book();
    // The book when the command line takes anything from it (a label,
    // --book), else an empty one: a command that needs no entry neither
    // reads the book nor stops at its damage.
    const CAddressBook& BookFor(const QCommandLineParser& parser);
    // The window program's settings, whatever this program is called.
    CSettingsStore& Settings() { return m_settings; }

    // What was found damaged on the way, one sentence each.
    QStringList DamageNotes() const;

private:
    QTextStream m_out;
    QTextStream m_err;
    CSettingsStore m_settings;
    std::optional<CAddressBook> m_book;
    const CAddressBook m_noBook;
};
