// Pelvaro as the window system sees it, beside an X server and a window
// manager of the test's own (support/with-xserver.sh), driven through the
// server's keyboard and mouse: the titles the window manager is given, where
// the windows land with their frames, the window menu's Move, and arguments
// that change nothing.

#include "testenvironment.h"

#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

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
    for (const auto& match : QRegularExpression(QStringLiteral("\\d+")).globalMatch(text))
        numbers.append(match.captured().toInt());
    return numbers;
}

struct SWindow {
    QString id;
    QRect client;
    QRect frame; // with the frame the window manager put around it
};

// The active window if the window manager was given exactly this title for
// it and has framed it; a null window otherwise.
SWindow Active(const QString& title) {
    const QByteArray id =
        Run(QStringLiteral("xprop"), {"-root", "_NET_ACTIVE_WINDOW"}).split(' ').last().trimmed();
    // With no window, xwininfo would wait for one to be clicked.
    if (id.toUInt(nullptr, 0) == 0)
        return {};
    const QList<QByteArray> properties =
        Run(QStringLiteral("xprop"), {"-id", id, "_NET_WM_NAME", "_NET_FRAME_EXTENTS"}).split('\n');
    const QList<int> extents = Numbers(properties.value(1).split('=').last());
    if (properties[0] != "_NET_WM_NAME(UTF8_STRING) = \"" + title.toUtf8() + '"' ||
        extents.size() != 4)
        return {};
    const QByteArray info = Run(QStringLiteral("xwininfo"), {"-id", id});
    const auto value = [&](const char* key) {
        const qsizetype at = info.indexOf(key) + qstrlen(key);
        return info.mid(at, info.indexOf('\n', at) - at).trimmed().toInt();
    };
    const QRect client(value("Absolute upper-left X:"), value("Absolute upper-left Y:"),
                       value("Width:"), value("Height:"));
    return {QString::fromLatin1(id), client,
            client.adjusted(-extents[0], -extents[2], extents[1], extents[3])};
}

#define WAIT_FOR(window, title)                                                                    \
    QTRY_VERIFY_WITH_TIMEOUT(!((window) = Active(QStringLiteral(title))).frame.isNull(), 10000)

int VisibleWindows() {
    return Run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "Pelvaro"})
        .count('\n');
}

// Opens a menu and waits for it before choosing in it with a key.
#define CHOOSE(open, key)                                                                          \
    do {                                                                                           \
        const int before = VisibleWindows();                                                       \
        Xdotool(open);                                                                             \
        QTRY_COMPARE(VisibleWindows(), before + 1);                                                \
        Xdotool({"key", key});                                                                     \
    } while (false)

QStringList RightClickOnBackground(const SWindow& window) {
    return {"mousemove", QString::number(window.client.left() + 20),
            QString::number(window.client.bottom() - 5), "click", "3"};
}

bool CenteredOn(const QRect& frame, const QRect& area) {
    return (frame.center() - area.center()).manhattanLength() <= 1;
}

} // namespace

class TestWindowSystem : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        m_pelvaro.kill();
        m_pelvaro.waitForFinished();
    }
    void titlesPlacesAndMove();

private:
    QTemporaryDir m_home;
    QProcess m_pelvaro;
};

void TestWindowSystem::titlesPlacesAndMove() {
    PELVARO_REQUIRE(qgetenv("PELVARO_XSERVER") == "running",
                    QStringLiteral("an X server and a window manager (support/with-xserver.sh)"));
    for (const char* tool : {"xdotool", "xprop", "xwininfo"})
        PELVARO_REQUIRE(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                        QLatin1String(tool) + QStringLiteral(" (tools/ensure-deps.sh)"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("HOME"), m_home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath("config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath("data"));
    m_pelvaro.setProcessEnvironment(environment);
    // Qt's own options neither choose the platform nor name the window.
    m_pelvaro.start(qEnvironmentVariable("PELVARO_EXECUTABLE"),
                    {"-platform", "offscreen", "-qwindowtitle", "Other"});
    const QRect screen(0, 0, 1024, 768);
    SWindow main;
    WAIT_FOR(main, "Pelvaro");
    QVERIFY(CenteredOn(main.frame, screen));

    SWindow dialog;
    CHOOSE(RightClickOnBackground(main), "a");
    WAIT_FOR(dialog, "About Pelvaro");
    QVERIFY(CenteredOn(dialog.frame, main.frame));
    Xdotool({"key", "Escape"});

    // Move puts the cursor in the middle of the window, which follows the
    // mouse until a click. The window manager takes over at the program's
    // next look at the mouse, which may come late: the mouse goes up and
    // down a pixel until the window goes with it, which tells from where.
    CHOOSE(RightClickOnBackground(main), "m");
    const QPoint middle = main.client.center();
    QTRY_COMPARE(Numbers(Run("xdotool", {"getmouselocation"})).mid(0, 2),
                 QList<int>({middle.x(), middle.y()}));
    int wiggle = 0;
    QPoint offset;
    QTRY_VERIFY((Xdotool({"mousemove", QString::number(middle.x()),
                          QString::number(middle.y() + (wiggle ^= 1))}),
                 !(offset = Active("Pelvaro").frame.topLeft() - main.frame.topLeft()).isNull()));
    QCOMPARE(QPoint(offset.x(), qAbs(offset.y())), QPoint(0, 1));
    const QPoint from = middle + QPoint(0, offset.y() < 0 ? 1 : 0);
    Xdotool({"mousemove", QString::number(from.x() - 100), QString::number(from.y() - 60)});
    SWindow moved;
    QTRY_COMPARE((moved = Active("Pelvaro")).frame, main.frame.translated(-100, -60));
    Xdotool({"click", "1", "mousemove", "0", "0"});
    WAIT_FOR(main, "Pelvaro");
    QCOMPARE(main.frame, moved.frame);

    // Centred on the screen, wherever the main window is.
    CHOOSE(QStringList({"key", "Tab", "key", "space"}), "a");
    WAIT_FOR(dialog, "Add to Address Book");
    QVERIFY(CenteredOn(dialog.frame, screen));
    Xdotool({"key", "Escape"});
    // Qt's own dialogs keep their titles too.
    CHOOSE(QStringList({"key", "Tab", "key", "Tab", "key", "space"}), "Down");
    Xdotool({"key", "Down", "key", "Return"});
    WAIT_FOR(dialog, "Select Font");
}

QTEST_GUILESS_MAIN(TestWindowSystem)
#include "tst_windowsystem.moc"
