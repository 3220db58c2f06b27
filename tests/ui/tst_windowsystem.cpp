// Pelvaro as the window system sees it, under an X server and a window
// manager that the test starts itself: the titles the window manager is
// given, where the windows land with their frames, the window menu's Move,
// and command-line arguments that change nothing. The program is driven as a
// user would drive it, through the X server's keyboard and mouse.

#include <QDebug>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QRect kScreen(0, 0, 1024, 768);

QByteArray Run(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(10000);
    return process.readAllStandardOutput();
}

void Xdotool(const QStringList& arguments) {
    Run(QStringLiteral("xdotool"), arguments);
}

QList<int> Numbers(const QByteArray& text) {
    QList<int> numbers;
    for (const auto& match : QRegularExpression(QStringLiteral("-?\\d+")).globalMatch(text))
        numbers.append(match.captured().toInt());
    return numbers;
}

struct SWindow {
    QString id;
    QString title;
    QRect client;
    QRect frame;
};

// A window as the window manager knows it: the title it was given, and its
// place with and without the frame it put around it.
SWindow Describe(const QString& id) {
    const QByteArray name = Run(QStringLiteral("xprop"), {"-id", id, "_NET_WM_NAME"});
    const QList<int> extents =
        Numbers(Run(QStringLiteral("xprop"), {"-id", id, "_NET_FRAME_EXTENTS"}).split('=').last());
    const QByteArray info = Run(QStringLiteral("xwininfo"), {"-id", id});
    const auto value = [&](const char* key) {
        const qsizetype at = info.indexOf(key) + qstrlen(key);
        return info.mid(at, info.indexOf('\n', at) - at).trimmed().toInt();
    };
    SWindow window{id, QString::fromUtf8(name.mid(name.indexOf('"') + 1).chopped(2)),
                   QRect(value("Absolute upper-left X:"), value("Absolute upper-left Y:"),
                         value("Width:"), value("Height:"))};
    if (extents.size() == 4)
        window.frame = window.client.adjusted(-extents[0], -extents[2], extents[1], extents[3]);
    return window;
}

// The active window once it has the title; a null window until then.
SWindow Active(const QString& title) {
    const QByteArray id =
        Run(QStringLiteral("xprop"), {"-root", "_NET_ACTIVE_WINDOW"}).split(' ').last().trimmed();
    // With no window, xwininfo would wait for one to be clicked.
    if (!id.startsWith("0x") || id.toUInt(nullptr, 16) == 0)
        return {};
    const SWindow window = Describe(QString::fromLatin1(id));
    return window.title == title && !window.frame.isNull() ? window : SWindow{};
}

// Waits until the window titled exactly so is up, framed and active.
#define WAIT_FOR(window, title)                                                                    \
    QTRY_VERIFY_WITH_TIMEOUT(!((window) = Active(QStringLiteral(title))).frame.isNull(), 10000)

int VisibleWindows() {
    return Run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "Pelvaro"})
        .count('\n');
}

// Opens a menu with a click or key and waits for it before choosing in it.
#define CHOOSE(open, key)                                                                          \
    do {                                                                                           \
        const int before = VisibleWindows();                                                       \
        Xdotool(open);                                                                             \
        QTRY_COMPARE(VisibleWindows(), before + 1);                                                \
        Xdotool({"key", key});                                                                     \
    } while (false)

QStringList RightClickOn(const SWindow& window) {
    const QPoint background(window.client.left() + 20, window.client.bottom() - 5);
    return {"mousemove", QString::number(background.x()), QString::number(background.y()), "click",
            "3"};
}

bool CenteredOn(const QRect& frame, const QRect& area) {
    return (frame.center() - area.center()).manhattanLength() <= 1;
}

} // namespace

class TestWindowSystem : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup() { Stop(); }
    void argumentsChangeNothing();
    void titlesPlacesAndMove();

private:
    void Start(const QStringList& arguments = {});
    void Stop();
    static QByteArray SteadyImage(const SWindow& window);

    QTemporaryDir m_home;
    QProcess m_server;
    QProcess m_windowManager;
    QProcess m_pelvaro;
};

