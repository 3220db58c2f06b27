#include "addressbook/addressbook.h"

#include "addressbook/archive.h"
#include "addressbook/logging.h"
#include "platform/appdatafolder.h"
#include "platform/backupfile.h"
#include "platform/exception.h"
#include "platform/fileexception.h"
#include "platform/filelock.h"
#include "platform/inputfile.h"
#include "platform/invalidargexception.h"
#include "platform/outputfile.h"
#include "platform/privatefiles.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
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

namespace {

// The book's own folder in the application data folder; false, and the
// fallback folder, when there is no application data folder.
bool UsualBookFolder(QString& folder) {
    if (!GetAppDataFolder(folder)) {
        folder = FallbackDataFolder();
        return false;
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    folder += QLatin1String(CAddressBook::kSubfolder);
    return true;
}

} // namespace

void CAddressBook::ResolvePaths() {
    QString folder;
    if (UsualBookFolder(folder)) {
        // Only this one level is made; an existing folder, or one that cannot
        // be made, lets the program go on alike.
        MakePrivateFolder(folder);
        // A folder that someone else owns, or that anyone may write to, could
        // have been put there to read or replace the book.
        if (IsForeignFolder(folder))
            folder = FallbackDataFolder();
    }
    m_dataFolder = folder;
    m_addressBookPath = folder + QLatin1String(kFileName);
    ProtectOwnFile(m_addressBookPath);
}

void CAddressBook::ProtectDefaultPaths() {
    if (const QString folder = AppDataFolderPath(); !folder.isEmpty())
        ProtectOwnFile(folder + QLatin1Char('/') + QLatin1String(kSubfolder) +
                       QLatin1String(kFileName));
    ProtectOwnFile(FallbackDataFolder() + QLatin1String(kFileName));
}

void CAddressBook::SetAddressBookPath(const QString& path) {
    m_addressBookPath = path;
    m_dataFolder = QFileInfo(path).absolutePath() + QLatin1Char('/');
    ProtectOwnFile(m_addressBookPath);
}

CAddressBook::Prefetched& CAddressBook::PrefetchSlot() {
    static Prefetched slot;
    return slot;
}

void CAddressBook::PrefetchAddressBook() {
    // The path ResolvePaths would choose when the folder is as it should be.
    QString path;
    UsualBookFolder(path);
    path += QLatin1String(kFileName);
    Prefetched& slot = PrefetchSlot();
    if (slot.read.valid())
        slot.read.wait();
    // Taken before the read, as LoadAddressBook does.
    slot.stamp = StampOf(path);
    slot.path = path;
    // The thread reads into a book of its own and shares nothing else.
    slot.read = std::async(std::launch::async, [path] {
        CAddressBook book;
        book.m_addressBookPath = path;
        book.LoadFromFile();
        return FileRead{std::move(book.m_records), std::move(book.m_load)};
    });
}

bool CAddressBook::TakePrefetch() {
    Prefetched& slot = PrefetchSlot();
    if (!slot.read.valid())
        return false;
    FileRead read = slot.read.get();
    if (slot.path != m_addressBookPath || slot.stamp != m_fileStamp)
        return false;
    m_records = std::move(read.records);
    m_load = std::move(read.load);
    return true;
}

void CAddressBook::LoadAddressBook() {
    ResolvePaths();
    m_fileStamp = StampOfFile();
    const bool prefetched = TakePrefetch();
    if (!prefetched)
        LoadFromFile();
    qCInfo(LogAddressBook) << "read" << m_addressBookPath << (prefetched ? "ahead" : "now")
                           << "entries" << m_records.size()
                           << (LoadWasIncomplete() ? LoadProblem() : QString());
}

CAddressBook::FileStamp CAddressBook::StampOf(const QString& path) {
    FileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return stamp;
    stamp.exists = true;
    stamp.device = static_cast<qint64>(info.st_dev);
    stamp.inode = static_cast<qint64>(info.st_ino);
    stamp.size = static_cast<qint64>(info.st_size);
    stamp.modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changed = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
#else
    const QFileInfo info(path);
    stamp.exists = info.exists();
    stamp.size = info.size();
    stamp.modified = info.lastModified().toMSecsSinceEpoch();
#endif
    return stamp;
}

bool CAddressBook::ReloadIfChangedOnDisk() {
    // The stamp is taken before the read, so a write that comes during the
    // read is seen the next time.
    const FileStamp now = StampOfFile();
    if (!now.exists || now == m_fileStamp)
        return false;
    m_fileStamp = now;
    LoadFromFile();
    return true;
}

namespace {

// Maps the pages of a book's buffer in one call rather than one fault a
// page as the read fills it; where the system cannot, or for a book larger
// than any a user keeps, the read faults them in as before.
void PrefaultBuffer(char* buffer, qint64 size) {
#ifdef MADV_POPULATE_WRITE
    if (size > qint64(64) << 20)
        return;
    const auto pageSize = static_cast<quintptr>(sysconf(_SC_PAGESIZE));
    const quintptr start = (reinterpret_cast<quintptr>(buffer) + pageSize - 1) & ~(pageSize - 1);
    const quintptr end = (reinterpret_cast<quintptr>(buffer) + size) & ~(pageSize - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(buffer);
    Q_UNUSED(size);
#endif
}

} // namespace

void CAddressBook::LoadFromFile() {
    m_records.clear();
    m_load = {};
    const auto unreadable = [this](const QString& why) {
        m_load.state = LoadState::Unreadable;
        m_load.unreadable = why;
    };
    QFile file(m_addressBookPath);
    try {
        // Only a regular file: a pipe in the book's place would hold the
        // program for ever.
        OpenRegularFile(file);
    } catch (const CFileException& e) {
        // No file is a first run. A file that is there but cannot be opened
        // (no permission, too many open files, a failing disk, a folder or a
        // device in its place) must not be taken for an empty book that the
        // next save would write over.
        if (e.GetCause() == FileErrorCause::FileNotFound)
            return;
        const QFileInfo info(m_addressBookPath);
        if (info.isDir())
            return unreadable(QStringLiteral("%1 is a folder.").arg(m_addressBookPath));
        if (info.exists() && !info.isFile())
            return unreadable(QStringLiteral("%1 is not a regular file.").arg(m_addressBookPath));
        return unreadable(FileErrorMessage(e.GetCause(), m_addressBookPath));
    }
    // The whole file is read into memory once. It is never mapped: a file
    // shortened by another program while it is read would kill the program
    // at a mapped page that is gone. The buffer comes from malloc so that a
    // book too large for memory ends the load instead of the program.
    const qint64 size = file.size();
    if (size == 0) {
        LoadFromBytes({});
        return;
    }
    const QString tooLarge = QStringLiteral("%1 is too large for memory.").arg(m_addressBookPath);
    if (size < 0 || size > std::numeric_limits<qsizetype>::max())
        return unreadable(tooLarge);
    const std::unique_ptr<char, decltype(&std::free)> buffer(
        static_cast<char*>(std::malloc(static_cast<size_t>(size))), &std::free);
    if (!buffer)
        return unreadable(tooLarge);
    PrefaultBuffer(buffer.get(), size);
    qint64 read = 0;
    int error = 0;
    while (read < size) {
        errno = 0;
        const qint64 n = file.read(buffer.get() + read, size - read);
        if (n < 0)
            error = errno ? errno : EIO;
        // A file cut short under the reader ends early; the records it
        // still holds whole are read.
        if (n <= 0)
            break;
        read += n;
    }
    LoadFromBytes(QByteArrayView(buffer.get(), static_cast<qsizetype>(read)));
    if (error)
        unreadable(FileErrorMessage(ClassifyErrno(error), m_addressBookPath));
}

bool CAddressBook::LoadFromBytes(QByteArrayView bytes) {
    m_records.clear();
    m_load = {};
    CArchive ar(bytes);
    // Reads up to count records, or to the end when count is below zero.
    // What was read whole stays; the record being read is dropped.
    const auto readRecords = [&ar](qint64 count, auto&& take) {
        try {
            for (qint64 i = 0; count < 0 ? ar.BytesLeft() > 0 : i < count; ++i) {
                CAddress address;
                address.Serialize(ar);
                take(std::move(address));
            }
            return true;
        } catch (const CException&) {
        } catch (const std::bad_alloc&) {
        }
        return false;
    };
    bool whole = false;
    try {
        m_load.count = ar.ReadInt32();
        const qint32 count = *m_load.count;
        // No more room is reserved than the bytes left could fill: a count
        // beyond them says nothing about the records really there.
        if (count > 0)
            m_records.reserve(qMin<qsizetype>(count, ar.BytesLeft() / qsizetype(sizeof(CAddress))));
        whole =
            readRecords(qMax(count, 0), [this](CAddress&& a) { m_records.append(std::move(a)); });
    } catch (const CException&) {
    } catch (const std::bad_alloc&) {
    }
    m_load.read = m_records.size();
    if (whole && ar.BytesLeft() == 0 && *m_load.count >= 0)
        return true;
    m_load.state = LoadState::Damaged;
    if (whole) {
        // A count below zero or bytes after the last counted record: the
        // count was damaged. The records that follow are counted for the
        // user, not kept, and the file is kept before the next save.
        m_load.extraBytes = ar.BytesLeft();
        readRecords(-1, [this](CAddress&&) { ++m_load.extraRecords; });
    }
    return false;
}

namespace {

// "1 entry", "2 entries"...
QString Count(qint64 n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

} // namespace

QString CAddressBook::LoadProblem() const {
    if (m_load.state == LoadState::Whole)
        return QString();
    if (m_load.state == LoadState::Unreadable)
        return QStringLiteral("The address book could not be read. ") + m_load.unreadable;
    QString what;
    const qint64 read = m_load.read;
    const QString counts = m_load.count ? Count(*m_load.count, "entry", "entries") : QString();
    if (!m_load.count)
        what = QStringLiteral("it ends before its count of entries");
    else if (m_load.extraRecords > 0)
        what = QStringLiteral("it counts %1, but %2 more %3, which could not be read")
                   .arg(counts, QString::number(m_load.extraRecords),
                        QLatin1String(m_load.extraRecords == 1 ? "follows" : "follow"));
    else if (m_load.extraBytes > 0)
        what = QStringLiteral("it counts %1, but %2 them, which could not be read")
                   .arg(counts, Count(m_load.extraBytes, "byte follows", "bytes follow"));
    else if (read == 0)
        what = QStringLiteral("it counts %1, but none could be read").arg(counts);
    else
        what = QStringLiteral("it counts %1, but only the first %2 could be read")
                   .arg(counts, QString::number(read));
    return QStringLiteral("The address book %1 is damaged: %2.").arg(m_addressBookPath, what);
}

QString CBookBusyException::GetErrorMessage() const {
    if (m_lockNotAFile)
        return QStringLiteral("The address book %1 cannot be changed: %1.lock, where programs "
                              "note that they are changing it, is not a file. Nothing was "
                              "changed; remove %1.lock and try again.")
            .arg(m_path);
    return QStringLiteral("Another program is changing the address book %1. Nothing was "
                          "changed; try again.")
        .arg(m_path);
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
    constexpr auto kAnyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.exists() && (!info.isWritable() || !(info.permissions() & kAnyWrite));
}

[[noreturn]] void ThrowFileFailure(const QFileDevice& file, int error, const QString& path) {
    if (error == 0 && file.error() == QFileDevice::ResourceError)
        error = ENOSPC;
    throw CFileException(error ? ClassifyErrno(error) : FileErrorCause::Generic, path);
}

// The book's lock for as long as it lives.
class CBookLock {
public:
    CBookLock(const QString& bookPath, int waitMs)
        : m_path(bookPath + QStringLiteral(".lock")), m_lock(m_path) {
        const QFileInfo lockFile(m_path);
        if (lockFile.exists() && !lockFile.isFile())
            throw CBookBusyException(bookPath, true);
        errno = 0;
        const QLockFile::LockError error = TakeFileLock(m_lock, m_path, waitMs);
        if (error == QLockFile::LockFailedError) {
            qCInfo(LogAddressBook)
                << "lock held by another program past" << waitMs << "ms" << m_path;
            throw CBookBusyException(bookPath);
        }
        // A lock that cannot be made is a folder the book cannot be saved in.
        if (error != QLockFile::NoError)
            throw CFileException(errno ? ClassifyErrno(errno) : FileErrorCause::Generic, bookPath);
    }

private:
    QString m_path;
    QLockFile m_lock;
};

} // namespace

QString CAddressBook::BusyNote(int waitMs) const {
    try {
        const CBookLock lock(m_addressBookPath, waitMs);
    } catch (const CBookBusyException& busy) {
        return busy.LockNotAFile()
                   ? busy.GetErrorMessage()
                   : QStringLiteral("Another program is using the address book %1. Until it "
                                    "has finished, adding, changing or deleting an entry waits "
                                    "for it and may fail; picking and printing work.")
                         .arg(m_addressBookPath);
    } catch (const CException&) {
        // A folder the lock cannot be made in is said by the first change.
    }
    return {};
}

void CAddressBook::SaveAddressBook() {
    m_backupNote.clear();
    const CBookLock lock(m_addressBookPath, m_lockWaitMs);
    Save();
}

bool CAddressBook::Edit(const std::function<bool()>& change) {
    m_backupNote.clear();
    const CBookLock lock(m_addressBookPath, m_lockWaitMs);
    ReloadIfChangedOnDisk();
    if (!change())
        return false;
    Save();
    return true;
}

void CAddressBook::Save() {
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
    // and the new one is not written when it cannot be. A save that failed
    // after keeping it does not keep it twice.
    if (LoadWasIncomplete() && m_load.keptAs.isEmpty() && (target.exists() || target.isSymLink()))
        m_load.keptAs = KeepBackup(path);

    errno = 0;
    if (!file.commit())
        ThrowFileFailure(file, errno, path);
    qCInfo(LogAddressBook) << "saved" << path << "entries" << m_records.size()
                           << (m_load.keptAs.isEmpty() ? QString() : "kept " + m_load.keptAs);
    if (!m_load.keptAs.isEmpty())
        m_backupNote =
            LoadProblem() + QStringLiteral(" The file as it was is kept as %1.").arg(m_load.keptAs);
    m_load = {};
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
    Edit([&] {
        InsertAddress(address);
        return true;
    });
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
