#pragma once

#include <QString>

#include <functional>

// Files that must not outlive the process: a named temporary file that a
// writer opens by its name (the PDF writer) stays behind when the process is
// stopped with Ctrl-C, by a scheduler's SIGTERM or a closed terminal's
// SIGHUP. While registered, such a file is removed on SIGINT, SIGTERM and
// SIGHUP before the signal takes its usual course. A signal the process was
// told to ignore (nohup) stays ignored.
class CSignalCleanup {
public:
    // Gives the file its name with nameTheFile, which returns the path,
    // and registers it for as long as the object lives. The three signals
    // wait meanwhile: one that came after the name but before the
    // registration would leave the file behind. A path that does not fit
    // the fixed room the handler works in is left unregistered.
    explicit CSignalCleanup(const std::function<QString()>& nameTheFile);
    ~CSignalCleanup();
    CSignalCleanup(const CSignalCleanup&) = delete;
    CSignalCleanup& operator=(const CSignalCleanup&) = delete;

    const QString& Path() const { return m_path; }

private:
    void Register();

    QString m_path;
    int m_slot = -1;
};
