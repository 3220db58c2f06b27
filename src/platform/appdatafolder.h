#pragma once

#include <QString>

// The user's home folder: $HOME when it is an absolute path, else the one
// the password database gives; empty when neither has one.
QString HomeFolder();

// The user's per-user application-data folder ($XDG_DATA_HOME, else
// ~/.local/share), created 0700 as far as missing. Returns false when there
// is no such folder to be had (no home folder, or it cannot be created);
// the path is returned as the environment gives it, with or without a
// trailing '/'.
bool GetAppDataFolder(QString& folder);

// The same folder's path, made of nothing: empty when there is no home.
QString AppDataFolderPath();

// The folder used when the application-data folder cannot be had: the home
// folder, with a trailing '/'. Without a home folder it is the root folder,
// which only the administrator may write: a place where the book can fail
// to be stored, never one where other users could read or replace it.
QString FallbackDataFolder();
