#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at a fresh temporary folder for
// as long as the object lives, and puts the old values back afterwards.
class CTestEnvironment {
public:
    CTestEnvironment();
    ~CTestEnvironment();
    CTestEnvironment(const CTestEnvironment&) = delete;
    CTestEnvironment& operator=(const CTestEnvironment&) = delete;

    QString Root() const { return m_dir.path(); }
    QString ConfigHome() const { return m_dir.path() + QStringLiteral("/config"); }
    QString DataHome() const { return m_dir.path() + QStringLiteral("/data"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig;
    QByteArray m_oldData;
    bool m_hadConfig = false;
    bool m_hadData = false;
};

// Reads a whole file; empty when it cannot be read.
QByteArray ReadWholeFile(const QString& path);
// Writes a whole file, creating its folder; false on failure.
bool WriteWholeFile(const QString& path, const QByteArray& bytes);
// The path of a fixture in tests/data.
QString TestDataPath(const QString& name);
