#include "addressbook/archive.h"

#include "codepages/ansicodepage.h"
#include "platform/archiveexception.h"
#include "platform/fileexception.h"
#include "platform/invalidargexception.h"

#include <QFileDevice>
#include <QIODevice>
#include <QtEndian>

#include <cerrno>

CArchive::CArchive(QByteArrayView source) : m_source(source) {}

CArchive::CArchive(QIODevice* device, QString fileName)
    : m_device(device), m_fileName(std::move(fileName)) {
    m_buffer.reserve(kBufferSize);
}

QByteArrayView CArchive::Take(qsizetype count) {
    if (count < 0 || count > BytesLeft())
        throw CArchiveException(CArchiveException::Cause::EndOfFile);
    const QByteArrayView bytes = m_source.sliced(m_position, count);
    m_position += count;
    return bytes;
}

quint8 CArchive::ReadByte() {
    return static_cast<quint8>(Take(1)[0]);
}

quint16 CArchive::ReadUInt16() {
    return qFromLittleEndian<quint16>(Take(2).data());
}

quint32 CArchive::ReadUInt32() {
    return qFromLittleEndian<quint32>(Take(4).data());
}

quint64 CArchive::ReadUInt64() {
    return qFromLittleEndian<quint64>(Take(8).data());
}

qint32 CArchive::ReadInt32() {
    return static_cast<qint32>(ReadUInt32());
}

QString CArchive::ReadString() {
    bool wide = false;
    quint64 length = 0;

    const quint8 b = ReadByte();
    if (b < 0xFF) {
        length = b;
    } else {
        bool haveLength = false;
        quint16 w = ReadUInt16();
        if (w == 0xFFFE) {
            // Only one marker per string: after it, 0xFFFE is a plain length.
            wide = true;
            const quint8 b2 = ReadByte();
            if (b2 < 0xFF) {
                length = b2;
                haveLength = true;
            } else {
                w = ReadUInt16();
            }
        }
        if (!haveLength) {
            if (w < 0xFFFF) {
                length = w;
            } else {
                const quint32 d = ReadUInt32();
                if (d < 0xFFFFFFFF) {
                    length = d;
                } else {
                    length = ReadUInt64();
                    if (length > 0x7FFFFFFF)
                        throw CArchiveException(CArchiveException::Cause::Generic);
                }
            }
        }
    }

    if (wide) {
        // Twice the length must fit in 32 bits, as the stored byte count does.
        if (length * 2 > 0xFFFFFFFFull)
            throw CInvalidArgException();
        // Checked against what is left before anything is allocated.
        const QByteArrayView bytes = Take(static_cast<qsizetype>(length * 2));
        QString text(static_cast<qsizetype>(length), Qt::Uninitialized);
        // One block copy on little-endian machines; a unit-by-unit loop here
        // was a fifth of the time a book took to load.
        qFromLittleEndian<quint16>(bytes.data(), text.size(), text.data());
        return text;
    }
    if (length > static_cast<quint64>(BytesLeft()))
        throw CArchiveException(CArchiveException::Cause::EndOfFile);
    return MultiByteToWide(ThreadAnsiCodePage(), Take(static_cast<qsizetype>(length)));
}

void CArchive::WriteBytes(const char* data, qsizetype count) {
    while (count > 0) {
        const qsizetype room = kBufferSize - m_buffer.size();
        const qsizetype part = qMin(room, count);
        m_buffer.append(data, part);
        data += part;
        count -= part;
        if (m_buffer.size() == kBufferSize)
            Flush();
    }
}

void CArchive::Flush() {
    if (m_buffer.isEmpty())
        return;
    errno = 0;
    const qint64 written = m_device->write(m_buffer);
    if (written != m_buffer.size()) {
        int error = errno;
        if (error == 0) {
            if (auto* file = qobject_cast<QFileDevice*>(m_device);
                file && file->error() == QFileDevice::ResourceError)
                error = ENOSPC;
        }
        m_buffer.clear();
        throw CFileException(error ? ClassifyErrno(error) : FileErrorCause::Generic, m_fileName);
    }
    m_buffer.clear();
}

void CArchive::WriteInt32(qint32 value) {
    char bytes[4];
    qToLittleEndian<qint32>(value, bytes);
    WriteBytes(bytes, 4);
}

QByteArray CArchive::StringPrefix(quint64 length) {
    QByteArray prefix("\xFF\xFE\xFF", 3);
    char bytes[8];
    if (length < 0xFF) {
        prefix.append(static_cast<char>(length));
        return prefix;
    }
    prefix.append('\xFF');
    if (length < 0xFFFE) {
        qToLittleEndian<quint16>(static_cast<quint16>(length), bytes);
        prefix.append(bytes, 2);
        return prefix;
    }
    prefix.append("\xFF\xFF", 2);
    if (length < 0xFFFFFFFF) {
        qToLittleEndian<quint32>(static_cast<quint32>(length), bytes);
        prefix.append(bytes, 4);
        return prefix;
    }
    prefix.append("\xFF\xFF\xFF\xFF", 4);
    qToLittleEndian<quint64>(length, bytes);
    prefix.append(bytes, 8);
    return prefix;
}

void CArchive::WriteString(const QString& text) {
    const QByteArray prefix = StringPrefix(static_cast<quint64>(text.size()));
    WriteBytes(prefix.constData(), prefix.size());
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    WriteBytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
#else
    for (QChar c : text) {
        char unit[2];
        qToLittleEndian<quint16>(c.unicode(), unit);
        WriteBytes(unit, 2);
    }
#endif
}
