#pragma once

#include <QString>

// Files that must not outlive the process: a named temporary file that a
// writer opens by its name (the PDF writer) stays behind when the process is
// stopped with Ctrl-C, by a scheduler's SIGTERM or a closed terminal's
// SIGHUP. While registered, such a file is removed on SIGINT, SIGTERM and
// SIGHUP before the signal takes its usual course. A signal the process was
// told to ignore (nohup) stays ignored.
class CSignalCleanup {
public:
    // Registers the file for as long as the object lives. A path that does
    // not fit the fixed room the handler works in is left unregistered.
    explicit CSignalCleanup(const QString& path);
    ~CSignalCleanup();
    CSignalCleanup(const CSignalCleanup&) = delete;
    CSignalCleanup& operator=(const CSignalCleanup&) = delete;

private:
    int m_slot = -1;
};
