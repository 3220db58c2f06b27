#pragma once

#include <QByteArray>
#include <QString>

#include <QList>

#include <optional>
#include <variant>

class CRegistryKey;

// The per-user settings of the program, kept in the registry stand-in.
//
// Profile values live under Software\<company>\<profile name>\<section> and
// go through the profile operations, which create that path each time they
// run, reads included. Raw byte values live under the fixed direct path
// Software\Torvane Software\PELVARO\Pelvaro.
//
// Nothing here reports a failure to the user: reads fall back to their
// defaults, failed writes return false and leave the stored value as it was.
class CSettingsStore {
public:
    static constexpr const char* kCompanyName = "Torvane Software";
    static constexpr const char* kSection = "Pelvaro";
    static constexpr const char* kDirectPath = "Software\\Torvane Software\\PELVARO\\Pelvaro";

    // companyName as given to SetRegistryKey; profileName is the
    // application name.
    CSettingsStore(QString companyName, QString profileName);

    QString GetProfileString(const QString& section, const QString& entry,
                             const QString& defaultValue = QString()) const;
    int GetProfileInt(const QString& section, const QString& entry, int defaultValue) const;
    bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
    bool WriteProfileInt(const QString& section, const QString& entry, int value);

    // One profile value to write: a string goes as REG_SZ, a number as
    // REG_DWORD, exactly as the single writes store them.
    struct ProfileValue {
        QString entry;
        std::variant<QString, int> value;
    };
    // Writes several profile values in the given order as one change of the
    // store: one lock, one rewrite, one wait for the disk. Either all of them
    // are stored or none is.
    bool WriteProfileValues(const QString& section, const QList<ProfileValue>& values);

    // A raw value under the direct path with exactly its stored bytes, or
    // nothing when the key or the value is missing.
    std::optional<QByteArray> ReadBinaryValue(const QString& name) const;
    // The same, but only when the value holds exactly `size` bytes.
    std::optional<QByteArray> ReadFixedBinaryValue(const QString& name, qsizetype size) const;
    // Creates the direct path when missing and stores a REG_BINARY value.
    bool WriteBinaryValue(const QString& name, const QByteArray& bytes);
    // Stores several of them in the given order as one change of the store,
    // each exactly as the single write stores it: all of them or none.
    struct BinaryValue {
        QString name;
        QByteArray bytes;
    };
    bool WriteBinaryValues(const QList<BinaryValue>& values);

    // Values of the program's own, in a subkey of the direct path that the
    // stored values above never share. Reading creates nothing.
    std::optional<QString> ReadOwnString(const QString& subKey, const QString& name) const;
    bool WriteOwnString(const QString& subKey, const QString& name, const QString& value);
    // True when the value is gone, whether or not it was there.
    bool DeleteOwnValue(const QString& subKey, const QString& name);

private:
    // Creates Software\<company>\<profile name>\<section> as far as missing.
    bool OpenSectionKey(const QString& section, CRegistryKey& key) const;

    QString m_companyName;
    QString m_profileName;
};
