#include "settings/registrykey.h"

namespace {

const QString kCurrentUser = QStringLiteral("HKEY_CURRENT_USER");
const QString kSoftware = QStringLiteral("Software");

} // namespace

CRegistryKey::CRegistryKey(QString hiveFile, QString path,
                           std::shared_ptr<const CRegistryHive> hive)
    : m_hiveFile(std::move(hiveFile)), m_path(std::move(path)), m_hive(std::move(hive)) {}

CRegistryKey CRegistryKey::CurrentUser(const QString& hiveFile) {
    return CRegistryKey(hiveFile, kCurrentUser, CRegistryFile(hiveFile).LoadShared());
}

QString CRegistryKey::SubKeyPath(const QString& subKey) const {
    QString path = m_path;
    for (const QString& component : subKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        // Software is there before anything is written below it, so it
        // keeps its own spelling whatever a caller writes.
        const bool software =
            path == kCurrentUser && component.compare(kSoftware, Qt::CaseInsensitive) == 0;
        path += QLatin1Char('\\') + (software ? kSoftware : component);
    }
    const QString stored = m_hive->StoredPath(path);
    return stored.isEmpty() ? path : stored;
}

RegistryStatus CRegistryKey::Open(const QString& subKey, CRegistryKey& result) const {
    if (!IsOpen())
        return RegistryStatus::Failed;
    const QString path = SubKeyPath(subKey);
    const bool alwaysThere =
        path.compare(kCurrentUser, Qt::CaseInsensitive) == 0 ||
        path.compare(kCurrentUser + u'\\' + kSoftware, Qt::CaseInsensitive) == 0;
    if (!alwaysThere && !m_hive->KeyExists(path))
        return RegistryStatus::NotFound;
    result = CRegistryKey(m_hiveFile, path, m_hive);
    return RegistryStatus::Success;
}

RegistryStatus CRegistryKey::Create(const QString& subKey, CRegistryKey& result) const {
    const RegistryStatus opened = Open(subKey, result);
    if (opened != RegistryStatus::NotFound)
        return opened;
    const QString path = SubKeyPath(subKey);
    CRegistryHive updated;
    if (!CRegistryFile(m_hiveFile)
             .Update([&](CRegistryHive& hive) { return hive.CreateKey(path); }, &updated))
        return RegistryStatus::Failed;
    // Another copy may have created it first, with its own spelling.
    const QString stored = updated.StoredPath(path);
    result = CRegistryKey(m_hiveFile, stored.isEmpty() ? path : stored,
                          std::make_shared<const CRegistryHive>(std::move(updated)));
    return RegistryStatus::Success;
}

RegistryStatus CRegistryKey::QueryValueSize(const QString& name, qsizetype& size,
                                            quint32* type) const {
    if (!IsOpen())
        return RegistryStatus::Failed;
    const CRegistryHive::Value* value = m_hive->FindValue(m_path, name);
    if (!value)
        return RegistryStatus::NotFound;
    size = value->data.size();
    if (type)
        *type = value->type;
    return RegistryStatus::Success;
}

RegistryStatus CRegistryKey::QueryValue(const QString& name, qsizetype bufferSize, QByteArray& data,
                                        quint32* type) const {
    if (!IsOpen())
        return RegistryStatus::Failed;
    const CRegistryHive::Value* value = m_hive->FindValue(m_path, name);
    if (!value)
        return RegistryStatus::NotFound;
    if (value->data.size() > bufferSize)
        return RegistryStatus::MoreData;
    data = value->data;
    if (type)
        *type = value->type;
    return RegistryStatus::Success;
}

RegistryStatus CRegistryKey::SetValue(const QString& name, quint32 type, QByteArrayView data) {
    if (!IsOpen())
        return RegistryStatus::Failed;
    CRegistryHive updated;
    const QString path = m_path;
    if (!CRegistryFile(m_hiveFile)
             .Update([&](CRegistryHive& hive) { return hive.SetValue(path, name, type, data); },
                     &updated))
        return RegistryStatus::Failed;
    m_hive = std::make_shared<const CRegistryHive>(std::move(updated));
    return RegistryStatus::Success;
}

RegistryStatus CRegistryKey::DeleteValue(const QString& name) {
    if (!IsOpen())
        return RegistryStatus::Failed;
    if (!m_hive->FindValue(m_path, name))
        return RegistryStatus::NotFound;
    CRegistryHive updated;
    const QString path = m_path;
    // Another copy may have removed it meanwhile; gone is gone.
    if (!CRegistryFile(m_hiveFile)
             .Update(
                 [&](CRegistryHive& hive) {
                     hive.DeleteValue(path, name);
                     return true;
                 },
                 &updated))
        return RegistryStatus::Failed;
    m_hive = std::make_shared<const CRegistryHive>(std::move(updated));
    return RegistryStatus::Success;
}

void CRegistryKey::Close() {
    m_hive.reset();
    m_path.clear();
    m_hiveFile.clear();
}
