#include "settings/settingsstore.h"

#include "platform/outputfile.h"
#include "settings/logging.h"
#include "settings/registryfile.h"
#include "settings/registryhive.h"
#include "settings/registrykey.h"

#include <QtEndian>

namespace {

// A string value's text: whole UTF-16 units up to the first NUL.
QString TextUpToNul(const QByteArray& data) {
    QString text;
    text.reserve(data.size() / 2);
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = qFromLittleEndian<quint16>(data.constData() + i);
        if (unit == 0)
            break;
        text += QChar(unit);
    }
    return text;
}

} // namespace

CSettingsStore::CSettingsStore(QString companyName, QString profileName)
    : m_companyName(std::move(companyName)), m_profileName(std::move(profileName)) {
    // No output of either program lands on the settings file, wherever the
    // environment puts it, whether or not the file has been read yet.
    ProtectOwnFileAt(&CRegistryFile::DefaultPath);
}

bool CSettingsStore::OpenSectionKey(const QString& section, CRegistryKey& key) const {
    // Software itself is opened, never created; the levels below it are
    // created on every call, so a read makes the whole path too.
    CRegistryKey software;
    if (CRegistryKey::CurrentUser().Open(QStringLiteral("software"), software) !=
        RegistryStatus::Success)
        return false;
    CRegistryKey company;
    if (software.Create(m_companyName, company) != RegistryStatus::Success)
        return false;
    CRegistryKey profile;
    if (company.Create(m_profileName, profile) != RegistryStatus::Success)
        return false;
    return profile.Create(section, key) == RegistryStatus::Success;
}

QString CSettingsStore::GetProfileString(const QString& section, const QString& entry,
                                         const QString& defaultValue) const {
    CRegistryKey key;
    if (!OpenSectionKey(section, key))
        return defaultValue;
    qsizetype size = 0;
    if (key.QueryValueSize(entry, size) != RegistryStatus::Success)
        return defaultValue;
    QByteArray data;
    if (key.QueryValue(entry, size, data) != RegistryStatus::Success)
        return defaultValue;
    // Whatever the type.
    return TextUpToNul(data);
}

int CSettingsStore::GetProfileInt(const QString& section, const QString& entry,
                                  int defaultValue) const {
    CRegistryKey key;
    if (!OpenSectionKey(section, key))
        return defaultValue;
    QByteArray data;
    // A shorter value would leave part of the number unset, so only four
    // bytes count; the type is not looked at.
    if (key.QueryValue(entry, 4, data) != RegistryStatus::Success || data.size() != 4)
        return defaultValue;
    return qFromLittleEndian<qint32>(data.constData());
}

namespace {

// REG_SZ bytes: the UTF-16 units and their terminating NUL.
QByteArray StringValueBytes(const QString& value) {
    QByteArray data((value.size() + 1) * 2, '\0');
    for (qsizetype i = 0; i < value.size(); ++i)
        qToLittleEndian<quint16>(value[i].unicode(), data.data() + 2 * i);
    return data;
}

QByteArray DwordValueBytes(int value) {
    QByteArray data(4, '\0');
    qToLittleEndian<qint32>(value, data.data());
    return data;
}

} // namespace

bool CSettingsStore::WriteProfileString(const QString& section, const QString& entry,
                                        const QString& value) {
    CRegistryKey key;
    if (!OpenSectionKey(section, key))
        return false;
    return key.SetValue(entry, CRegistryHive::kRegSz, StringValueBytes(value)) ==
           RegistryStatus::Success;
}

bool CSettingsStore::WriteProfileInt(const QString& section, const QString& entry, int value) {
    CRegistryKey key;
    if (!OpenSectionKey(section, key))
        return false;
    return key.SetValue(entry, CRegistryHive::kRegDword, DwordValueBytes(value)) ==
           RegistryStatus::Success;
}

bool CSettingsStore::WriteProfileValues(const QString& section, const QList<ProfileValue>& values) {
    // The same path the single writes open, Software included: it always
    // exists, the levels below it are created.
    CRegistryKey key;
    if (!OpenSectionKey(section, key))
        return false;
    const QString path = key.Path();
    return CRegistryFile().Update([&](CRegistryHive& hive) {
        if (!hive.CreateKey(path))
            return false;
        for (const ProfileValue& item : values) {
            const bool stored = std::holds_alternative<QString>(item.value)
                                    ? hive.SetValue(path, item.entry, CRegistryHive::kRegSz,
                                                    StringValueBytes(std::get<QString>(item.value)))
                                    : hive.SetValue(path, item.entry, CRegistryHive::kRegDword,
                                                    DwordValueBytes(std::get<int>(item.value)));
            if (!stored)
                return false;
        }
        return true;
    });
}

