#include "aboutdlg.h"
#include "pelvaroapp.h"
#include "testenvironment.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

// Catches what the program asks the desktop to open.
class COpenRecorder : public QObject {
    Q_OBJECT
public:
    COpenRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~COpenRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QStringList m_opened;
public Q_SLOTS:
    void Open(const QUrl& url) { m_opened << url.toLocalFile(); }
};

// A desktop of the test's own: a MIME database that knows the help file and
// web pages, and desktop entries and mimeapps.list files laid out per row.
const char kMimePackage[] =
    "<?xml version=\"1.0\"?>\n"
    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
    "  <mime-type type=\"application/vnd.ms-htmlhelp\">\n"
    "    <alias type=\"application/x-chm\"/><glob pattern=\"*.chm\"/>\n"
    "  </mime-type>\n"
    "  <mime-type type=\"text/html\"><glob pattern=\"*.html\"/></mime-type>\n"
    "  <mime-type type=\"application/octet-stream\"/>\n"
    "</mime-info>\n";

QByteArray DesktopEntry(const QByteArray& extra) {
    return "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\n" + extra + "\n";
}

} // namespace

class TestInstallation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void helpOpens_data();
    void helpOpens();
    void aboutBoxShowsTheProjectVersion();

private:
    QTemporaryDir m_mime;
};

void TestInstallation::initTestCase() {
    // The MIME database is read once, at its first use, from these folders.
    QVERIFY(WriteWholeFile(m_mime.filePath("mime/packages/help.xml"), kMimePackage));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_mime.path()));
}

void TestInstallation::helpOpens_data() {
    // Files below a fresh folder, each "name=text" or a name alone, then
    // what F1 opens, relative to it. The program is usr/bin/Pelvaro.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("opened");
    const QString chm = QStringLiteral("usr/share/pelvaro/Pelvaro.chm");
    const QString html = QStringLiteral("usr/share/doc/pelvaro/html/index.html");
    const QString apps = QStringLiteral("system/applications/");
    QTest::newRow("installed, no viewer: the web pages") << QStringList{chm, html} << html;
    QTest::newRow("installed, a viewer for its alias")
        << QStringList{chm, html, apps + "viewer.desktop=MimeType=image/png;application/x-chm;"}
        << chm;
    QTest::newRow("the user's default")
        << QStringList{chm, html, apps + "viewer.desktop=",
                       "config/mimeapps.list=[Default Applications]\n"
                       "application/vnd.ms-htmlhelp=gone.desktop;viewer.desktop"}
        << chm;
    QTest::newRow("the user's default is gone")
        << QStringList{chm, html,
                       "config/mimeapps.list=[Default Applications]\n"
                       "application/vnd.ms-htmlhelp=gone.desktop"}
        << html;
    QTest::newRow("an entry in a subfolder")
        << QStringList{chm, html, apps + "kde/viewer.desktop=",
                       "config/mimeapps.list=[Added Associations]\n"
                       "application/x-chm=kde-viewer.desktop"}
        << chm;
    QTest::newRow("association removed by the user")
        << QStringList{chm, html, apps + "viewer.desktop=MimeType=application/vnd.ms-htmlhelp",
                       "config/xfce-mimeapps.list=[Removed Associations]\n"
                       "application/vnd.ms-htmlhelp=viewer.desktop;"}
        << html;
    QTest::newRow("viewer hidden by the user's own entry")
        << QStringList{chm, html, apps + "viewer.desktop=MimeType=application/vnd.ms-htmlhelp",
                       "data/applications/viewer.desktop=Hidden=true\n"
                       "MimeType=application/vnd.ms-htmlhelp"}
        << html;
    QTest::newRow("viewer not installed")
        << QStringList{chm, html,
                       apps + "viewer.desktop=MimeType=application/x-chm\nTryExec=/nonexistent"}
        << html;
    QTest::newRow("a program for any bytes is no viewer")
        << QStringList{chm, html, apps + "hex.desktop=MimeType=application/octet-stream"} << html;
    QTest::newRow("a copy beside the program comes first")
        << QStringList{"usr/bin/Documentation/Pelvaro.chm", chm, html,
                       apps + "viewer.desktop=MimeType=application/x-chm"}
        << "usr/bin/Documentation/Pelvaro.chm";
    QTest::newRow("no help file: the web pages") << QStringList{html} << html;
    QTest::newRow("nothing installed") << QStringList{} << "usr/bin/Documentation/Pelvaro.chm";
}

void TestInstallation::helpOpens() {
    QFETCH(QStringList, files);
    QFETCH(QString, opened);
    const QTemporaryDir dir;
    const QDir root(dir.path());
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root.filePath("etc")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath("system") + ':' + m_mime.path()));
    qputenv("XDG_CURRENT_DESKTOP", "XFCE");
    for (const QString& file : files) {
        // name=text; a desktop entry's text is added to a valid entry.
        const qsizetype equals = file.indexOf(QLatin1Char('='));
        const QString name = file.left(equals);
        const QByteArray text = equals < 0 ? QByteArray() : file.mid(equals + 1).toUtf8();
        QVERIFY(WriteWholeFile(root.filePath(name), name.endsWith(QStringLiteral(".desktop"))
                                                        ? DesktopEntry(text)
                                                        : text));
    }

    COpenRecorder recorder;
    CPelvaroApp::OpenHelp(root.filePath("usr/bin/Pelvaro"));
    QCOMPARE(recorder.m_opened, QStringList{root.filePath(opened)});
}

void TestInstallation::aboutBoxShowsTheProjectVersion() {
    // The box's text is fixed; the version the package and the command-line
    // tool carry must not drift from it.
    const CAboutDlg about;
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>())
        texts << label->text();
    const QString expected = QStringLiteral("Pelvaro Version %1.%2")
                                 .arg(PELVARO_VERSION_MAJOR)
                                 .arg(PELVARO_VERSION_MINOR);
    QVERIFY2(texts.contains(expected), qPrintable(texts.join(QLatin1Char('|'))));
}

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
