#pragma once

#include "platform/fileexception.h"

#include <QDateTime>
#include <QString>
#include <QTemporaryFile>

#include <memory>

class CSignalCleanup;

// A file the user asked for (a PDF, a picture, an exported book), written so
// that the target is either the old file or the whole new one: the writing
// goes to a temporary file in the target's folder, readable by the user
// alone while it is written, that takes the target's name only once every
// write, the flush and the sync went through. Nothing truncates the old
// file first, and only a regular file or a missing one is ever replaced.
class COutputFile {
public:
    explicit COutputFile(QString target);
    // Removes the temporary file when the output was not committed.
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Checks the target and makes the temporary file. False with Cause() and
    // Why() set when the target must not or cannot be written.
    bool Open();
    // Where writers that open a file by name (the PDF writer) write. Only
    // then does the temporary file get a name: it is removed on Ctrl-C,
    // SIGTERM and SIGHUP, and one that a killed job left behind is removed
    // by the next output to its folder.
    QString TemporaryPath();
    // Writes to the temporary file; false, with the cause, when not all of
    // it could be written.
    bool Write(QByteArrayView bytes);
    // Syncs the temporary file and renames it over the target; the new file
    // gets the old one's permissions, or those a new file of the user's gets.
    bool Commit();
    // Drops what was written; the target stays as it was.
    void Discard();

    FileErrorCause Cause() const { return m_cause; }
    // Why, in words: the reason for a refusal, else what the system said.
    QString Why() const { return m_reason.isEmpty() ? m_systemError : m_reason; }
    // The failure as the exception that callers raise for it.
    CFileException Failure() const;

private:
    bool Fail(int error);
    bool Refuse(const QString& reason);

    QString m_target;
    QString m_resolved;
    std::unique_ptr<QTemporaryFile> m_file;
    std::unique_ptr<CSignalCleanup> m_cleanup;
    FileErrorCause m_cause = FileErrorCause::None;
    QString m_reason;
    QString m_systemError;
};

// The name a temporary file of an output to `target` takes when it is named:
// hidden, beside the target, and marked as Pelvaro's own, so that one left
// behind by a job that was killed can be told from other programs' files.
QString TemporaryTemplate(const QString& target);

// Removes the named temporary files that outputs of Pelvaro's left in
// `folder` when they were killed: only files of the user's own that took
// Pelvaro's hidden name before `before`, and that no running job holds.
// Returns how many were removed. Open() does this once per folder.
int SweepLeftovers(const QString& folder, const QDateTime& before);

// Says why a file must not be written to: one of the program's own data
// files (see ProtectOwnFile), a device, a FIFO, a folder or a file made
// read-only. Empty when it may be; a missing file may be.
QString WhyNotWritable(const QString& path);

// Registers a data file of the program's own (the address book): no output
// the user asks for may replace it, its backups or its lock. The settings
// file is always protected.
void ProtectOwnFile(const QString& path);
// The same for a file whose place is known only when asked (it follows the
// environment, as the settings file does): pathNow is asked at each check.
void ProtectOwnFileAt(QString (*pathNow)());
// True when the path leads, after links, to one of those files.
bool IsOwnFile(const QString& path);
