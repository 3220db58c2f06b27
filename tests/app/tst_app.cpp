#include "modalscript.h"
#include "multilineedit.h"
#include "pelvaroapp.h"
#include "pelvarodlg.h"
#include "registryfile.h"
#include "testenvironment.h"

#include <QtTest>
#include <QtWidgets>

class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Pelvaro.chm beside the program when anything of that name is there, a
    // folder included, else Documentation/Pelvaro.chm below it.
    void helpSearchOrder() {
        const std::pair<QStringList, QString> cases[] = {
            {{"Pelvaro.chm", "Documentation/Pelvaro.chm"}, "Pelvaro.chm"},
            {{}, "Documentation/Pelvaro.chm"},
            {{"Pelvaro.chm/"}, "Pelvaro.chm"}};
        for (const auto& [present, expected] : cases) {
            const QTemporaryDir dir;
            for (const QString& name : present)
                QVERIFY(name.endsWith(u'/') ? QDir(dir.path()).mkpath(name)
                                            : WriteWholeFile(dir.filePath(name), "x"));
            QCOMPARE(CPelvaroApp::HelpFilePath(dir.filePath("Pelvaro")), dir.filePath(expected));
        }
    }

    // The whole run: the main dialog comes up, F1 opens the help file beside
    // the program, and the values are stored under the program's own name.
    void runsTheDialogWithHelpAndSettings() {
        CTestEnvironment env;
        CUrlRecorder opened(QStringLiteral("file"));
        CModalScript script;
        script.Then<CPelvaroDlg>([](CPelvaroDlg* dialog) {
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            QTest::keyClicks(dialog->m_mailingEdit, QStringLiteral("To you"));
            QTest::keyClick(dialog->m_mailingEdit, Qt::Key_F1);
            QTest::keyClick(dialog->m_mailingEdit, Qt::Key_Escape);
        });
        QVERIFY(!theApp.InitInstance());
        QVERIFY(script.Done());
        const QString folder = QCoreApplication::applicationDirPath();
        QCOMPARE(opened.m_urls,
                 QList<QUrl>{QUrl::fromLocalFile(folder + "/Documentation/Pelvaro.chm")});
        const CRegistryHive hive = CRegistryFile().Load();
        const auto* value = hive.FindValue(
            QStringLiteral("HKEY_CURRENT_USER\\Software\\Torvane Software\\tst_app\\Pelvaro"),
            QStringLiteral("LastMailingAddress"));
        QVERIFY(value && value->data == Utf16("To you"));
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
