#pragma once

#include "addressbook/archive.h"

#include <QBuffer>
#include <QStringList>

// A book file with these labels, in this order, each with the same address.
inline QByteArray BookBytes(const QStringList& labels, const QString& address = QString()) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, QString());
    ar.WriteInt32(static_cast<qint32>(labels.size()));
    for (const QString& label : labels) {
        ar.WriteString(label);
        ar.WriteString(address);
    }
    ar.Flush();
    return bytes;
}