std::optional<QByteArray> CSettingsStore::ReadBinaryValue(const QString& name) const {
    CRegistryKey key;
    if (CRegistryKey::CurrentUser().Open(QString::fromLatin1(kDirectPath), key) !=
        RegistryStatus::Success)
        return std::nullopt;
    qsizetype size = 0;
    if (key.QueryValueSize(name, size) != RegistryStatus::Success)
        return std::nullopt;
    QByteArray data;
    if (key.QueryValue(name, size, data) != RegistryStatus::Success)
        return std::nullopt;
    return data;
}

std::optional<QByteArray> CSettingsStore::ReadFixedBinaryValue(const QString& name,
                                                               qsizetype size) const {
    CRegistryKey key;
    if (CRegistryKey::CurrentUser().Open(QString::fromLatin1(kDirectPath), key) !=
        RegistryStatus::Success)
        return std::nullopt;
    QByteArray data;
    // A shorter value is refused like a longer one: copied over a structure
    // it would leave the rest of it stale.
    if (key.QueryValue(name, size, data) != RegistryStatus::Success)
        return std::nullopt;
    if (data.size() != size) {
        qCInfo(LogSettings) << name << "holds" << data.size() << "bytes, not" << size;
        return std::nullopt;
    }
    return data;
}

bool CSettingsStore::WriteBinaryValue(const QString& name, const QByteArray& bytes) {
    CRegistryKey key;
    if (CRegistryKey::CurrentUser().Create(QString::fromLatin1(kDirectPath), key) !=
        RegistryStatus::Success)
        return false;
    if (key.SetValue(name, CRegistryHive::kRegBinary, bytes) == RegistryStatus::Success)
        return true;
    qCInfo(LogSettings) << name << "could not be written";
    return false;
}

bool CSettingsStore::WriteBinaryValues(const QList<BinaryValue>& values) {
    CRegistryKey key;
    if (CRegistryKey::CurrentUser().Create(QString::fromLatin1(kDirectPath), key) !=
        RegistryStatus::Success)
        return false;
    const QString path = key.Path();
    const bool written = CRegistryFile().Update([&](CRegistryHive& hive) {
        if (!hive.CreateKey(path))
            return false;
        for (const BinaryValue& value : values) {
            if (!hive.SetValue(path, value.name, CRegistryHive::kRegBinary, value.bytes))
                return false;
        }
        return true;
    });
    if (!written)
        qCInfo(LogSettings) << values.size() << "values could not be written";
    return written;
}

namespace {

QString OwnKeyPath(const QString& subKey) {
    return QString::fromLatin1(CSettingsStore::kDirectPath) + u'\\' + subKey;
}

} // namespace

std::optional<QString> CSettingsStore::ReadOwnString(const QString& subKey,
                                                     const QString& name) const {
    CRegistryKey key;
    if (CRegistryKey::CurrentUser().Open(OwnKeyPath(subKey), key) != RegistryStatus::Success)
        return std::nullopt;
    qsizetype size = 0;
    quint32 type = 0;
    QByteArray data;
    if (key.QueryValueSize(name, size, &type) != RegistryStatus::Success ||
        type != CRegistryHive::kRegSz ||
        key.QueryValue(name, size, data) != RegistryStatus::Success)
        return std::nullopt;
    return TextUpToNul(data);
}

bool CSettingsStore::WriteOwnString(const QString& subKey, const QString& name,
                                    const QString& value) {
    CRegistryKey key;
    return CRegistryKey::CurrentUser().Create(OwnKeyPath(subKey), key) == RegistryStatus::Success &&
           key.SetValue(name, CRegistryHive::kRegSz, StringValueBytes(value)) ==
               RegistryStatus::Success;
}

bool CSettingsStore::DeleteOwnValue(const QString& subKey, const QString& name) {
    CRegistryKey key;
    const RegistryStatus opened = CRegistryKey::CurrentUser().Open(OwnKeyPath(subKey), key);
    if (opened == RegistryStatus::NotFound)
        return true;
    const RegistryStatus deleted =
        opened == RegistryStatus::Success ? key.DeleteValue(name) : opened;
    return deleted == RegistryStatus::Success || deleted == RegistryStatus::NotFound;
}
