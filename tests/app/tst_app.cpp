#include "pelvaroapp.h"
#include "testenvironment.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QTest>
#include <QUrl>

// Catches what the program asks the desktop to open.
class COpenRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> m_opened;
public Q_SLOTS:
    void Open(const QUrl& url) { m_opened << url; }
};

class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void helpSearchOrder_data();
    void helpSearchOrder();
    void helpOpensThroughTheDesktop();
};

void TestApp::helpSearchOrder_data() {
    QTest::addColumn<bool>("besideAsFile");
    QTest::addColumn<bool>("besideAsFolder");
    QTest::addColumn<bool>("inDocumentation");
    QTest::addColumn<QString>("expected");
    QTest::newRow("both present") << true << false << true << "Pelvaro.chm";
    QTest::newRow("only documentation") << false << false << true << "Documentation/Pelvaro.chm";
    QTest::newRow("neither") << false << false << false << "Documentation/Pelvaro.chm";
    QTest::newRow("folder of that name") << false << true << true << "Pelvaro.chm";
}

void TestApp::helpSearchOrder() {
    QFETCH(bool, besideAsFile);
    QFETCH(bool, besideAsFolder);
    QFETCH(bool, inDocumentation);
    QFETCH(QString, expected);

    CTestEnvironment env;
    const QString folder = env.Root() + QStringLiteral("/bin");
    QDir().mkpath(folder);
    if (besideAsFile)
        QVERIFY(WriteWholeFile(folder + QStringLiteral("/Pelvaro.chm"), "x"));
    if (besideAsFolder)
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/Pelvaro.chm")));
    if (inDocumentation)
        QVERIFY(WriteWholeFile(folder + QStringLiteral("/Documentation/Pelvaro.chm"), "x"));

    QCOMPARE(CPelvaroApp::HelpFilePath(folder + QStringLiteral("/Pelvaro")),
             folder + QLatin1Char('/') + expected);
}

void TestApp::helpOpensThroughTheDesktop() {
    COpenRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
    theApp.OnHelp();
    theApp.OnHelp();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    // Every call builds the path afresh; nothing is reported on failure.
    QCOMPARE(recorder.m_opened.size(), 2);
    const QString dir = QCoreApplication::applicationDirPath();
    QCOMPARE(recorder.m_opened[0].toLocalFile(), CPelvaroApp::HelpFilePath(dir + "/tst_app"));
}

QTEST_MAIN(TestApp)
#include "tst_app.moc"
