#include "platform/registryfile.h"

#include "platform/appdatafolder.h"
#include "platform/backupfile.h"
#include "platform/fileexception.h"
#include "platform/filelock.h"
#include "platform/inputfile.h"
#include "platform/logging.h"
#include "platform/privatefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QMutex>
#include <QSaveFile>

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
// each parse the file again. Shared by every CRegistryFile of the process.
struct HiveCache {
    QMutex mutex;
    QString path;
    FileIdentity identity;
    std::shared_ptr<const CRegistryHive> hive;

    std::shared_ptr<const CRegistryHive> Find(const QString& forPath, const FileIdentity& of) {
        const QMutexLocker locker(&mutex);
        if (!of.known || forPath != path || !(of == identity))
            return nullptr;
        return hive;
    }
    void Keep(const QString& forPath, const FileIdentity& of,
              std::shared_ptr<const CRegistryHive> parsed) {
        const QMutexLocker locker(&mutex);
        path = forPath;
        identity = of;
        hive = of.known ? std::move(parsed) : nullptr;
    }
};

HiveCache& Cache() {
    static HiveCache cache;
    return cache;
}

// The damaged settings files this process met, for DamageNotes.
struct DamageSeen {
    QMutex mutex;
    QMap<QString, std::pair<int, QString>> files; // damaged lines, where kept

    void Note(const QString& path, int lines, const QString& keptAs) {
        const QMutexLocker locker(&mutex);
        auto& [damaged, kept] = files[path];
        damaged = lines;
        if (!keptAs.isEmpty())
            kept = keptAs;
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

} // namespace

QStringList CRegistryFile::DamageNotes() {
    DamageSeen& seen = Damage();
    const QMutexLocker locker(&seen.mutex);
    QStringList notes;
    for (auto it = seen.files.cbegin(); it != seen.files.cend(); ++it) {
        const auto& [lines, kept] = it.value();
        QString note = QStringLiteral("The settings file %1 is damaged: %2 could not be read.")
                           .arg(it.key(), lines == 1 ? QStringLiteral("1 line")
                                                     : QStringLiteral("%1 lines").arg(lines));
        if (!kept.isEmpty())
            note += QStringLiteral(" It is kept as %1; the settings were written again without "
                                   "what could not be read.")
                        .arg(kept);
        notes << note;
    }
    return notes;
}

CRegistryFile::CRegistryFile(QString path) : m_path(std::move(path)) {}

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

std::shared_ptr<const CRegistryHive> CRegistryFile::Read(bool& complete) const {
    complete = true;
    QFile file(m_path);
    try {
        // A pipe in the file's place would hold the program for ever.
        OpenRegularFile(file);
    } catch (const CFileException& e) {
        complete = e.GetCause() == FileErrorCause::FileNotFound;
        return std::make_shared<const CRegistryHive>();
    }
    const FileIdentity identity = IdentifyOpenFile(file.handle());
    if (auto cached = Cache().Find(m_path, identity))
        return cached;
    // Asked for as much as the file holds and one byte more, as asking for
    // the limit would reserve that much; a file that grew meanwhile is read
    // on, up to one byte past the limit, to tell one that is too large.
    const qint64 size = qBound<qint64>(0, file.size(), kMaxFileSize);
    QByteArray read = file.read(size + 1);
    if (read.size() > size && read.size() <= kMaxFileSize)
        read += file.read(kMaxFileSize + 1 - read.size());
    complete = file.error() == QFileDevice::NoError && read.size() <= kMaxFileSize;
    if (read.size() > kMaxFileSize)
        read.truncate(kMaxFileSize);
    auto hive = std::make_shared<const CRegistryHive>(CRegistryHive::Parse(read));
    qCInfo(LogPlatform) << "read" << m_path << read.size() << "bytes, damaged lines"
                        << hive->DamagedLines();
    if (hive->DamagedLines() > 0)
        Damage().Note(m_path, hive->DamagedLines(), QString());
    // A file that was not read whole is read again next time.
    if (complete)
        Cache().Keep(m_path, identity, hive);
    return hive;
}

std::shared_ptr<const CRegistryHive> CRegistryFile::LoadShared(bool* complete) const {
    bool whole = true;
    auto hive = Read(whole);
    if (complete)
        *complete = whole;
    return hive;
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
        bool whole = true;
        const std::shared_ptr<const CRegistryHive> stored = Read(whole);
        CRegistryHive unchanged = *stored;
        if (whole && stored->DamagedLines() == 0 && change(unchanged) && unchanged == *stored) {
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

    bool whole = true;
    // Rewriting a file that was not read whole would drop what was not read.
    const std::shared_ptr<const CRegistryHive> stored = Read(whole);
    if (!whole)
        return false;
    CRegistryHive hive = *stored;
    if (!change(hive))
        return false;
    if (!(hive == *stored)) {
        // Lines that could not be read are not written again; the damaged
        // file is kept beside the new one for whoever wants to look at it.
        // When it cannot be kept, the damaged file stays as it is.
        if (stored->DamagedLines() > 0) {
            try {
                Damage().Note(m_path, stored->DamagedLines(), KeepBackup(m_path));
            } catch (const CFileException&) {
                return false;
            }
        }
        FileIdentity identity;
        if (!WriteAtomically(m_path, hive.Serialize(), &identity)) {
            qCInfo(LogPlatform) << "not written" << m_path;
            return false;
        }
        // What was just written reads back as this hive.
        hive.ClearDamagedLines();
        Cache().Keep(m_path, identity, std::make_shared<const CRegistryHive>(hive));
    }
    if (updated)
        *updated = std::move(hive);
    return true;
}
