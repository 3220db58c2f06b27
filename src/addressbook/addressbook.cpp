#include "addressbook.h"

#include "appdatafolder.h"
#include "archive.h"
#include "exception.h"
#include "fileexception.h"
#include "invalidargexception.h"
#include "outputfile.h"
#include "privatefiles.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

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
        // Only this one level is made; an existing folder, or one that cannot
        // be made, lets the program go on alike.
        MakePrivateFolder(folder);
        // A folder that someone else owns, or that anyone may write to, could
        // have been put there to read or replace the book.
        if (IsForeignFolder(folder))
            folder = FallbackDataFolder();
    } else {
        folder = FallbackDataFolder();
    }
    m_dataFolder = folder;
    m_addressBookPath = folder + QLatin1String(kFileName);
    ProtectOwnFile(m_addressBookPath);
}

void CAddressBook::SetAddressBookPath(const QString& path) {
    m_addressBookPath = path;
    m_dataFolder = QFileInfo(path).absolutePath() + QLatin1Char('/');
    ProtectOwnFile(m_addressBookPath);
}

void CAddressBook::LoadAddressBook() {
    ResolvePaths();
    m_records.clear();
    m_fileStamp = StampOfFile();
    m_loadIncomplete = !LoadFromFile();
}

CAddressBook::SFileStamp CAddressBook::StampOfFile() const {
    SFileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(m_addressBookPath).constData(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = static_cast<qint64>(info.st_dev);
    stamp.inode = static_cast<qint64>(info.st_ino);
    stamp.size = static_cast<qint64>(info.st_size);
    stamp.modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changed = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
#else
    const QFileInfo info(m_addressBookPath);
    stamp.exists = info.exists();
    stamp.size = info.size();
    stamp.modified = info.lastModified().toMSecsSinceEpoch();
#endif
    return stamp;
}

bool CAddressBook::ReloadIfChangedOnDisk() {
    // The stamp is taken before the read, so a write that comes during the
    // read is seen the next time.
    const SFileStamp now = StampOfFile();
    if (!now.exists || now == m_fileStamp)
        return false;
    m_records.clear();
    m_fileStamp = now;
    m_loadIncomplete = !LoadFromFile();
    return true;
}

bool CAddressBook::LoadFromFile() {
    QFile file(m_addressBookPath);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        // No file is a first run. A file that is there but cannot be opened
        // (no permission, too many open files, a failing disk) must not be
        // taken for an empty book that the next save would write over.
        return errno == ENOENT;
    }
    // The whole file is read into memory once. It is never mapped: a file
    // shortened by another program while it is read would kill the program
    // at a mapped page that is gone. The buffer comes from malloc so that a
    // book too large for memory ends the load instead of the program.
    const qint64 size = file.size();
    if (size == 0)
        return LoadFromBytes({});
    if (size < 0 || size > std::numeric_limits<qsizetype>::max())
        return false;
    const std::unique_ptr<char, decltype(&std::free)> buffer(
        static_cast<char*>(std::malloc(static_cast<size_t>(size))), &std::free);
    if (!buffer)
        return false;
    qint64 read = 0;
    bool whole = true;
    while (read < size) {
        const qint64 n = file.read(buffer.get() + read, size - read);
        if (n < 0)
            whole = false;
        // A file cut short under the reader ends early; the records it
        // still holds whole are read.
        if (n <= 0)
            break;
        read += n;
    }
    return LoadFromBytes(QByteArrayView(buffer.get(), static_cast<qsizetype>(read))) && whole;
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

[[noreturn]] void ThrowFileFailure(const QFileDevice& file, int error, const QString& path) {
    if (error == 0 && file.error() == QFileDevice::ResourceError)
        error = ENOSPC;
    throw CFileException(error ? ClassifyErrno(error) : FileErrorCause::Generic, path);
}

// Copies a file to another name through a temporary file, so that the
// target is either the old one or the whole copy.
void CopyAtomically(const QString& from, const QString& to) {
    QFile source(from);
    errno = 0;
    if (!source.open(QIODevice::ReadOnly))
        ThrowFileFailure(source, errno, from);
    QSaveFile copy(to);
    copy.setDirectWriteFallback(false);
    errno = 0;
    if (!OpenPrivateSaveFile(copy))
        ThrowFileFailure(copy, errno, to);
    QByteArray chunk(qsizetype(1) << 16, Qt::Uninitialized);
    for (;;) {
        errno = 0;
        const qint64 n = source.read(chunk.data(), chunk.size());
        if (n < 0)
            ThrowFileFailure(source, errno, from);
        if (n == 0)
            break;
        errno = 0;
        if (copy.write(chunk.constData(), n) != n)
            ThrowFileFailure(copy, errno, to);
    }
    errno = 0;
    if (!copy.flush() || !copy.commit())
        ThrowFileFailure(copy, errno, to);
}

// Keeps the book file as it is now as Addresses.plv.bak. The old backup is
// replaced only once the new one is whole; when no backup can be made,
// CFileException is raised and the book file must stay as it is.
void KeepBackup(const QString& path) {
    const QString backup = path + QStringLiteral(".bak");
#ifdef Q_OS_UNIX
    // A second name for the same file, moved over the old backup: nothing
    // is copied, so it works for a book too large to read or one that
    // cannot be read at all. Where the file system has no such names, the
    // file is copied instead.
    const QByteArray source = QFile::encodeName(path);
    const QByteArray target = QFile::encodeName(backup);
    const QByteArray temporary = target + '.' + QByteArray::number(qint64(::getpid()));
    ::unlink(temporary.constData());
    if (::link(source.constData(), temporary.constData()) == 0) {
        const int failed = ::rename(temporary.constData(), target.constData()) == 0 ? 0 : errno;
        // rename() leaves both names when they already were the same file.
        ::unlink(temporary.constData());
        if (failed)
            throw CFileException(ClassifyErrno(failed), backup);
        return;
    }
#endif
    CopyAtomically(path, backup);
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
    if (!OpenPrivateSaveFile(file, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const int error = errno;
        if (IsReadOnlyFile(target))
            throw CFileException(FileErrorCause::AccessDenied, path);
        ThrowFileFailure(file, error, path);
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
        ThrowFileFailure(file, errno, path);

    // The file held more than could be read: it is kept beside the new one,
    // and the new one is not written when it cannot be.
    if (m_loadIncomplete && (target.exists() || target.isSymLink()))
        KeepBackup(path);

    errno = 0;
    if (!file.commit())
        ThrowFileFailure(file, errno, path);
    m_loadIncomplete = false;
    m_fileStamp = StampOfFile();
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
