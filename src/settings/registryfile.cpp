#include "settings/registryfile.h"

#include "platform/appdatafolder.h"
#include "platform/backupfile.h"
#include "platform/fileexception.h"
#include "platform/filelock.h"
#include "platform/inputfile.h"
#include "platform/outputfile.h"
#include "platform/privatefiles.h"
#include "settings/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QMutex>
#include <QSaveFile>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// What tells one stored version of the file from another: every write
// replaces the file (a new inode) and an edit in place changes its time or
// size. Nothing is known where the system cannot say.
struct FileIdentity {
    bool known = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

FileIdentity IdentifyOpenFile(int handle) {
    FileIdentity identity;
#ifdef Q_OS_UNIX
    struct stat info {};
    if (handle >= 0 && ::fstat(handle, &info) == 0) {
        identity.known = true;
        identity.device = static_cast<quint64>(info.st_dev);
        identity.inode = static_cast<quint64>(info.st_ino);
        identity.size = static_cast<qint64>(info.st_size);
        identity.modifiedNs =
            static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    }
#else
    Q_UNUSED(handle);
#endif
    return identity;
}

// The hive last read or written, so that the many reads of one start do not
// each parse the file again, whether it could be read whole or not. Shared by
// every CRegistryFile of the process.
struct HiveCache {
    QMutex mutex;
    QString path;
    FileIdentity identity;
    StoredHive stored;

    std::optional<StoredHive> Find(const QString& forPath, const FileIdentity& of) {
        const QMutexLocker locker(&mutex);
        if (!of.known || forPath != path || !(of == identity) || !stored.hive)
            return std::nullopt;
        return stored;
    }
    void Keep(const QString& forPath, const FileIdentity& of, StoredHive parsed) {
        const QMutexLocker locker(&mutex);
        path = forPath;
        identity = of;
        stored = of.known ? std::move(parsed) : StoredHive();
    }
};

HiveCache& Cache() {
    static HiveCache cache;
    return cache;
}

// The damaged, oversized and unreadable settings files this process met,
// for DamageNotes.
struct DamageSeen {
    struct Problem {
        int damagedLines = 0;
        qint64 tooLargeSize = 0; // bytes, when past the limit
        QString unreadable;      // why the file could not be read at all
        QString keptAs;
    };
    QMutex mutex;
    QMap<QString, Problem> files;

    void Note(const QString& path, const std::function<void(Problem&)>& note) {
        const QMutexLocker locker(&mutex);
        note(files[path]);
    }
};

DamageSeen& Damage() {
    static DamageSeen seen;
    return seen;
}

// Replaces the file with bytes, or leaves it as it was. identity receives
// the new file's.
bool WriteAtomically(const QString& path, const QByteArray& bytes,
                     FileIdentity* identity = nullptr) {
    // A file made read-only keeps its contents even for root, whom the
    // system would let replace it.
    constexpr auto kAnyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const QFileInfo target(path);
    if (target.exists() && !(target.permissions() & kAnyWrite))
        return false;
    QSaveFile file(path);
    // Writing in place would leave a cut file behind a failure.
    file.setDirectWriteFallback(false);
    if (!OpenPrivateSaveFile(file))
        return false;
    // commit() can report success after a failed flush, so both are checked.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    // The file keeps its inode, size and time when it takes the target's name.
    if (identity)
        *identity = IdentifyOpenFile(file.handle());
    return file.commit();
}

// Whole megabytes, rounded up: a file just past the limit is not "64 MB".
qint64 MegaBytes(qint64 bytes) {
    constexpr qint64 kMegaByte = qint64(1) << 20;
    return (bytes + kMegaByte - 1) / kMegaByte;
}

} // namespace

QStringList CRegistryFile::DamageNotes() {
    DamageSeen& seen = Damage();
    const QMutexLocker locker(&seen.mutex);
    QStringList notes;
    for (auto it = seen.files.cbegin(); it != seen.files.cend(); ++it) {
        const DamageSeen::Problem& problem = it.value();
        if (!problem.unreadable.isEmpty()) {
            notes
                << QStringLiteral("The stored settings were not used: %1").arg(problem.unreadable);
            continue;
        }
        QString note;
        if (problem.tooLargeSize > 0)
            note = QStringLiteral("The settings file %1 is too large (%2 MB; at most %3 MB are "
                                  "read), so only its beginning was read.")
                       .arg(it.key())
                       .arg(MegaBytes(problem.tooLargeSize))
                       .arg(MegaBytes(kMaxFileSize));
        else
            note = QStringLiteral("The settings file %1 is damaged: %2 could not be read.")
                       .arg(it.key(), problem.damagedLines == 1
                                          ? QStringLiteral("1 line")
                                          : QStringLiteral("%1 lines").arg(problem.damagedLines));
        if (!problem.keptAs.isEmpty())
            note += QStringLiteral(" It is kept as %1; the settings were written again without "
                                   "what could not be read.")
                        .arg(problem.keptAs);
        notes << note;
    }
    return notes;
}

CRegistryFile::CRegistryFile(QString path) : m_path(std::move(path)) {
    // No output of either program lands on the settings file, wherever the
    // environment puts it.
    ProtectOwnFileAt(&CRegistryFile::DefaultPath);
}

QString CRegistryFile::DefaultPath() {
    // The base directory convention says a relative XDG_CONFIG_HOME is
    // invalid and must be ignored.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        const QString home = HomeFolder();
        config = (home.isEmpty() ? QDir::rootPath() : home) + QStringLiteral("/.config");
    }
    return QDir::cleanPath(config) + QStringLiteral("/Torvane Software/registry.reg");
}

