#include "cli/commandlinetool.h"

#include "addressbook/addressbook.h"
#include "cli/aligncommand.h"
#include "cli/checkcommand.h"
#include "cli/exportcommand.h"
#include "cli/importcommand.h"
#include "cli/layoutcommand.h"
#include "cli/listcommand.h"
#include "cli/logging.h"
#include "cli/mergecommand.h"
#include "cli/optionnames.h"
#include "cli/printcommand.h"
#include "cli/toolfailure.h"
#include "platform/exception.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

// The tool's help, around the list of its commands.
const char* const kUsage = R"help(Usage: pelvaro-cli COMMAND [OPTIONS]

Prints envelopes and keeps Pelvaro's address book, without a window.

Commands:
)help";

const char* const kOptionsAndStatus = R"help(
Options:
  -h, --help   show this help; 'pelvaro-cli COMMAND --help' shows a command's
  --version    show the version

Exit status:
  0  done
  1  a file could not be written, or another program kept the address book
     busy: nothing was changed
  2  a command line not understood
  3  bad input (merge: some records left out)
  4  no envelope was printed
  5  check: the envelope has findings; any command: the address book or the
     settings file is damaged or could not be read
     (said on stderr): a book that could not be read at all is not used, and
     nothing is changed or written; of a damaged one, what could be read is
     listed, exported or printed, and an import keeps the damaged file as a
     backup before it saves. 5 takes the place of 0 and 3.
)help";

// The width of the names in the tool's list of commands.
constexpr int kNameWidth = 8;

// "print --to --pdf x.pdf": the parser takes --pdf for the address. An
// option's value that is spelled as an option is a slip; --to=--pdf says
// that it is meant.
void RefuseOptionsTakenAsValues(const QCommandLineParser& parser, const QStringList& arguments) {
    static const QRegularExpression kOptionLike(QStringLiteral("^--?[a-z][a-z0-9-]*$"));
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        const QString& given = arguments[i];
        const QString& next = arguments[i + 1];
        if (!given.startsWith(QLatin1String("--")) || given.contains(u'=') ||
            !kOptionLike.match(next).hasMatch())
            continue;
        const QString name = given.mid(2);
        if (parser.values(name).contains(next))
            Fail(ExitStatus::Usage,
                 QStringLiteral("%1 needs a value, but %2 follows it (write %1=%2 if that is "
                                "the value)")
                     .arg(given, next));
    }
}

} // namespace

CCommandLineTool::CCommandLineTool(QIODevice& out, QIODevice& err) : m_context(out, err) {
    m_commands.push_back(std::make_unique<CPrintCommand>(m_context));
    m_commands.push_back(std::make_unique<CCheckCommand>(m_context));
    m_commands.push_back(std::make_unique<CMergeCommand>(m_context));
    m_commands.push_back(std::make_unique<CImportCommand>(m_context));
    m_commands.push_back(std::make_unique<CExportCommand>(m_context));
    m_commands.push_back(std::make_unique<CListCommand>(m_context));
    m_commands.push_back(std::make_unique<CAlignCommand>(m_context));
    m_commands.push_back(std::make_unique<CLayoutCommand>(m_context));
}

int CCommandLineTool::Run(const QStringList& arguments) {
    QTextStream& out = m_context.Out();
    const QString first = arguments.value(0);
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        out << ToolHelp();
        out.flush();
        return static_cast<int>(ExitStatus::Success);
    }
    if (first == QLatin1String("--version")) {
        out << kProgramName << ' ' << QStringLiteral(PELVARO_VERSION) << '\n';
        out.flush();
        return static_cast<int>(ExitStatus::Success);
    }
    ExitStatus status = ExitStatus::Success;
    // Outputs never replace the book, wherever it is kept, read or not.
    CAddressBook::ProtectDefaultPaths();
    try {
        if (first.isEmpty())
            Fail(ExitStatus::Usage, QStringLiteral("no command given; see 'pelvaro-cli --help'"));
        status = RunCommand(first, arguments.mid(1));
    } catch (const ToolFailure& failure) {
        out.flush();
        m_context.Tell(failure.message);
        status = failure.status;
    } catch (const CException& e) {
        // The book or the exported file could not be written, or another
        // program held the book; the message names the file.
        out.flush();
        m_context.Tell(e.GetErrorMessage());
        status = ExitStatus::Failure;
    }
    // Damage is said last, after what the command could do with the rest.
    const QStringList notes = m_context.DamageNotes();
    out.flush();
    // What a command printed is its result: a full disk or a closed pipe
    // behind standard output is a failure, however the command went.
    if (out.status() != QTextStream::Ok) {
        m_context.Tell(QStringLiteral("the output could not be written to standard output"));
        if (status == ExitStatus::Success || status == ExitStatus::BadInput)
            status = ExitStatus::Failure;
    }
    for (const QString& note : notes)
        m_context.Tell(note);
    m_context.Err().flush();
    if (!notes.isEmpty() && (status == ExitStatus::Success || status == ExitStatus::BadInput))
        status = ExitStatus::Damaged;
    qCInfo(LogCli) << "command" << arguments << "exit status" << static_cast<int>(status);
    return static_cast<int>(status);
}

CCommand* CCommandLineTool::Find(const QString& name) const {
    for (const std::unique_ptr<CCommand>& command : m_commands) {
        if (command->Name() == name)
            return command.get();
    }
    return nullptr;
}

QString CCommandLineTool::ToolHelp() const {
    QString help = QString::fromUtf8(kUsage);
    for (const std::unique_ptr<CCommand>& command : m_commands)
        help += QStringLiteral("  ") + command->Name().leftJustified(kNameWidth) + u' ' +
                command->Summary() + u'\n';
    return help + QString::fromUtf8(kOptionsAndStatus);
}

ExitStatus CCommandLineTool::RunCommand(const QString& name, const QStringList& arguments) {
    CCommand* command = Find(name);
    if (!command)
        Fail(ExitStatus::Usage,
             QStringLiteral("unknown command '%1'; see 'pelvaro-cli --help'").arg(name));

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption({{QStringLiteral("h"), OptionNames::kHelp}, QString()});
    command->AddOptions(parser);
    // The parser takes the first item for the program's name.
    if (!parser.parse(QStringList{kProgramName} + arguments))
        Fail(ExitStatus::Usage,
             QStringLiteral("%1: %2 See 'pelvaro-cli %1 --help'.").arg(name, parser.errorText()));
    if (parser.isSet(OptionNames::kHelp)) {
        m_context.Out() << command->Help();
        return ExitStatus::Success;
    }
    RefuseOptionsTakenAsValues(parser, arguments);
    return command->Run(parser);
}
