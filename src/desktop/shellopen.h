#pragma once

#include <QString>

// Asks the desktop to open a file or a web address with the program
// registered for it. Returns whether the request was accepted; callers that
// report nothing on failure may ignore it.
bool ShellOpen(const QString& fileOrAddress);
