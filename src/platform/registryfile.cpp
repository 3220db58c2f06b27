#include "registryfile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QThread>

namespace {

bool WriteAtomically(const QString& path, const QByteArray& bytes) {
    // A file made read-only keeps its contents even for root, whom the
    // system would let replace it.
    constexpr auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    const QFileInfo target(path);
    if (target.exists() && !(target.permissions() & anyWrite))
        return false;
    QSaveFile file(path);
    // Writing in place would leave a cut file behind a failure.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() can report success after a failed flush, so both are checked.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

CRegistryFile::CRegistryFile(QString path) : m_path(std::move(path)) {}

QString CRegistryFile::DefaultPath() {
    // The base directory convention says a relative XDG_CONFIG_HOME is
    // invalid and must be ignored.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config)) {
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty() || QDir::isRelativePath(home))
            home = QDir::homePath();
        config = home + QStringLiteral("/.config");
    }
    return QDir::cleanPath(config) + QStringLiteral("/Torvane Software/registry.reg");
}

bool CRegistryFile::ReadBytes(QByteArray& bytes) const {
    bytes.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return !QFileInfo::exists(m_path);
    bytes = file.read(kMaxFileSize + 1);
    const bool whole = file.error() == QFileDevice::NoError && bytes.size() <= kMaxFileSize;
    if (bytes.size() > kMaxFileSize)
        bytes.truncate(kMaxFileSize);
    return whole;
}

CRegistryHive CRegistryFile::Load(bool* complete) const {
    QByteArray bytes;
    const bool whole = ReadBytes(bytes);
    if (complete)
        *complete = whole;
    return CRegistryHive::Parse(bytes);
}

bool CRegistryFile::Update(const std::function<bool(CRegistryHive&)>& change,
                           CRegistryHive* updated) const {
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return false;
    QLockFile lock(m_path + QStringLiteral(".lock"));
    // QLockFile's own wait doubles its pause each time, up to seconds, and
    // then rarely finds the gap between two writes of a busy peer; short
    // uneven pauses do.
    const QDeadlineTimer deadline(kLockTimeoutMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        // A copy killed between making the lock file and writing its process
        // id into it leaves a lock that names nobody, which QLockFile would
        // only break after 30 s. A live holder names itself at once, so a
        // nameless lock a second old is broken at the next try.
        qint64 pid = 0;
        QString host;
        QString application;
        lock.setStaleLockTime(lock.getLockInfo(&pid, &host, &application) ? 30000 : 1000);
        QThread::msleep(QRandomGenerator::global()->bounded(1, 8));
    }

    QByteArray bytes;
    // Rewriting a file that was not read whole would drop what was not read.
    if (!ReadBytes(bytes))
        return false;
    const CRegistryHive stored = CRegistryHive::Parse(bytes);
    CRegistryHive hive = stored;
    if (!change(hive))
        return false;
    if (!(hive == stored)) {
        // Lines that could not be read are not written again; the damaged
        // file is kept beside the new one for whoever wants to look at it.
        if (stored.DamagedLines() > 0)
            WriteAtomically(m_path + QStringLiteral(".bak"), bytes);
        if (!WriteAtomically(m_path, hive.Serialize()))
            return false;
    }
    if (updated)
        *updated = std::move(hive);
    return true;
}
