#pragma once

#include <QString>

// Whether the desktop has a program registered to open a file of this kind,
// judged by the file's MIME type as the desktop's opener judges it. On a
// freedesktop.org desktop that is the mimeapps.list files and the MimeType=
// lines of the installed desktop entries; elsewhere the platform's shell
// is trusted to have one.
//
// A handler of raw bytes (application/octet-stream) does not count: it is
// how a help file ends up in an archive manager or a hex viewer.
bool HasRegisteredOpener(const QString& filePath);
