#include "settingsstore.h"

CSettingsStore::CSettingsStore(QString companyName, QString profileName)
    : m_companyName(std::move(companyName)), m_profileName(std::move(profileName))
{
}

QString CSettingsStore::GetProfileString(const QString&, const QString&,
                                         const QString& defaultValue) const
{
    return defaultValue;
}

int CSettingsStore::GetProfileInt(const QString&, const QString&, int defaultValue) const
{
    return defaultValue;
}

bool CSettingsStore::WriteProfileString(const QString&, const QString&, const QString&)
{
    return false;
}

bool CSettingsStore::WriteProfileInt(const QString&, const QString&, int)
{
    return false;
}

std::optional<QByteArray> CSettingsStore::ReadBinaryValue(const QString&) const
{
    return std::nullopt;
}

std::optional<QByteArray> CSettingsStore::ReadFixedBinaryValue(const QString&, qsizetype) const
{
    return std::nullopt;
}

bool CSettingsStore::WriteBinaryValue(const QString&, const QByteArray&)
{
    return false;
}
