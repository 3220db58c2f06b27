#include "platform/outputfile.h"

#include "platform/logging.h"
#include "platform/signalcleanup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QMutex g_ownFilesMutex;
QStringList g_ownFiles;

// The path that writing to `path` reaches: links followed to their end,
// even one that leads to a file not yet made.
QString ResolvedPath(const QString& path) {
    QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    // A chain of links that leads nowhere is followed by hand, up to a
    // limit that a loop reaches.
    for (int hops = 0; info.isSymLink() && hops < 40; ++hops) {
        QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
        info = QFileInfo(info.symLinkTarget());
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

#ifdef Q_OS_UNIX
bool StatPath(const QString& path, struct stat& info) {
    return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

// What a new file of the user's gets: 0666 less the umask, read without
// changing it, as other threads may be making files.
mode_t NewFileMode() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return 0666 & ~mask;
            }
        }
    }
    return 0644;
}
#endif

// The names that belong with a data file: itself, its backups, its lock.
bool IsCompanionName(const QString& name, const QString& base) {
    return name == base || name == base + QStringLiteral(".bak") ||
           name.startsWith(base + QStringLiteral(".bak.")) ||
           name == base + QStringLiteral(".lock");
}

// Marks the hidden temporary names of outputs as Pelvaro's.
const QString kTemporaryMark = QStringLiteral(".pelvaro-");

#ifdef Q_OS_UNIX
// Removes one leftover, when it is the user's own regular file, older than
// the job, and no running job holds its lock.
bool RemoveLeftover(const QString& path, const QDateTime& before) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    const qint64 modifiedMs = ::fstat(fd, &info) == 0 ? qint64(info.st_mtim.tv_sec) * 1000 +
                                                            info.st_mtim.tv_nsec / 1000000
                                                      : 0;
    const bool stale = S_ISREG(info.st_mode) && info.st_uid == ::getuid() && modifiedMs > 0 &&
                       modifiedMs < before.toMSecsSinceEpoch() &&
                       ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const bool removed = stale && ::unlink(name.constData()) == 0;
    ::close(fd);
    return removed;
}
#endif

} // namespace

QString TemporaryTemplate(const QString& target) {
    const QFileInfo file(target);
    return file.absolutePath() + QStringLiteral("/.") + file.fileName() + kTemporaryMark +
           QStringLiteral("XXXXXX");
}

int SweepLeftovers(const QString& folder, const QDateTime& before) {
    int removed = 0;
#ifdef Q_OS_UNIX
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral(".*") + kTemporaryMark + "??????"},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (RemoveLeftover(dir.filePath(name), before)) {
            qCInfo(LogPlatform) << "removed what a stopped job left:" << dir.filePath(name);
            ++removed;
        }
    }
#else
    Q_UNUSED(before);
#endif
    return removed;
}

namespace {
QList<QString (*)()> g_ownFilesAt;
} // namespace

void ProtectOwnFileAt(QString (*pathNow)()) {
    const QMutexLocker locker(&g_ownFilesMutex);
    if (!g_ownFilesAt.contains(pathNow))
        g_ownFilesAt.append(pathNow);
}

void ProtectOwnFile(const QString& path) {
    const QString resolved = ResolvedPath(path);
    const QMutexLocker locker(&g_ownFilesMutex);
    if (!g_ownFiles.contains(resolved))
        g_ownFiles.append(resolved);
}

bool IsOwnFile(const QString& path) {
    QStringList own;
    QList<QString (*)()> ownAt;
    {
        const QMutexLocker locker(&g_ownFilesMutex);
        own = g_ownFiles;
        ownAt = g_ownFilesAt;
    }
    for (QString (*pathNow)() : std::as_const(ownAt))
        own.append(ResolvedPath(pathNow()));
    const QString target = ResolvedPath(path);
    const QFileInfo targetInfo(target);
    for (const QString& file : std::as_const(own)) {
        const QFileInfo ownInfo(file);
        if (targetInfo.absolutePath() == ownInfo.absolutePath() &&
            IsCompanionName(targetInfo.fileName(), ownInfo.fileName()))
            return true;
#ifdef Q_OS_UNIX
        // A second name for the same file (a hard link) is the same file.
        struct stat a {
        }, b{};
        if (StatPath(target, a) && StatPath(file, b) && a.st_dev == b.st_dev &&
            a.st_ino == b.st_ino)
            return true;
#endif
    }
    return false;
}

