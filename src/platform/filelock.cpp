#include "platform/filelock.h"

#include "platform/logging.h"
#include "platform/privatefiles.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QThread>

QLockFile::LockError TakeFileLock(QLockFile& lock, const QString& lockPath, int waitMs) {
    // QLockFile's own wait doubles its pause each time, up to seconds, and
    // then rarely finds the gap between two writes of a busy peer; short
    // uneven pauses do.
    const QDeadlineTimer deadline(waitMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) {
            qCInfo(LogPlatform) << "no lock" << lockPath << "error" << lock.error();
            return lock.error();
        }
        // A live holder names itself at once, so a nameless lock a second
        // old is broken at the next try; QLockFile alone would wait 30 s.
        qint64 pid = 0;
        QString host;
        QString application;
        lock.setStaleLockTime(lock.getLockInfo(&pid, &host, &application) ? 30000 : 1000);
        QThread::msleep(QRandomGenerator::global()->bounded(1, 8));
    }
    // QLockFile makes its file with the umask's permissions; what it holds
    // is the user's business alone.
    QFile::setPermissions(lockPath, kPrivateFilePermissions);
    return QLockFile::NoError;
}
