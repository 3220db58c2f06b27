#pragma once

#include <QString>

#include <functional>

// Where F1 and the Help buttons lead. The application installs its help
// command at start-up; dialogs at any depth call RunHelpCommand, as a
// command they do not handle travels up to the application.
// page: a page of the help and a place on it ("printing.html#many"), for a
// dialog that has a page of its own; empty for the help's start.
void SetHelpCommand(std::function<void(const QString& page)> command);
void RunHelpCommand(const QString& page = QString());
