#pragma once

#include "settings/registryhive.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A hive as read from the file: complete is false when the file exists but
// could not be read whole; tooLarge when it is past the limit, and hive then
// holds what its beginning gave.
struct StoredHive {
    std::shared_ptr<const CRegistryHive> hive;
    bool complete = true;
    bool tooLarge = false;
};

// The hive file that stands for HKEY_CURRENT_USER, shared by every running
// copy of the program.
//
// Reads take no lock: the file is only ever replaced whole, so a reader sees
// either the old or the new contents. Each write takes the lock, reads the
// file again, applies only its own change and replaces the file atomically,
// so two copies writing at once lose nothing but each other's older value
// of the same name.
//
// The hive last read or written is kept with the file's identity (inode,
// size, modification time): a read finds the file unchanged with one fstat
// instead of parsing it again, and any write by another copy, which
// replaces the file, is seen at the next read.
class CRegistryFile {
public:
    // A larger file is read only up to here; the first write keeps it
    // aside whole as a backup and starts a new file from what was read.
    static constexpr qint64 kMaxFileSize = qint64(64) << 20;
    static constexpr int kLockTimeoutMs = 10000;

    explicit CRegistryFile(QString path = DefaultPath());

    // $XDG_CONFIG_HOME/Torvane Software/registry.reg, ~/.config standing in
    // for a missing or relative XDG_CONFIG_HOME.
    static QString DefaultPath();
    const QString& Path() const { return m_path; }

    // The hive as stored; empty when there is no file. complete is false when
    // the file exists but could not be read whole.
    CRegistryHive Load(bool* complete = nullptr) const;
    std::shared_ptr<const CRegistryHive> LoadShared(bool* complete = nullptr) const;

    // Applies change to the stored hive under the lock and writes the result
    // when it differs. change returns false when it cannot be made. On
    // success, updated (if given) receives the hive as now stored. A change
    // that leaves the file as it is takes no lock. change may run twice.
    bool Update(const std::function<bool(CRegistryHive&)>& change,
                CRegistryHive* updated = nullptr) const;

    // One sentence for each damaged, oversized or unreadable settings file
    // this process met: how many lines could not be read, or why the file
    // was not read whole or at all and, once it was written over, where the
    // old file is kept (registry.reg.bak, or .bak.1, .bak.2... when that is
    // taken; an older backup is never replaced). A file that cannot be kept
    // is not written over.
    static QStringList DamageNotes();

private:
    // The stored hive, from the kept one when the file has not changed.
    StoredHive Read() const;
    // Writes hive, changed from stored, whole in the file's place; keeps a
    // damaged or oversized file aside first.
    bool WriteChanged(CRegistryHive& hive, const StoredHive& stored,
                      const std::function<bool(CRegistryHive&)>& change) const;

    QString m_path;
};