QString WhyNotWritable(const QString& path) {
    if (IsOwnFile(path))
        return QStringLiteral("it is one of Pelvaro's own data files (the address book or the "
                              "settings)");
    const QString resolved = ResolvedPath(path);
#ifdef Q_OS_UNIX
    struct stat info {};
    if (!StatPath(resolved, info))
        return QString();
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("it is a folder");
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a regular file");
    // A file made read-only keeps its contents even for root, whom the
    // system would let replace it.
    if (!(info.st_mode & 0222) || ::access(QFile::encodeName(resolved).constData(), W_OK) != 0)
        return QStringLiteral("it is read-only");
#else
    const QFileInfo info(resolved);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    if (info.exists() && !info.isWritable())
        return QStringLiteral("it is read-only");
#endif
    return QString();
}

COutputFile::COutputFile(QString target) : m_target(std::move(target)) {}

COutputFile::~COutputFile() {
    Discard();
}

bool COutputFile::Fail(int error) {
    m_cause = error ? ClassifyErrno(error) : FileErrorCause::Generic;
    m_systemError = qt_error_string(error ? error : EIO);
    qCInfo(LogPlatform) << "not written" << m_target << m_systemError;
    Discard();
    return false;
}

bool COutputFile::Refuse(const QString& reason) {
    qCInfo(LogPlatform) << "not written" << m_target << reason;
    m_cause = FileErrorCause::AccessDenied;
    m_reason = reason;
    Discard();
    return false;
}

bool COutputFile::Open() {
    m_cause = FileErrorCause::None;
    m_reason.clear();
    m_systemError.clear();
    m_resolved = ResolvedPath(m_target);
    if (const QString why = WhyNotWritable(m_target); !why.isEmpty())
        return Refuse(why);
    const QDateTime started = QDateTime::currentDateTimeUtc();
    // Hidden beside the target, so that the rename stays on one file system;
    // QTemporaryFile makes it 0600, and names it only when asked to.
    m_file = std::make_unique<QTemporaryFile>(TemporaryTemplate(m_resolved));
    errno = 0;
    if (!m_file->open())
        return Fail(errno ? errno : ENOENT);
#ifdef Q_OS_UNIX
    // Held until the file is renamed or dropped: a sweep by another job
    // leaves a file alone while its writer runs.
    ::flock(m_file->handle(), LOCK_SH | LOCK_NB);
#endif
    // Once per folder: a job of many pictures opens one output a page.
    static QMutex mutex;
    static QStringList swept;
    const QString folder = QFileInfo(m_resolved).absolutePath();
    const QMutexLocker locker(&mutex);
    if (!swept.contains(folder)) {
        swept.append(folder);
        SweepLeftovers(folder, started);
    }
    return true;
}

QString COutputFile::TemporaryPath() {
    if (!m_file)
        return QString();
    // QTemporaryFile links an unnamed file into the folder when first asked
    // for its name: the cleanup asks, so that no signal finds it unknown.
    if (!m_cleanup)
        m_cleanup = std::make_unique<CSignalCleanup>([this] { return m_file->fileName(); });
    return m_cleanup->Path();
}

bool COutputFile::Write(QByteArrayView bytes) {
    if (!m_file)
        return false;
    errno = 0;
    if (m_file->write(bytes.data(), bytes.size()) != bytes.size())
        return Fail(errno ? errno : ENOSPC);
    return true;
}

bool COutputFile::Commit() {
    if (!m_file)
        return false;
    errno = 0;
    if (!m_file->flush())
        return Fail(errno ? errno : ENOSPC);
#ifdef Q_OS_UNIX
    // Another program may have put something else in the target's place
    // while this one wrote.
    if (const QString why = WhyNotWritable(m_target); !why.isEmpty())
        return Refuse(why);
    struct stat old {};
    const mode_t mode = StatPath(m_resolved, old) ? (old.st_mode & 07777) : NewFileMode();
    if (::fsync(m_file->handle()) != 0 || ::fchmod(m_file->handle(), mode) != 0)
        return Fail(errno);
    const QByteArray from = QFile::encodeName(m_file->fileName());
    m_file->close();
    if (m_file->error() != QFileDevice::NoError)
        return Fail(EIO);
    if (::rename(from.constData(), QFile::encodeName(m_resolved).constData()) != 0)
        return Fail(errno);
#else
    m_file->close();
    QFile::remove(m_resolved);
    if (!m_file->rename(m_resolved))
        return Fail(EACCES);
#endif
    m_file->setAutoRemove(false);
    m_file.reset();
    m_cleanup.reset();
    qCInfo(LogPlatform) << "written" << m_target;
    return true;
}

void COutputFile::Discard() {
    // QTemporaryFile removes its file as it goes.
    m_file.reset();
    m_cleanup.reset();
}

CFileException COutputFile::Failure() const {
    if (m_reason.isEmpty())
        return CFileException(m_cause, m_target);
    return CFileException(m_cause, m_target,
                          QStringLiteral("%1 was not written: %2.").arg(m_target, m_reason));
}
