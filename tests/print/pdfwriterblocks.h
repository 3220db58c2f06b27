#pragma once

#include "devnames.h"

#include <QByteArray>
#include <QString>

// The DEVNAMES block that names the PDF writer with its output file.
inline QByteArray PdfNames(const QString& output) {
    DEVNAMES names;
    names.driver = QStringLiteral("pdf");
    names.device = QStringLiteral("pdf");
    names.output = output;
    return names.ToBytes();
}
