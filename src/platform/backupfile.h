#pragma once

#include <QString>

// Keeps the file as it is now beside it, under the first free name of
// path.bak, path.bak.1, path.bak.2 and so on: a backup made before is never
// replaced, as it may hold the only copy of what a damaged file still had.
// Returns the backup's name. When none can be made, CFileException is
// raised, naming the backup, and the file must then stay as it is.
QString KeepBackup(const QString& path);
