#pragma once

#include "settings/registryfile.h"
#include "settings/registryhive.h"

#include <QByteArray>
#include <QString>

#include <memory>

// What a registry operation came to, as the registry's own calls report it.
enum class RegistryStatus {
    Success,
    NotFound, // no such key or value
    MoreData, // the value is longer than the buffer offered for it
    Failed,   // the key is not open, or the hive file could not be written
};

// An open key of the per-user hive file, used the way the registry's own
// calls are: open or create a subkey, ask a value's size, read it into a
// buffer of a given size, set it, close.
//
// A key reads the hive as it was when HKEY_CURRENT_USER was opened, plus
// its own writes; every write goes to the file at once. Software under
// HKEY_CURRENT_USER always exists.
class CRegistryKey {
public:
    CRegistryKey() = default;

    // HKEY_CURRENT_USER of the given hive file, freshly read.
    static CRegistryKey CurrentUser(const QString& hiveFile = CRegistryFile::DefaultPath());

    bool IsOpen() const { return m_hive != nullptr; }
    // The key's full path as stored, "HKEY_CURRENT_USER\...".
    const QString& Path() const { return m_path; }

    // An existing subkey; subKey may name several levels.
    RegistryStatus Open(const QString& subKey, CRegistryKey& result) const;
    // The subkey, created with every missing level above it.
    RegistryStatus Create(const QString& subKey, CRegistryKey& result) const;

    RegistryStatus QueryValueSize(const QString& name, qsizetype& size,
                                  quint32* type = nullptr) const;
    // The value's bytes when it holds at most bufferSize bytes; MoreData
    // when it holds more. The type is reported, not checked.
    RegistryStatus QueryValue(const QString& name, qsizetype bufferSize, QByteArray& data,
                              quint32* type = nullptr) const;
    RegistryStatus SetValue(const QString& name, quint32 type, QByteArrayView data);
    // NotFound when there is no such value.
    RegistryStatus DeleteValue(const QString& name);

    void Close();

private:
    CRegistryKey(QString hiveFile, QString path, std::shared_ptr<const CRegistryHive> hive);
    QString SubKeyPath(const QString& subKey) const;

    QString m_hiveFile;
    QString m_path;
    std::shared_ptr<const CRegistryHive> m_hive;
};
