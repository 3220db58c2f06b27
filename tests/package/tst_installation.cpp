#include "aboutdlg.h"
#include "pelvaroapp.h"
#include "testenvironment.h"

#include <QtTest>
#include <QtWidgets>

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

class TestInstallation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // F1 in a program installed as usr/bin/Pelvaro, on a desktop of the
    // test's own: a MIME database that knows the help file, and per case the
    // desktop entries and mimeapps.list files, "path=text" (an entry's text
    // is added to a valid entry).
    void helpOpensWhatTheDesktopCanShow() {
        const QTemporaryDir mime;
        QVERIFY(WriteWholeFile(
            mime.filePath("mime/packages/help.xml"),
            "<mime-info xmlns='http://www.freedesktop.org/standards/shared-mime-info'>"
            "<mime-type type='application/vnd.ms-htmlhelp'><alias type='application/x-chm'/>"
            "<glob pattern='*.chm'/></mime-type><mime-type type='text/html'>"
            "<glob pattern='*.html'/></mime-type>"
            "<mime-type type='application/octet-stream'/></mime-info>"));
        const QString chm = "usr/share/pelvaro/Pelvaro.chm",
                      html = "usr/share/doc/pelvaro/html/index.html";
        const QString beside = "usr/bin/Documentation/Pelvaro.chm", apps = "system/applications/";
        const QString entry = "=MimeType=application/vnd.ms-htmlhelp";
        const struct {
            QStringList files;
            QString opened;
        } cases[] = {
            {{chm, html}, html},
            {{chm, html, apps + "v.desktop=MimeType=image/png;application/x-chm;"}, chm},
            {{chm, html, apps + "v.desktop=",
              "config/mimeapps.list=[Default "
              "Applications]\napplication/x-chm=gone.desktop;v.desktop"},
             chm},
            {{chm, html,
              "config/mimeapps.list=[Default Applications]\napplication/x-chm=gone.desktop"},
             html},
            {{chm, html, apps + "kde/v.desktop=",
              "config/mimeapps.list=[Added Associations]\napplication/x-chm=kde-v.desktop"},
             chm},
            {{chm, html, apps + "v.desktop" + entry,
              "config/xfce-mimeapps.list=[Removed "
              "Associations]\napplication/vnd.ms-htmlhelp=v.desktop"},
             html},
            {{chm, html, apps + "v.desktop" + entry,
              "data/applications/v.desktop=Hidden=true\n" + entry.mid(1)},
             html},
            {{chm, html, apps + "hex.desktop=MimeType=application/octet-stream"}, html},
            {{beside, chm, html, apps + "v.desktop" + entry}, beside},
            {{html}, html},
            {{}, beside},
        };
        for (const auto& [files, opened] : cases) {
            const QTemporaryDir dir;
            const QDir root(dir.path());
            qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath("data")));
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")));
            qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root.filePath("etc")));
            qputenv("XDG_DATA_DIRS",
                    QFile::encodeName(root.filePath("system") + ':' + mime.path()));
            qputenv("XDG_CURRENT_DESKTOP", "XFCE");
            for (const QString& file : files) {
                const QString name = file.section(QLatin1Char('='), 0, 0);
                QByteArray text = file.mid(name.size() + 1).toUtf8();
                if (name.endsWith(".desktop"))
                    text = "[Desktop Entry]\nType=Application\nName=V\nExec=v %f\n" + text;
                QVERIFY(WriteWholeFile(root.filePath(name), text));
            }
            COpenRecorder recorder;
            CPelvaroApp::OpenHelp(root.filePath("usr/bin/Pelvaro"));
            QVERIFY2(recorder.m_opened == QStringList{root.filePath(opened)},
                     qPrintable(files.join(" | ") + " opened " + recorder.m_opened.join(' ')));
        }
    }

    // The box's text is fixed; the version the package and the command-line
    // tool carry must not drift from it.
    void aboutBoxShowsTheProjectVersion() {
        const CAboutDlg about;
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY2(texts.contains(QStringLiteral("Pelvaro Version %1.%2")
                                    .arg(PELVARO_VERSION_MAJOR)
                                    .arg(PELVARO_VERSION_MINOR)),
                 qPrintable(texts.join(QLatin1Char('|'))));
    }
};

QTEST_MAIN(TestInstallation)
#include "tst_installation.moc"
