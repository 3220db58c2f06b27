#include "platform/helpcommand.h"

namespace {
std::function<void(const QString&)>& HelpCommand() {
    static std::function<void(const QString&)> command;
    return command;
}
} // namespace

void SetHelpCommand(std::function<void(const QString& page)> command) {
    HelpCommand() = std::move(command);
}

void RunHelpCommand(const QString& page) {
    if (const auto& command = HelpCommand())
        command(page);
}
