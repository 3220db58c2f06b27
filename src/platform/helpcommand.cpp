#include "platform/helpcommand.h"

namespace {
std::function<void()>& HelpCommand() {
    static std::function<void()> command;
    return command;
}
} // namespace

void SetHelpCommand(std::function<void()> command) {
    HelpCommand() = std::move(command);
}

void RunHelpCommand() {
    if (const auto& command = HelpCommand())
        command();
}
