#pragma once

#include "cli/toolfailure.h"
#include "contacts/addressformatter.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <utility>

class CCommandContext;

// One command of pelvaro-cli: its name, its line in the tool's help, its
// own help, its options and what it does. Each command's help is written
// beside the options it describes.
class CCommand {
public:
    // name: what is typed after pelvaro-cli; summary: its line in the
    // tool's help; help: what COMMAND --help shows.
    CCommand(CCommandContext& context, const char* name, const char* summary, const char* help);
    virtual ~CCommand() = default;
    CCommand(const CCommand&) = delete;
    CCommand& operator=(const CCommand&) = delete;

    QString Name() const { return QString::fromLatin1(m_name); }
    QString Summary() const { return QString::fromUtf8(m_summary); }
    QString Help() const { return QString::fromUtf8(m_help); }

    // Declares the command's options; -h and --help are every command's.
    virtual void AddOptions(QCommandLineParser& parser) const = 0;
    // Carries out a parsed command line and returns the exit status. A
    // command that cannot go on raises ToolFailure (Fail).
    virtual ExitStatus Run(const QCommandLineParser& parser) = 0;

protected:
    CCommandContext& Context() const { return m_context; }

    // Exactly count arguments that are not options; what names them when
    // they are missing.
    static void RequirePositionals(const QCommandLineParser& parser, int count,
                                   const QString& what);
    // An option that takes one of a few words; fallback when it is not
    // given.
    template <class T>
    static T Choice(const QCommandLineParser& parser, const QString& option, T fallback,
                    std::initializer_list<std::pair<const char*, T>> choices);
    // --address: which of a contact's addresses import and merge take.
    static AddressChoice AddressChoiceOf(const QCommandLineParser& parser);

private:
    CCommandContext& m_context;
    const char* m_name;
    const char* m_summary;
    const char* m_help;
};

template <class T>
T CCommand::Choice(const QCommandLineParser& parser, const QString& option, T fallback,
                   std::initializer_list<std::pair<const char*, T>> choices) {
    const QStringList values = parser.values(option);
    if (values.isEmpty())
        return fallback;
    if (values.size() > 1)
        Fail(ExitStatus::Usage, QStringLiteral("--%1 is given more than once").arg(option));
    const QString& value = values.constFirst();
    QStringList words;
    for (const auto& [word, choice] : choices) {
        if (value == QLatin1String(word))
            return choice;
        words.append(QLatin1String(word));
    }
    const QString last = words.takeLast();
    Fail(ExitStatus::Usage, QStringLiteral("--%1 takes %2 or %3, not '%4'")
                                .arg(option, words.join(QStringLiteral(", ")), last, value));
}
