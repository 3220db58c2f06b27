#include "addressbook.h"

#include "appdatafolder.h"
#include "archive.h"
#include "exception.h"
#include "fileexception.h"
#include "invalidargexception.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <new>

int CompareLabels(QStringView a, QStringView b) {
    const qsizetype endA = a.indexOf(QChar(u'\0'));
    const qsizetype endB = b.indexOf(QChar(u'\0'));
    if (endA >= 0)
        a = a.first(endA);
    if (endB >= 0)
        b = b.first(endB);
    const qsizetype common = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t ua = a[i].unicode();
        const char16_t ub = b[i].unicode();
        if (ua != ub)
            return ua < ub ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

void CAddressBook::ResolvePaths() {
    QString folder;
    if (GetAppDataFolder(folder)) {
        if (!folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        folder += QLatin1String(kSubfolder);
    } else {
        folder = FallbackDataFolder();
    }
    // Only this one level is made; an existing folder, or one that cannot be
    // made, lets the program go on alike.
    QDir().mkdir(folder);
    m_dataFolder = folder;
    m_addressBookPath = folder + QLatin1String(kFileName);
}

void CAddressBook::SetAddressBookPath(const QString& path) {
    m_addressBookPath = path;
    m_dataFolder = QFileInfo(path).absolutePath() + QLatin1Char('/');
}

namespace {
constexpr qint64 kMapThreshold = 1 << 20;
} // namespace

void CAddressBook::LoadAddressBook() {
    ResolvePaths();
    m_records.clear();
    m_loadIncomplete = false;

    QFile file(m_addressBookPath);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // Mapping avoids a copy of large books; a file that cannot be mapped
    // (a pipe, an empty file) is read instead. Below a megabyte a plain read
    // is the quicker: it costs less than faulting the mapped pages in.
    const qint64 size = file.size();
    if (size >= kMapThreshold) {
        if (uchar* mapped = file.map(0, size)) {
            LoadFromBytes(QByteArrayView(reinterpret_cast<const char*>(mapped), size));
            file.unmap(mapped);
            return;
        }
    }
    const QByteArray bytes = file.readAll();
    LoadFromBytes(bytes);
}

bool CAddressBook::LoadFromBytes(QByteArrayView bytes) {
    m_records.clear();
    m_loadIncomplete = false;
    try {
        CArchive ar(bytes);
        const qint32 count = ar.ReadInt32();
        // Every record takes at least two bytes, so a count beyond that is
        // no reason to reserve more room.
        if (count > 0)
            m_records.reserve(qMin<qsizetype>(count, ar.BytesLeft() / 2));
        for (qint32 i = 0; i < count; ++i) {
            CAddress address;
            address.Serialize(ar);
            m_records.append(std::move(address));
        }
        return true;
    } catch (const CException&) {
    } catch (const std::bad_alloc&) {
    }
    // What was read whole stays; the record being read is dropped.
    m_loadIncomplete = true;
    return false;
}

QByteArray CAddressBook::ToBytes() const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, m_addressBookPath);
    ar.WriteInt32(static_cast<qint32>(m_records.size()));
    for (const CAddress& record : m_records)
        const_cast<CAddress&>(record).Serialize(ar);
    ar.Flush();
    return bytes;
}

namespace {

// A file whose write permission is off everywhere counts as read-only even
// for root, as the user meant it so.
bool IsReadOnlyFile(const QFileInfo& info) {
    // WriteUser says what this process may do, which for root is anything.
    constexpr auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite));
}

[[noreturn]] void ThrowSaveFailure(const QSaveFile& file, int error, const QString& path) {
    if (error == 0 && file.error() == QFileDevice::ResourceError)
        error = ENOSPC;
    throw CFileException(error ? ClassifyErrno(error) : FileErrorCause::Generic, path);
}

} // namespace

void CAddressBook::SaveAddressBook() {
    const QString& path = m_addressBookPath;
    QSaveFile file(path);
    // Never fall back to writing the file in place: a failure must leave
    // the old file whole.
    file.setDirectWriteFallback(false);

    const QFileInfo target(path);
    if (IsReadOnlyFile(target))
        throw CFileException(FileErrorCause::AccessDenied, path);

    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const int error = errno;
        if (IsReadOnlyFile(target))
            throw CFileException(FileErrorCause::AccessDenied, path);
        ThrowSaveFailure(file, error, path);
    }

    {
        CArchive ar(&file, path);
        ar.WriteInt32(static_cast<qint32>(m_records.size()));
        for (CAddress& record : m_records)
            record.Serialize(ar);
        ar.Flush();
    }

    // commit() may report success after a failed flush, so flush first.
    errno = 0;
    if (!file.flush())
        ThrowSaveFailure(file, errno, path);

    if (m_loadIncomplete && QFileInfo::exists(path)) {
        // The file held more than could be read: keep it beside the new one.
        const QString backup = path + QStringLiteral(".bak");
        QFile::remove(backup);
        QFile::copy(path, backup);
    }

    errno = 0;
    if (!file.commit())
        ThrowSaveFailure(file, errno, path);
    m_loadIncomplete = false;
}

bool CAddressBook::IsLabelUnique(const QString& label) const {
    return FindLabel(label) < 0;
}

int CAddressBook::FindLabel(const QString& label) const {
    for (qsizetype i = 0; i < m_records.size(); ++i) {
        if (CompareLabels(m_records[i].m_strLabel, label) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

void CAddressBook::AddAddress(const CAddress& address) {
    InsertAddress(address);
    SaveAddressBook();
}

void CAddressBook::InsertAddress(const CAddress& address) {
    qsizetype position = 0;
    while (position < m_records.size() &&
           CompareLabels(m_records[position].m_strLabel, address.m_strLabel) < 0)
        ++position;
    m_records.insert(position, address);
}

void CAddressBook::InsertAddresses(const QList<CAddress>& addresses) {
    const auto less = [](const CAddress& a, const CAddress& b) {
        return CompareLabels(a.m_strLabel, b.m_strLabel) < 0;
    };
    if (!std::is_sorted(m_records.begin(), m_records.end(), less)) {
        // A book loaded out of order: only the one-by-one scan gives the
        // places the user would get from adding each record by hand.
        for (const CAddress& address : addresses)
            InsertAddress(address);
        return;
    }
    // In a sorted book each insert lands before the first label that is not
    // smaller, so a later record lands before an earlier equal one: sort the
    // new records with ties in reverse order, and let them go before equal
    // labels of the book.
    QList<CAddress> incoming(addresses.rbegin(), addresses.rend());
    std::stable_sort(incoming.begin(), incoming.end(), less);
    QList<CAddress> merged;
    merged.reserve(m_records.size() + incoming.size());
    // std::merge takes from the first range on ties.
    std::merge(incoming.begin(), incoming.end(), m_records.begin(), m_records.end(),
               std::back_inserter(merged), less);
    m_records = std::move(merged);
}

void CAddressBook::CheckIndex(int index) const {
    if (index < 0 || index >= m_records.size())
        throw CInvalidArgException();
}

const CAddress& CAddressBook::GetAt(int index) const {
    CheckIndex(index);
    return m_records[index];
}

void CAddressBook::SetAddressAt(int index, const QString& address) {
    CheckIndex(index);
    m_records[index].m_strAddress = address;
}

void CAddressBook::RemoveAt(int index) {
    CheckIndex(index);
    m_records.removeAt(index);
}

QString CAddressBook::LocationMessage() const {
    return QStringLiteral("The address book is stored in the file ") + m_addressBookPath;
}
