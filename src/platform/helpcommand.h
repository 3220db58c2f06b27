#pragma once

#include <functional>

// Where F1 and the Help buttons lead. The application installs its help
// command at start-up; dialogs at any depth call RunHelpCommand, as a
// command they do not handle travels up to the application.
void SetHelpCommand(std::function<void()> command);
void RunHelpCommand();
