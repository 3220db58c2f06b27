#pragma once

#include <QString>

// Full path of the running executable; empty before the application object
// exists.
QString GetExecutablePath();

// The executable's file name without folder and extension.
QString ApplicationNameFromPath(const QString& executablePath);
