#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

// The stream encoding of the address book file: little-endian 32-bit counts
// and length-prefixed strings that say, string by string, whether they hold
// 8-bit or UTF-16 text.
//
// A loading archive reads from bytes already in memory and never allocates
// more than those bytes could still hold. A storing archive writes through a
// 4096-byte buffer to a device and raises CFileException when the device
// refuses a write.
class CArchive {
public:
    static constexpr qsizetype kBufferSize = 4096;

    // Loading from bytes that outlive the archive.
    explicit CArchive(QByteArrayView source);
    // Storing to an open device; fileName is named in failure messages.
    CArchive(QIODevice* device, QString fileName);
    ~CArchive() = default;
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsLoading() const { return m_device == nullptr; }

    qint32 ReadInt32();
    QString ReadString();
    // Bytes not yet read.
    qsizetype BytesLeft() const { return m_source.size() - m_position; }

    void WriteInt32(qint32 value);
    void WriteString(const QString& text);
    // Hands the buffered bytes to the device.
    void Flush();

    // The length prefix that WriteString puts before a string of this many
    // UTF-16 units, marker included.
    static QByteArray StringPrefix(quint64 length);

private:
    QByteArrayView Take(qsizetype count);
    quint8 ReadByte();
    quint16 ReadUInt16();
    quint32 ReadUInt32();
    quint64 ReadUInt64();
    void WriteBytes(const char* data, qsizetype count);

    QByteArrayView m_source;
    qsizetype m_position = 0;

    QIODevice* m_device = nullptr;
    QString m_fileName;
    QByteArray m_buffer;
};
