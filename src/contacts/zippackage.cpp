#include "contacts/zippackage.h"

#include <QIODevice>
#include <QtEndian>

#include <zlib.h>

#include <limits>

namespace {

constexpr qint64 kDirectoryEndSize = 22;
constexpr qint64 kMaxCommentSize = 0xFFFF;
constexpr qint64 kLocatorSize = 20;
constexpr qint64 kDirectoryEnd64Size = 56;
constexpr qint64 kEntryHeaderSize = 46;
constexpr qint64 kLocalHeaderSize = 30;
constexpr qint64 kInputSize = qint64(64) * 1024;
constexpr quint16 kEncrypted = 0x0001;
constexpr quint16 kUtf8Name = 0x0800;
constexpr quint16 kStored = 0;
constexpr quint16 kDeflated = 8;
constexpr quint16 kZip64Field = 0x0001;
constexpr quint32 kUnknown32 = 0xFFFFFFFF;

quint16 Get16(const QByteArray& bytes, qint64 at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 Get32(const QByteArray& bytes, qint64 at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// A 64-bit size or offset, -1 when it does not fit a signed one.
qint64 Get64(const QByteArray& bytes, qint64 at) {
    const quint64 value = qFromLittleEndian<quint64>(bytes.constData() + at);
    return value > quint64(std::numeric_limits<qint64>::max()) ? -1 : qint64(value);
}

bool HasSignature(const QByteArray& bytes, qint64 at, const char (&signature)[5]) {
    return at >= 0 && at + 4 <= bytes.size() && QByteArrayView(bytes).sliced(at, 4) == signature;
}

// Puts the zip64 extra field's sizes and offset in place of the ones the
// entry's header marks as too large for 32 bits; false when the field
// lacks one of them.
bool ReadZip64Field(const QByteArray& extra, ZipEntry& entry, bool size, bool packed, bool offset) {
    for (qint64 at = 0; at + 4 <= extra.size();) {
        const quint16 id = Get16(extra, at);
        const qint64 length = Get16(extra, at + 2);
        at += 4;
        if (at + length > extra.size())
            return false;
        if (id == kZip64Field) {
            qint64 field = at;
            const auto next = [&](qint64& value) {
                if (field + 8 > at + length)
                    return false;
                value = Get64(extra, field);
                field += 8;
                return value >= 0;
            };
            return (!size || next(entry.size)) && (!packed || next(entry.packedSize)) &&
                   (!offset || next(entry.headerOffset));
        }
        at += length;
    }
    return !size && !packed && !offset;
}

} // namespace

bool CZipPackage::ReadAt(qint64 offset, qint64 size, QByteArray& bytes) const {
    if (offset < 0 || size < 0 || offset > m_deviceSize || size > m_deviceSize - offset)
        return false;
    if (!m_device.seek(offset))
        return false;
    bytes = m_device.read(size);
    return bytes.size() == size;
}

bool CZipPackage::Open() {
    m_entries.clear();
    if (m_device.isSequential() || !m_device.isReadable())
        return false;
    m_deviceSize = m_device.size();
    qint64 start = 0;
    qint64 size = 0;
    qint64 count = 0;
    return ReadDirectoryEnd(start, size, count) && ReadDirectory(start, size, count);
}

bool CZipPackage::ReadDirectoryEnd(qint64& start, qint64& size, qint64& count) {
    // The record closes the package, after a comment of up to 64 KiB.
    const qint64 tailSize = qMin(m_deviceSize, kDirectoryEndSize + kMaxCommentSize);
    QByteArray tail;
    if (tailSize < kDirectoryEndSize || !ReadAt(m_deviceSize - tailSize, tailSize, tail))
        return false;
    qint64 at = tailSize - kDirectoryEndSize;
    while (at >= 0 && !HasSignature(tail, at, "PK\x05\x06"))
        --at;
    if (at < 0)
        return false;
    qint64 end = m_deviceSize - tailSize + at;
    count = Get16(tail, at + 10);
    size = Get32(tail, at + 12);
    qint64 offset = Get32(tail, at + 16);

    // A zip64 package says where its own record is just before this one.
    QByteArray locator;
    if (ReadAt(end - kLocatorSize, kLocatorSize, locator) &&
        HasSignature(locator, 0, "PK\x06\x07")) {
        const qint64 declared = Get64(locator, 8);
        const qint64 before = end - kLocatorSize - kDirectoryEnd64Size;
        QByteArray record;
        qint64 recordAt = declared;
        if (!ReadAt(recordAt, kDirectoryEnd64Size, record) ||
            !HasSignature(record, 0, "PK\x06\x06")) {
            recordAt = before;
            if (!ReadAt(recordAt, kDirectoryEnd64Size, record) ||
                !HasSignature(record, 0, "PK\x06\x06"))
                return false;
        }
        end = recordAt;
        count = Get64(record, 32);
        size = Get64(record, 40);
        offset = Get64(record, 48);
        if (count < 0 || size < 0 || offset < 0)
            return false;
    }
    if (offset > end || size > end - offset)
        return false;
    // Whatever lies between where the directory says it ends and where it
    // does came before the package.
    m_lead = end - offset - size;
    start = offset + m_lead;
    return true;
}

bool CZipPackage::ReadDirectory(qint64 start, qint64 size, qint64 count) {
    // Each entry takes at least a header's fixed part.
    if (count > size / kEntryHeaderSize)
        return false;
    QByteArray directory;
    if (!ReadAt(start, size, directory))
        return false;
    m_entries.reserve(count);
    qint64 at = 0;
    for (qint64 i = 0; i < count; ++i) {
        if (at + kEntryHeaderSize > size || !HasSignature(directory, at, "PK\x01\x02"))
            return false;
        const qint64 nameSize = Get16(directory, at + 28);
        const qint64 extraSize = Get16(directory, at + 30);
        const qint64 commentSize = Get16(directory, at + 32);
        const qint64 next = at + kEntryHeaderSize + nameSize + extraSize + commentSize;
        if (next > size)
            return false;
        ZipEntry entry;
        entry.flags = Get16(directory, at + 8);
        entry.method = Get16(directory, at + 10);
        entry.crc = Get32(directory, at + 16);
        entry.packedSize = Get32(directory, at + 20);
        entry.size = Get32(directory, at + 24);
        entry.headerOffset = Get32(directory, at + 42);
        const QByteArray name = directory.sliced(at + kEntryHeaderSize, nameSize);
        // Names not marked as UTF-8 are in the old DOS code page by the
        // format; workbooks name their parts in ASCII, where both agree.
        entry.name = entry.flags & kUtf8Name ? QString::fromUtf8(name) : QString::fromLatin1(name);
        if (!ReadZip64Field(directory.sliced(at + kEntryHeaderSize + nameSize, extraSize), entry,
                            entry.size == kUnknown32, entry.packedSize == kUnknown32,
                            entry.headerOffset == kUnknown32))
            return false;
        m_entries.append(std::move(entry));
        at = next;
    }
    return true;
}

QStringList CZipPackage::Names() const {
    QStringList names;
    names.reserve(m_entries.size());
    for (const ZipEntry& entry : m_entries)
        names.append(entry.name);
    return names;
}

const ZipEntry* CZipPackage::Find(const QString& name) const {
    for (const ZipEntry& entry : m_entries)
        if (entry.name == name)
            return &entry;
    for (const ZipEntry& entry : m_entries)
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

// The state of inflating one deflated part.
struct ZipInflater {
    z_stream stream{};
    QByteArray input;
};

CZipPart::CZipPart(const CZipPackage& package, const ZipEntry& entry)
    : m_package(package), m_entry(entry), m_crc(crc32(0, nullptr, 0)) {
    if (entry.flags & kEncrypted || (entry.method != kStored && entry.method != kDeflated))
        return;
    QByteArray header;
    const qint64 headerAt = m_package.m_lead + entry.headerOffset;
    if (!m_package.ReadAt(headerAt, kLocalHeaderSize, header) ||
        !HasSignature(header, 0, "PK\x03\x04"))
        return;
    m_position = headerAt + kLocalHeaderSize + Get16(header, 26) + Get16(header, 28);
    m_packedLeft = entry.packedSize;
    if (m_packedLeft > m_package.m_deviceSize - m_position)
        return;
    if (entry.method == kStored) {
        m_open = entry.packedSize == entry.size;
        return;
    }
    m_inflater = std::make_unique<ZipInflater>();
    // Raw deflate: the zip entry carries no zlib header.
    if (inflateInit2(&m_inflater->stream, -MAX_WBITS) != Z_OK) {
        m_inflater.reset();
        return;
    }
    m_open = true;
}

CZipPart::~CZipPart() {
    if (m_inflater)
        inflateEnd(&m_inflater->stream);
}

QByteArray CZipPart::Read(qint64 max) {
    if (!m_open || m_done || m_damaged || max <= 0)
        return {};
    QByteArray piece;
    if (!m_inflater) {
        const qint64 size = qMin(max, m_packedLeft);
        if (size > 0 && !m_package.ReadAt(m_position, size, piece)) {
            m_damaged = true;
            return {};
        }
        m_position += size;
        m_packedLeft -= size;
        if (m_packedLeft == 0)
            m_done = true;
    } else {
        piece = Unpack(max);
    }
    if (!piece.isEmpty()) {
        m_unpacked += piece.size();
        m_crc = crc32(m_crc, reinterpret_cast<const Bytef*>(piece.constData()),
                      static_cast<uInt>(piece.size()));
    }
    if (m_done && (m_unpacked != m_entry.size || m_crc != m_entry.crc))
        m_damaged = true;
    return piece;
}

QByteArray CZipPart::Unpack(qint64 max) {
    z_stream& stream = m_inflater->stream;
    QByteArray piece(qMin<qint64>(max, std::numeric_limits<uInt>::max()), Qt::Uninitialized);
    stream.next_out = reinterpret_cast<Bytef*>(piece.data());
    stream.avail_out = static_cast<uInt>(piece.size());
    while (stream.avail_out > 0) {
        if (stream.avail_in == 0) {
            const qint64 size = qMin(kInputSize, m_packedLeft);
            if (size == 0 || !m_package.ReadAt(m_position, size, m_inflater->input)) {
                // The packed bytes ran out before the stream's end.
                m_damaged = true;
                return {};
            }
            m_position += size;
            m_packedLeft -= size;
            stream.next_in = reinterpret_cast<Bytef*>(m_inflater->input.data());
            stream.avail_in = static_cast<uInt>(size);
        }
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            m_done = true;
            break;
        }
        if (result != Z_OK) {
            m_damaged = true;
            return {};
        }
    }
    piece.truncate(piece.size() - stream.avail_out);
    return piece;
}
