#include "cli/command.h"

#include "cli/optionnames.h"

CCommand::CCommand(CCommandContext& context, const char* name, const char* summary,
                   const char* help)
    : m_context(context), m_name(name), m_summary(summary), m_help(help) {}

void CCommand::RequirePositionals(const QCommandLineParser& parser, int count,
                                  const QString& what) {
    const QStringList given = parser.positionalArguments();
    if (given.size() < count)
        Fail(ExitStatus::Usage, QStringLiteral("give the %1").arg(what));
    if (given.size() > count)
        Fail(ExitStatus::Usage, QStringLiteral("unexpected argument '%1'").arg(given.at(count)));
}

AddressChoice CCommand::AddressChoiceOf(const QCommandLineParser& parser) {
    return Choice(parser, OptionNames::kAddress, AddressChoice::Preferred,
                  {{"home", AddressChoice::Home},
                   {"work", AddressChoice::Work},
                   {"preferred", AddressChoice::Preferred}});
}
