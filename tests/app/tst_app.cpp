#include "app/pelvaroapp.h"
#include "modalscript.h"
#include "settings/registryfile.h"
#include "testenvironment.h"
#include "ui/aboutdlg.h"
#include "ui/pelvarodlg.h"

#include <QtTest>
#include <QtWidgets>

class TestApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Pelvaro.chm beside the program when anything of that name is there, a
    // folder included, else Documentation/Pelvaro.chm below it, unless only
    // the copy an installation keeps under share/ is there.
    void helpSearchOrder() {
        const std::pair<QStringList, QString> cases[] = {
            {{"bin/Pelvaro.chm", "bin/Documentation/Pelvaro.chm"}, "bin/Pelvaro.chm"},
            {{}, "bin/Documentation/Pelvaro.chm"},
            {{"bin/Pelvaro.chm/", "share/pelvaro/Pelvaro.chm"}, "bin/Pelvaro.chm"},
            {{"share/pelvaro/Pelvaro.chm"}, "share/pelvaro/Pelvaro.chm"},
            {{"bin/Documentation/Pelvaro.chm", "share/pelvaro/Pelvaro.chm"},
             "bin/Documentation/Pelvaro.chm"}};
        for (const auto& [present, expected] : cases) {
            const QTemporaryDir dir;
            for (const QString& name : present)
                QVERIFY(name.endsWith(u'/') ? QDir(dir.path()).mkpath(name)
                                            : WriteWholeFile(dir.filePath(name), "x"));
            QCOMPARE(CPelvaroApp::HelpFilePath(dir.filePath("bin/Pelvaro")),
                     dir.filePath(expected));
        }
    }

    // The whole run: the main dialog comes up, F1 opens the help file beside
    // the program, and the values are stored under the program's own name.
    void runsTheDialogWithHelpAndSettings() {
        CTestEnvironment env;
        CUrlRecorder opened(QStringLiteral("file"));
        CModalScript script;
        script.Then<CPelvaroDlg>([](CPelvaroDlg* dialog) {
            QTest::keyClicks(dialog->GetDlgItem(IDC_MAILINGADDRESS), QStringLiteral("To you"));
            PressShortcut(dialog->GetDlgItem(IDC_MAILINGADDRESS), Qt::Key_F1);
            QTest::keyClick(dialog->GetDlgItem(IDC_MAILINGADDRESS), Qt::Key_Escape);
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

    // F1 in a program installed as usr/bin/Pelvaro, on a desktop of the
    // test's own: a MIME database that knows the help file, and per case the
    // files there, "path=text" (a desktop entry's text is added to a valid
    // entry). The help file opens where the desktop has a program for it,
    // else the same pages as HTML.
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
                      html = "usr/share/doc/pelvaro/html/index.html",
                      beside = "usr/bin/Documentation/Pelvaro.chm", apps = "system/applications/",
                      viewer = apps + "v.desktop=MimeType=application/vnd.ms-htmlhelp",
                      defaults = "config/mimeapps.list=[Default Applications]\napplication/x-chm=";
        const std::pair<QStringList, QString> cases[] = {
            {{chm, html}, html},
            {{chm, html, apps + "v.desktop=MimeType=image/png;application/x-chm;"}, chm},
            {{chm, html, apps + "v.desktop=", defaults + "gone.desktop;v.desktop"}, chm},
            {{chm, html, defaults + "gone.desktop"}, html},
            {{chm, html, apps + "kde/v.desktop=",
              "config/mimeapps.list=[Added Associations]\napplication/x-chm=kde-v.desktop"},
             chm},
            {{chm, html, viewer,
              "config/xfce-mimeapps.list=[Removed "
              "Associations]\napplication/vnd.ms-htmlhelp=v.desktop"},
             html},
            {{chm, html, viewer,
              "data/applications/v.desktop=Hidden=true\nMimeType=application/vnd.ms-htmlhelp"},
             html},
            {{chm, html, apps + "hex.desktop=MimeType=application/octet-stream"}, html},
            {{beside, chm, html, viewer}, beside},
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
                const QString name = file.section(u'=', 0, 0);
                QByteArray text = file.mid(name.size() + 1).toUtf8();
                if (name.endsWith(".desktop"))
                    text = "[Desktop Entry]\nType=Application\nName=V\nExec=v %f\n" + text;
                QVERIFY(WriteWholeFile(root.filePath(name), text));
            }
            CUrlRecorder recorder(QStringLiteral("file"));
            CPelvaroApp::OpenHelp(root.filePath("usr/bin/Pelvaro"));
            QVERIFY2(recorder.m_urls == QList<QUrl>{QUrl::fromLocalFile(root.filePath(opened))},
                     qPrintable(files.join(" | ")));
        }
        // A dialog's own page, where the pages are shown as HTML.
        const QTemporaryDir dir;
        const QString page = dir.filePath("usr/share/doc/pelvaro/html/printing.html");
        QVERIFY(WriteWholeFile(page, "<p>"));
        CUrlRecorder recorder(QStringLiteral("file"));
        CPelvaroApp::OpenHelp(dir.filePath("usr/bin/Pelvaro"), "printing.html#many");
        QUrl expected = QUrl::fromLocalFile(page);
        expected.setFragment("many");
        QCOMPARE(recorder.m_urls, QList<QUrl>{expected});
    }

    // The box's text is fixed; the version the package carries must not
    // drift from it.
    void aboutBoxShowsTheProjectVersion() {
        const CAboutDlg about;
        QStringList texts;
        for (const QLabel* label : about.findChildren<QLabel*>())
            texts << label->text();
        QVERIFY2(texts.contains(QStringLiteral("Pelvaro Version %1.%2")
                                    .arg(PELVARO_VERSION_MAJOR)
                                    .arg(PELVARO_VERSION_MINOR)),
                 qPrintable(texts.join(u'|')));
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