void TestWindowSystem::initTestCase() {
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "xwd"}) {
        if (!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            continue;
        const QByteArray why = QByteArray(tool) + " is not installed (tools/ensure-deps.sh)";
        if (qgetenv("CI") == "true")
            QFAIL(why.constData());
        QSKIP(why.constData());
    }
    // The server picks a free display itself and says which once it is ready.
    m_server.start(QStringLiteral("Xvfb"),
                   {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QVERIFY(m_server.waitForReadyRead(20000));
    qputenv("DISPLAY", ":" + m_server.readLine().trimmed());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    const auto windowManagerReady = [this] {
        // Now and then it finds the new server not yet taking connections,
        // and gives up.
        if (m_windowManager.state() == QProcess::NotRunning)
            m_windowManager.start(QStringLiteral("openbox"), {"--sm-disable"});
        return Run(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"})
            .contains("window id");
    };
    QTRY_VERIFY_WITH_TIMEOUT(windowManagerReady(), 20000);
}

void TestWindowSystem::cleanupTestCase() {
    m_windowManager.kill();
    m_server.terminate();
    m_windowManager.waitForFinished();
    m_server.waitForFinished();
}

void TestWindowSystem::Start(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath("config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath("data"));
    m_pelvaro.setProcessEnvironment(environment);
    m_pelvaro.start(QStringLiteral(PELVARO_EXECUTABLE), arguments);
}

void TestWindowSystem::Stop() {
    m_pelvaro.kill();
    m_pelvaro.waitForFinished();
}

// The window's pixels once two looks in a row agree; empty if they never do.
QByteArray TestWindowSystem::SteadyImage(const SWindow& window) {
    QByteArray image;
    const bool steady = QTest::qWaitFor([&] {
        const QByteArray previous =
            std::exchange(image, Run(QStringLiteral("xwd"), {"-silent", "-id", window.id}));
        return !image.isEmpty() && image == previous;
    });
    return steady ? image : QByteArray();
}

// Qt's own options, given to the program, neither choose the platform nor
// change a pixel of the window.
void TestWindowSystem::argumentsChangeNothing() {
    const QString styleSheet = m_home.filePath("red.qss");
    QFile file(styleSheet);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("* { background: red; }"));
    file.close();

    QByteArray images[2];
    const QStringList runs[2] = {{},
                                 {"-platform", "offscreen", "-style", "windows", "-reverse",
                                  "-stylesheet", styleSheet, "-qwindowtitle", "Other"}};
    for (int run = 0; run < 2; ++run) {
        Start(runs[run]);
        SWindow main;
        WAIT_FOR(main, "Pelvaro");
        // Away from the caret and the buttons' hover faces.
        Xdotool({"mousemove", "0", "0", "key", "Tab"});
        images[run] = SteadyImage(main);
        QVERIFY(!images[run].isEmpty());
        Stop();
    }
    QVERIFY(images[0] == images[1]);
}

void TestWindowSystem::titlesPlacesAndMove() {
    Start();
    SWindow main;
    WAIT_FOR(main, "Pelvaro");
    QVERIFY(CenteredOn(main.frame, kScreen));

    // The about box sits over the main window.
    SWindow dialog;
    CHOOSE(RightClickOn(main), "a");
    WAIT_FOR(dialog, "About Pelvaro");
    QVERIFY(CenteredOn(dialog.frame, main.frame));
    Xdotool({"key", "Escape"});

    // Move: the window follows the mouse from where the cursor was put,
    // until a click.
    CHOOSE(RightClickOn(main), "m");
    const QPoint middle = main.client.center();
    QTRY_COMPARE(Numbers(Run("xdotool", {"getmouselocation"})).mid(0, 2),
                 QList<int>({middle.x(), middle.y()}));
    // The window manager takes over at the program's next look at the mouse,
    // which may come late: the mouse goes up and down one pixel until the
    // window goes with it, and that tells from where it follows.
    int wiggle = 0;
    QPoint offset;
    QTRY_VERIFY(
        (Xdotool({"mousemove", QString::number(middle.x()),
                  QString::number(middle.y() + (wiggle ^= 1))}),
         !(offset = Active(QStringLiteral("Pelvaro")).frame.topLeft() - main.frame.topLeft())
              .isNull()));
    QVERIFY2(offset.x() == 0 && qAbs(offset.y()) == 1, qPrintable(QDebug::toString(offset)));
    const QPoint from = middle + QPoint(0, offset.y() < 0 ? 1 : 0);
    Xdotool({"mousemove", QString::number(from.x() - 100), QString::number(from.y() - 60)});
    SWindow moved;
    QTRY_COMPARE((moved = Active(QStringLiteral("Pelvaro"))).frame,
                 main.frame.translated(-100, -60));
    Xdotool({"click", "1", "mousemove_relative", "30", "30"});
    WAIT_FOR(main, "Pelvaro");
    QCOMPARE(main.frame, moved.frame);

    // The add dialog is centred on the screen, wherever the main window is;
    // a refused label's message and the dialogs of Qt keep their titles.
    // The mouse waits out of the way, where it raises no tooltip.
    Xdotool({"mousemove", "0", "0"});
    CHOOSE(QStringList({"key", "Tab", "key", "space"}), "a");
    WAIT_FOR(dialog, "Add to Address Book");
    QVERIFY(CenteredOn(dialog.frame, kScreen));
    Xdotool({"type", "x"});
    Xdotool({"key", "Return"});
    WAIT_FOR(main, "Pelvaro");
    CHOOSE(QStringList({"key", "space"}), "a");
    WAIT_FOR(dialog, "Add to Address Book");
    Xdotool({"type", "x"});
    Xdotool({"key", "Return"});
    QTRY_VERIFY(Active(QStringLiteral("Pelvaro")).client.size() != main.client.size());
    Xdotool({"key", "Return"});
    WAIT_FOR(dialog, "Add to Address Book");
    Xdotool({"key", "Escape"});
    CHOOSE(QStringList({"key", "Tab", "key", "Tab", "key", "space"}), "Down");
    Xdotool({"key", "Down", "key", "Return"});
    WAIT_FOR(dialog, "Select Font");
}

QTEST_GUILESS_MAIN(TestWindowSystem)
#include "tst_windowsystem.moc"