StoredHive CRegistryFile::Read() const {
    QFile file(m_path);
    try {
        // A pipe in the file's place would hold the program for ever.
        OpenRegularFile(file);
    } catch (const CFileException& e) {
        const bool missing = e.GetCause() == FileErrorCause::FileNotFound;
        if (!missing)
            Damage().Note(m_path, [&](auto& problem) { problem.unreadable = e.GetErrorMessage(); });
        return {std::make_shared<const CRegistryHive>(), missing};
    }
    const FileIdentity identity = IdentifyOpenFile(file.handle());
    if (auto cached = Cache().Find(m_path, identity))
        return *cached;
    // Asked for as much as the file holds and one byte more, as asking for
    // the limit would reserve that much; a file that grew meanwhile is read
    // on, up to one byte past the limit, to tell one that is too large.
    const qint64 size = qBound<qint64>(0, file.size(), kMaxFileSize);
    QByteArray read = file.read(size + 1);
    if (read.size() > size && read.size() <= kMaxFileSize)
        read += file.read(kMaxFileSize + 1 - read.size());
    StoredHive stored;
    stored.tooLarge = read.size() > kMaxFileSize;
    stored.complete = file.error() == QFileDevice::NoError && !stored.tooLarge;
    if (stored.tooLarge)
        read.truncate(kMaxFileSize);
    stored.hive = std::make_shared<const CRegistryHive>(CRegistryHive::Parse(read));
    const int damaged = stored.hive->DamagedLines();
    qCInfo(LogSettings) << "read" << m_path << read.size() << "bytes, damaged lines" << damaged
                        << (stored.tooLarge ? "too large" : "");
    if (damaged > 0 || stored.tooLarge) {
        const qint64 fileSize = std::max(file.size(), kMaxFileSize + 1);
        Damage().Note(m_path, [&](auto& problem) {
            problem.damagedLines = damaged;
            problem.tooLargeSize = stored.tooLarge ? fileSize : 0;
        });
    }
    // Parsed once, whatever came of it: a file past the limit costs seconds.
    // A read that failed on the way is tried again next time.
    if (stored.complete || stored.tooLarge)
        Cache().Keep(m_path, identity, stored);
    return stored;
}

std::shared_ptr<const CRegistryHive> CRegistryFile::LoadShared(bool* complete) const {
    StoredHive stored = Read();
    if (complete)
        *complete = stored.complete;
    return std::move(stored.hive);
}

CRegistryHive CRegistryFile::Load(bool* complete) const {
    return *LoadShared(complete);
}

bool CRegistryFile::Update(const std::function<bool(CRegistryHive&)>& change,
                           CRegistryHive* updated) const {
    // A change that changes nothing in the file as it stands needs neither
    // the lock nor a write: the window's close rewrites every value it
    // keeps, mostly with what is there, and the lock costs a sync to disk.
    // Should another program change the file meanwhile, this is as if that
    // write came after ours.
    {
        const StoredHive stored = Read();
        CRegistryHive unchanged = *stored.hive;
        if (stored.complete && stored.hive->DamagedLines() == 0 && change(unchanged) &&
            unchanged == *stored.hive) {
            if (updated)
                *updated = std::move(unchanged);
            return true;
        }
    }
    if (!MakePrivatePath(QFileInfo(m_path).absolutePath()))
        return false;
    const QString lockPath = m_path + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    if (TakeFileLock(lock, lockPath, kLockTimeoutMs) != QLockFile::NoError)
        return false;

    const StoredHive stored = Read();
    // Rewriting a file that was not read whole would drop what was not read;
    // one past the limit is kept aside whole instead, below.
    if (!stored.complete && !stored.tooLarge)
        return false;
    CRegistryHive hive = *stored.hive;
    if (!change(hive))
        return false;
    if ((!(hive == *stored.hive) || stored.tooLarge) && !WriteChanged(hive, stored, change))
        return false;
    if (updated)
        *updated = std::move(hive);
    return true;
}

bool CRegistryFile::WriteChanged(CRegistryHive& hive, const StoredHive& stored,
                                 const std::function<bool(CRegistryHive&)>& change) const {
    QByteArray bytes = hive.Serialize();
    // What the beginning of an oversized file held may not fit again;
    // then the settings start afresh with this change alone.
    if (bytes.size() > kMaxFileSize) {
        hive = CRegistryHive();
        if (!change(hive))
            return false;
        bytes = hive.Serialize();
    }
    // Lines that could not be read are not written again; the damaged
    // or oversized file is kept beside the new one for whoever wants to
    // look at it. When it cannot be kept, it stays as it is.
    if (stored.hive->DamagedLines() > 0 || stored.tooLarge) {
        try {
            const QString keptAs = KeepBackup(m_path);
            Damage().Note(m_path, [&](auto& problem) { problem.keptAs = keptAs; });
        } catch (const CFileException&) {
            return false;
        }
    }
    FileIdentity identity;
    if (!WriteAtomically(m_path, bytes, &identity)) {
        qCInfo(LogSettings) << "not written" << m_path;
        return false;
    }
    // What was just written reads back as this hive.
    hive.ClearDamagedLines();
    Cache().Keep(m_path, identity, {std::make_shared<const CRegistryHive>(hive), true, false});
    return true;
}
