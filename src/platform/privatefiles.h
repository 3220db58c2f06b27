#pragma once

#include <QFileDevice>
#include <QString>

class QSaveFile;

// The program's folders and files hold the user's addresses, so what it
// creates is for the user alone: folders 0700, files 0600. What exists
// already keeps the permissions the user gave it.
inline constexpr QFileDevice::Permissions kPrivateFolderPermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
inline constexpr QFileDevice::Permissions kPrivateFilePermissions =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Creates the folder and every missing folder above it, each 0700. True
// when the folder exists at the end.
bool MakePrivatePath(const QString& folder);
// Creates the one folder 0700 when missing; the folder above must exist.
bool MakePrivateFolder(const QString& folder);

// True for a folder that belongs to someone else or that every user may
// write to: a place where another user could have planted or could read
// what the program puts there.
bool IsForeignFolder(const QString& folder);

// Opens a save file; a file that does not exist yet is created 0600, an
// existing one keeps its permissions.
bool OpenPrivateSaveFile(QSaveFile& file, QIODevice::OpenMode mode = QIODevice::WriteOnly);
