#include "platform/appdatafolder.h"
#include "platform/executablepath.h"
#include "platform/outputfile.h"
#include "testenvironment.h"

#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void foldersAndNames() {
        CTestEnvironment env;
        const QString data = env.DataHome() + QStringLiteral("/not/yet");
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        QString folder;
        QVERIFY(GetAppDataFolder(folder) && folder == data && QFileInfo(data).isDir());
        // Only the last extension goes.
        QCOMPARE(ApplicationNameFromPath(QStringLiteral("C:/Apps/Pelvaro.EXE")), u"Pelvaro"_qs);
        QCOMPARE(ApplicationNameFromPath(QStringLiteral("/opt/Pel.va.ro")), u"Pel.va"_qs);
        // Without HOME the home folder comes from the password database,
        // never from the shared temporary folder.
        const QByteArray home = qgetenv("HOME");
        qunsetenv("HOME");
        const passwd* entry = ::getpwuid(::geteuid());
        QVERIFY(entry);
        QCOMPARE(FallbackDataFolder(), QFile::decodeName(entry->pw_dir) + u'/');
        QCOMPARE(HomeFolder(), QFile::decodeName(entry->pw_dir));
        qputenv("HOME", home);
    }

    // What stopped jobs left is swept: only Pelvaro's own hidden names, only
    // when older than the job, and never while a running job holds one.
    void leftoversOfStoppedJobsAreSwept() {
        CTestEnvironment env;
        COutputFile running(env.Root() + "/running.pdf");
        QVERIFY(running.Open());
        const QString live = running.TemporaryPath();
        const QString stale = env.Root() + "/.old.pdf.pelvaro-abc123";
        const QString fresh = env.Root() + "/.new.pdf.pelvaro-def456";
        const QString other = env.Root() + "/.old.pdf.abc123";
        const QDateTime past = QDateTime::currentDateTimeUtc().addSecs(-60);
        for (const QString& path : {live, stale, fresh, other}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            QVERIFY(path == fresh || file.setFileTime(past, QFileDevice::FileModificationTime));
        }
        QCOMPARE(SweepLeftovers(env.Root(), past.addSecs(30)), 1);
        QVERIFY(!QFile::exists(stale));
        QVERIFY(QFile::exists(live) && QFile::exists(fresh) && QFile::exists(other));
        running.Discard();
        QCOMPARE(SweepLeftovers(env.Root(), past.addSecs(30)), 0);
    }
};

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
