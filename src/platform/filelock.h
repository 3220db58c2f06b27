#pragma once

#include <QLockFile>
#include <QString>

// Takes a lock file that every running copy of the program shares, waiting
// up to waitMs while another copy holds it. A lock left by a copy that died
// is broken, as QLockFile breaks it; one that names nobody (a copy killed
// between making the file and writing its process id) is broken a second
// after it was made. The lock file is given 0600 once held. Returns
// QLockFile::NoError once the lock is held, LockFailedError when another
// copy still held it at the end of the wait, or what stopped QLockFile from
// making the file.
QLockFile::LockError TakeFileLock(QLockFile& lock, const QString& lockPath, int waitMs);
