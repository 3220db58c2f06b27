#pragma once

#include <QString>

// The user's per-user application-data folder ($XDG_DATA_HOME, else
// ~/.local/share), created when missing. Returns false when there is no
// such folder to be had (no home folder, or it cannot be created); the path
// is returned as the environment gives it, with or without a trailing '/'.
bool GetAppDataFolder(QString& folder);

// The folder used when the application-data folder cannot be had.
QString FallbackDataFolder();
