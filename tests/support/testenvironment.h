#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

// Points XDG_CONFIG_HOME and XDG_DATA_HOME at a fresh temporary folder for
// as long as the object lives, and puts the old values back afterwards.
class CTestEnvironment {
public:
    CTestEnvironment();
    ~CTestEnvironment();
    QString Root() const { return m_dir.path(); }
    QString DataHome() const { return Root() + QStringLiteral("/data"); }
    QString ConfigHome() const { return Root() + QStringLiteral("/config"); }
    QString BookPath() const { return DataHome() + QStringLiteral("/Pelvaro/Addresses.plv"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    QByteArray m_oldData = qgetenv("XDG_DATA_HOME");
};

// How long a test waits for a window, a script or a job. Every wait returns
// as soon as its condition holds; the bound only decides how soon a real
// hang fails, and leaves room for a sanitizer build beside other work.
inline constexpr int kWaitMs = 30000;

QByteArray ReadWholeFile(const QString& path);
// Creates the folder; false on failure.
bool WriteWholeFile(const QString& path, const QByteArray& bytes);
QString TestDataPath(const QString& name);
// "01 ff ..." to bytes; spaces are ignored.
QByteArray Hex(const char* text);
// UTF-16LE units, with the terminating NUL unless told otherwise.
QByteArray Utf16(const QString& text, bool terminated = true);
// The environment of a program run where the barcode's library cannot be
// loaded: a file of its name that is no library comes first in the search
// path, kept in folder. WithoutBarcodeLibrary() tells such a program so.
QProcessEnvironment WithoutBarcodeLibrary(const QString& folder);
bool WithoutBarcodeLibrary();
QString BarcodeLibraryName();
// True under CI (CI=true), where a missing tool fails a test instead of
// skipping it.
bool InCi();

// Stops the test when a tool or a permission it needs is not there: a
// failure in CI, a skip with the reason elsewhere.
#define PELVARO_REQUIRE(condition, what)                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            if (InCi())                                                                            \
                QFAIL(qPrintable(QStringLiteral("needed here and missing: ") + (what)));           \
            QSKIP(qPrintable(QStringLiteral("cannot run here: ") + (what)));                       \
        }                                                                                          \
    } while (false)
