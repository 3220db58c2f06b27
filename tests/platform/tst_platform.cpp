#include "ansicodepage.h"
#include "appdatafolder.h"
#include "executablepath.h"
#include "fileexception.h"
#include "testenvironment.h"

#include <QDir>
#include <QTest>

#include <cerrno>

class TestPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileErrorMessages_data();
    void fileErrorMessages();
    void errnoClassification_data();
    void errnoClassification();
    void codePageForLocale_data();
    void codePageForLocale();
    void appDataFolder();
    void applicationName_data();
    void applicationName();
};

void TestPlatform::fileErrorMessages_data() {
    QTest::addColumn<FileErrorCause>("cause");
    QTest::addColumn<QString>("message");
    const auto row = [](const char* name, FileErrorCause cause, const char* message) {
        QTest::newRow(name) << cause << QString::fromLatin1(message);
    };
    row("none", FileErrorCause::None, "No error occurred.");
    row("generic", FileErrorCause::Generic, "An unknown error occurred while accessing /d/f %2.");
    row("not found", FileErrorCause::FileNotFound, "/d/f %2 was not found.");
    row("bad path", FileErrorCause::BadPath, "/d/f %2 contains an incorrect path.");
    row("too many", FileErrorCause::TooManyOpenFiles,
        "Could not open /d/f %2 because there are too many open files.");
    row("denied", FileErrorCause::AccessDenied, "Access to /d/f %2 was denied.");
    row("handle", FileErrorCause::InvalidFile,
        "An incorrect file handle was associated with /d/f %2.");
    row("current dir", FileErrorCause::RemoveCurrentDir,
        "Could not remove /d/f %2 because it is the current directory.");
    row("dir full", FileErrorCause::DirectoryFull,
        "Could not create /d/f %2 because the directory is full.");
    row("seek", FileErrorCause::BadSeek, "Seek failed on /d/f %2");
    row("hardware", FileErrorCause::HardIO,
        "Encountered a hardware I/O error while accessing /d/f %2.");
    row("sharing", FileErrorCause::SharingViolation,
        "Encountered a sharing violation while accessing /d/f %2.");
    row("lock", FileErrorCause::LockViolation,
        "Encountered a locking violation while accessing /d/f %2.");
    row("disk full", FileErrorCause::DiskFull, "Disk full while accessing /d/f %2.");
    row("eof", FileErrorCause::EndOfFile, "Attempted to access /d/f %2 past its end.");
}

void TestPlatform::fileErrorMessages() {
    QFETCH(FileErrorCause, cause);
    QFETCH(QString, message);
    // A path that holds a placeholder of its own comes out unchanged.
    QCOMPARE(CFileException(cause, QStringLiteral("/d/f %2")).GetErrorMessage(), message);
}

void TestPlatform::errnoClassification_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<FileErrorCause>("cause");
    QTest::newRow("ENOSPC") << ENOSPC << FileErrorCause::DiskFull;
    QTest::newRow("EFBIG") << EFBIG << FileErrorCause::DiskFull;
    QTest::newRow("EDQUOT") << EDQUOT << FileErrorCause::DiskFull;
    QTest::newRow("EACCES") << EACCES << FileErrorCause::AccessDenied;
    QTest::newRow("EROFS") << EROFS << FileErrorCause::AccessDenied;
    QTest::newRow("ENOENT") << ENOENT << FileErrorCause::FileNotFound;
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << FileErrorCause::BadPath;
    QTest::newRow("EMFILE") << EMFILE << FileErrorCause::TooManyOpenFiles;
    QTest::newRow("EIO") << EIO << FileErrorCause::HardIO;
    QTest::newRow("unknown") << EPROTO << FileErrorCause::Generic;
}

void TestPlatform::errnoClassification() {
    QFETCH(int, error);
    QFETCH(FileErrorCause, cause);
    QCOMPARE(ClassifyErrno(error), cause);
}

void TestPlatform::codePageForLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("codePage");
    QTest::newRow("en_US") << "en_US" << 1252;
    QTest::newRow("de_DE") << "de_DE" << 1252;
    QTest::newRow("C") << "C" << 1252;
    QTest::newRow("pl_PL") << "pl_PL" << 1250;
    QTest::newRow("ru_RU") << "ru_RU" << 1251;
    QTest::newRow("sr_RS Latin") << "sr_Latn_RS" << 1250;
    QTest::newRow("el_GR") << "el_GR" << 1253;
    QTest::newRow("tr_TR") << "tr_TR" << 1254;
    QTest::newRow("he_IL") << "he_IL" << 1255;
    QTest::newRow("ar_EG") << "ar_EG" << 1256;
    QTest::newRow("lt_LT") << "lt_LT" << 1257;
    QTest::newRow("vi_VN") << "vi_VN" << 1258;
    QTest::newRow("th_TH") << "th_TH" << 874;
    QTest::newRow("ja_JP") << "ja_JP" << 932;
    QTest::newRow("zh_CN") << "zh_CN" << 936;
    QTest::newRow("ko_KR") << "ko_KR" << 949;
    QTest::newRow("zh_TW") << "zh_TW" << 950;
}

void TestPlatform::codePageForLocale() {
    QFETCH(QString, locale);
    QFETCH(int, codePage);
    QCOMPARE(AnsiCodePageForLocale(locale), codePage);
    // Every code page decodes plain ASCII as itself.
    QCOMPARE(MultiByteToWide(codePage, "Riverton 12"), QStringLiteral("Riverton 12"));
}

void TestPlatform::appDataFolder() {
    CTestEnvironment env;
    const QString data = env.DataHome() + QStringLiteral("/not/yet");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    QString folder;
    QVERIFY(GetAppDataFolder(folder));
    QCOMPARE(folder, data);
    QVERIFY(QFileInfo(data).isDir());

    // A relative value is no base folder; the home folder's default is used.
    qputenv("XDG_DATA_HOME", "relative/path");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(env.Root()));
    QVERIFY(GetAppDataFolder(folder));
    QCOMPARE(folder, env.Root() + QStringLiteral("/.local/share"));
    qputenv("HOME", home);
}

void TestPlatform::applicationName_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "/usr/bin/Pelvaro"
                           << "Pelvaro";
    QTest::newRow("extension") << "C:/Apps/Pelvaro.EXE"
                               << "Pelvaro";
    QTest::newRow("renamed") << "/opt/x/Envelopes.bin"
                             << "Envelopes";
    QTest::newRow("two dots") << "/opt/Pel.va.ro"
                              << "Pel.va";
}

void TestPlatform::applicationName() {
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(ApplicationNameFromPath(path), name);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
