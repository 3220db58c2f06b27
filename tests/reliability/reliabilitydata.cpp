#include "reliabilitydata.h"

#include "archive.h"

#include <QBuffer>

QByteArray ReliabilityBook(int which) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, QString());
    const int count = which == 0 ? 3 : 60;
    ar.WriteInt32(count);
    for (int i = 0; i < count; ++i) {
        ar.WriteString(QStringLiteral("%1 entry %2").arg(which == 0 ? "Short" : "Long").arg(i));
        QString address = QStringLiteral("%1 Oak Lane\r\nRiverton %2").arg(i).arg(which);
        if (which != 0)
            address += QStringLiteral("\r\n") + QString(200, QChar(u'a' + i % 26));
        ar.WriteString(address);
    }
    ar.Flush();
    return bytes;
}

QString ReliabilityAddress(int which) {
    return which == 0 ? QStringLiteral("1 First Street\r\nAnytown")
                      : QStringLiteral("2 Second Avenue\r\nOther Town\r\n") + QString(500, u'x');
}

QByteArray ReliabilityDevMode(int which) {
    QByteArray bytes(which == 0 ? 220 : 1500, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + which * 13) & 0xFF);
    return bytes;
}

QString ConcurrentEntryName(const QString& prefix, int i) {
    return QStringLiteral("%1Value%2").arg(prefix).arg(i);
}

QString ConcurrentEntryValue(const QString& prefix, int i) {
    return QStringLiteral("written by %1, number %2").arg(prefix).arg(i);
}
