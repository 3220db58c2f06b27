#pragma once

#include "platform/fileexception.h"

#include <QFile>

// Opens a file the program reads (a contacts file, the address book, the
// settings) only when it is a regular file: reading a FIFO would wait for a
// writer for ever, and a device may never end. On failure raises
// CFileException whose message says why in plain words: a folder, a link
// that leads round in a circle, something that is not a file, or the
// system's cause.
void OpenRegularFile(QFile& file);
