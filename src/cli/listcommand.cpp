#include "cli/listcommand.h"

#include "addressbook/addressbook.h"
#include "cli/commandcontext.h"
#include "cli/optionnames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const kHelpText = R"help(Usage: pelvaro-cli list [--json]

Shows the labels of the address book, one a line, in the book's order.

Options:
  --json       the whole book as JSON: an array of {"label", "address"}, the
               lines of an address joined by \n
  -h, --help   show this help
)help";

} // namespace

CListCommand::CListCommand(CCommandContext& context)
    : CCommand(context, "list", "list the address book", kHelpText) {}

void CListCommand::AddOptions(QCommandLineParser& parser) const {
    parser.addOption({OptionNames::kJson, QString()});
}

ExitStatus CListCommand::Run(const QCommandLineParser& parser) {
    RequirePositionals(parser, 0, QString());
    const CAddressBook& book = Context().Book();
    QTextStream& out = Context().Out();
    if (!parser.isSet(OptionNames::kJson)) {
        for (int i = 0; i < book.GetSize(); ++i)
            out << book.GetAt(i).m_strLabel << '\n';
        return ExitStatus::Success;
    }
    QJsonArray entries;
    for (int i = 0; i < book.GetSize(); ++i) {
        const CAddress& entry = book.GetAt(i);
        QString address = entry.m_strAddress;
        address.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        entries.append(QJsonObject{{QStringLiteral("label"), entry.m_strLabel},
                                   {QStringLiteral("address"), address}});
    }
    out << QJsonDocument(entries).toJson(QJsonDocument::Indented);
    return ExitStatus::Success;
}
