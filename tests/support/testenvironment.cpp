#include "testenvironment.h"

#include <QtCore>

CTestEnvironment::CTestEnvironment() {
    QDir().mkpath(DataHome());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(ConfigHome()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(DataHome()));
}

CTestEnvironment::~CTestEnvironment() {
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
}

QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

QString TestDataPath(const QString& name) {
    return QStringLiteral(PELVARO_TEST_DATA_DIR "/") + name;
}

QByteArray Hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray Utf16(const QString& text, bool terminated) {
    QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return terminated ? bytes + QByteArray(2, '\0') : bytes;
}

QString BarcodeLibraryName() {
    return QStringLiteral(PELVARO_ZINT_SONAME);
}

QProcessEnvironment WithoutBarcodeLibrary(const QString& folder) {
    WriteWholeFile(folder + u'/' + BarcodeLibraryName(), QByteArray());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString path = environment.value(QStringLiteral("LD_LIBRARY_PATH"));
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
                       path.isEmpty() ? folder : folder + u':' + path);
    environment.insert(QStringLiteral("PELVARO_WITHOUT_BARCODE_LIBRARY"), QStringLiteral("1"));
    return environment;
}

bool WithoutBarcodeLibrary() {
    return qEnvironmentVariableIsSet("PELVARO_WITHOUT_BARCODE_LIBRARY");
}

bool InCi() {
    return qEnvironmentVariable("CI") == QLatin1String("true");
}
