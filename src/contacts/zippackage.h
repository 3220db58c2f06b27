#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QIODevice;
struct ZipInflater;

// One file inside a zip package, as its central directory describes it.
struct ZipEntry {
    QString name;
    quint16 flags = 0;
    quint16 method = 0;
    quint32 crc = 0;
    qint64 packedSize = 0;
    qint64 size = 0;
    // Where its local header starts, counted from the package's first byte.
    qint64 headerOffset = 0;
};

// A zip package read from a device that can seek, as .xlsx and .ods
// workbooks are: its central directory (zip64 included) on Open(), and a
// part unpacked a piece at a time by CZipPart. Everything the package says
// of itself is checked against the device before it is used; a package
// that lies is damaged, never read past its end.
class CZipPackage {
public:
    // The device stays open, at any position, for as long as this lives.
    explicit CZipPackage(QIODevice& device) : m_device(device) {}

    // Reads the central directory; false when the device does not hold a
    // whole zip package.
    bool Open();
    QStringList Names() const;
    // The entry named `name`, or failing that the one named so but for
    // case; nullptr when there is none.
    const ZipEntry* Find(const QString& name) const;

private:
    friend class CZipPart;

    bool ReadAt(qint64 offset, qint64 size, QByteArray& bytes) const;
    // The end of central directory record: where the directory starts, its
    // size and its entry count.
    bool ReadDirectoryEnd(qint64& start, qint64& size, qint64& count);
    bool ReadDirectory(qint64 start, qint64 size, qint64 count);

    QIODevice& m_device;
    qint64 m_deviceSize = 0;
    // Bytes before the package proper (a program it was glued to), which
    // every offset it gives leaves out.
    qint64 m_lead = 0;
    QList<ZipEntry> m_entries;
};

// One part of a package unpacked a piece at a time. Unpacks stored and
// deflated parts; any other method, or a part protected by a password,
// does not open. A part that unpacks to other bytes than its size and
// checksum promise is damaged.
class CZipPart {
public:
    CZipPart(const CZipPackage& package, const ZipEntry& entry);
    ~CZipPart();
    CZipPart(const CZipPart&) = delete;
    CZipPart& operator=(const CZipPart&) = delete;

    bool IsOpen() const { return m_open; }
    // Up to `max` more unpacked bytes; empty at the end and on failure.
    QByteArray Read(qint64 max);
    // Whether the whole part was unpacked and found as promised.
    bool AtEnd() const { return m_done && !m_damaged; }
    bool IsDamaged() const { return m_damaged; }

private:
    QByteArray Unpack(qint64 max);

    const CZipPackage& m_package;
    ZipEntry m_entry;
    std::unique_ptr<ZipInflater> m_inflater;
    // The next packed byte's offset in the device, and how many are left.
    qint64 m_position = 0;
    qint64 m_packedLeft = 0;
    qint64 m_unpacked = 0;
    quint32 m_crc = 0;
    bool m_open = false;
    bool m_done = false;
    bool m_damaged = false;
};
