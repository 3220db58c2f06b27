#include "hoverbitmapbutton.h"
#include "resourceimages.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

// Records the flags as each handler leaves them, so a transition can be
// checked at its own moment rather than after the next timer tick.
class CProbeButton : public CHoverBitmapButton {
public:
    using CHoverBitmapButton::CHoverBitmapButton;

    struct SStep {
        char handler;
        bool hover;
        int timerId;
    };
    QList<SStep> m_steps;
    int m_paints = 0;

    int TimerId() const { return m_nTimerId; }
    SStep Last() const { return m_steps.isEmpty() ? SStep{'-', false, 0} : m_steps.last(); }
    // The first step of one handler: a tick may come in between.
    SStep First(char handler) const {
        for (const SStep& step : m_steps)
            if (step.handler == handler)
                return step;
        return {'-', false, 0};
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        ++m_paints;
        CHoverBitmapButton::paintEvent(event);
    }
    void OnMouseMove() override {
        CHoverBitmapButton::OnMouseMove();
        m_steps.append({'m', m_bHover, m_nTimerId});
    }
    void OnMouseLeave() override {
        CHoverBitmapButton::OnMouseLeave();
        m_steps.append({'l', m_bHover, m_nTimerId});
    }
    void OnTimer() override {
        CHoverBitmapButton::OnTimer();
        m_steps.append({'t', m_bHover, m_nTimerId});
    }
};

const QList<int> kFaceIds = {140, 141, 142, 144, 145, 146, 147, 148, 149};

QImage Rgb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

enum class ETile { Normal, Pressed, Hover };

// The tile's colour away from the picture tells the three kinds apart.
ETile TileKind(const QImage& face) {
    const QColor c = face.pixelColor(3, 9);
    if (c.blue() > c.red() + 40)
        return ETile::Normal;
    return c.blue() > 150 ? ETile::Hover : ETile::Pressed;
}

} // namespace

class TestHoverBitmapButton : public QObject {
    Q_OBJECT

    QWidget* m_host = nullptr;
    QLineEdit* m_edit = nullptr;
    CProbeButton* m_button = nullptr;

    // A point far from the button and its window.
    static QPoint Away() { return QPoint(5, 5); }

    // Moves the real cursor: the platform sends the enter, leave and move
    // events that go with it.
    void CursorTo(const QPoint& global) {
        QCursor::setPos(global);
        Settle();
    }
    void CursorOnButton(QPoint local = QPoint(16, 16)) { CursorTo(m_button->mapToGlobal(local)); }
    // Paints arrive through an update request a few milliseconds later; the
    // hover-check timer needs 100.
    static void Settle() { QTest::qWait(20); }

    // A mouse move delivered to the button alone, as when the cursor has
    // already gone elsewhere and no leave notification comes.
    void StrayMove() {
        QMouseEvent move(QEvent::MouseMove, QPointF(16, 16), QCursor::pos(), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_button, &move);
        Settle();
    }

    // The id of the face the button shows, 0 for none of them.
    int ShownFace() const {
        const QImage shown = Rgb(m_button->grab());
        for (int id : kFaceIds)
            if (shown == Rgb(LoadBitmapResource(id, m_button->devicePixelRatioF())))
                return id;
        return 0;
    }

private slots:
    void init() {
        CursorTo(Away());
        m_host = new QWidget;
        m_host->setGeometry(100, 100, 200, 120);
        m_edit = new QLineEdit(m_host);
        m_edit->setGeometry(10, 10, 60, 20);
        m_button = new CProbeButton(m_host);
        m_button->setGeometry(80, 40, 40, 40);
        m_button->LoadBitmaps(146, 144, 145, 0);
        m_button->SizeToContent();
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host));
        Settle();
        m_button->m_steps.clear();
    }
    void cleanup() {
        delete m_host;
        m_host = nullptr;
    }

    void pictures_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("tile");
        // The printer's ids run pressed, hover, normal.
        const struct {
            const char* name;
            int normal, pressed, hover;
        } pictures[] = {
            {"book", 140, 141, 142}, {"printer", 146, 144, 145}, {"gears", 147, 148, 149}};
        for (const auto& p : pictures) {
            QTest::addRow("%s normal", p.name) << p.normal << int(ETile::Normal);
            QTest::addRow("%s pressed", p.name) << p.pressed << int(ETile::Pressed);
            QTest::addRow("%s hover", p.name) << p.hover << int(ETile::Hover);
        }
    }
    void pictures() {
        QFETCH(int, id);
        QFETCH(int, tile);
        const QPixmap face = LoadBitmapResource(id, 1.0);
        QCOMPARE(face.size(), QSize(32, 32));
        const QImage image = Rgb(face);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(31, 31), QColor(Qt::white));
        QCOMPARE(int(TileKind(image)), tile);
        if (tile == int(ETile::Pressed)) // the inner shadow along the top
            QVERIFY(image.pixelColor(8, 2).lightness() + 30 < image.pixelColor(3, 12).lightness());

        // Sharp on a high-density screen: twice the pixels, the same size.
        const QPixmap sharp = LoadBitmapResource(id, 2.0);
        QCOMPARE(sharp.size(), QSize(64, 64));
        QCOMPARE(sharp.deviceIndependentSize(), QSizeF(32, 32));
    }

    void otherPictures() {
        const QPixmap stamp = LoadBitmapResource(130, 1.0);
        QCOMPARE(stamp.size(), QSize(70, 78));
        QCOMPARE(Rgb(stamp).pixelColor(0, 0), QColor(Qt::white));

        const QIcon icon = LoadIconResource(128);
        for (int size : {16, 32, 48})
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                     qPrintable(QString::number(size)));
        // Transparent around the envelope, opaque in its middle.
        const QImage small = icon.pixmap(QSize(16, 16), 1.0).toImage();
        QCOMPARE(small.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(small.pixelColor(8, 12).alpha(), 255);
    }

    // Each row loads over a button that held the gear faces, so a face that
    // is not requested must be gone. Then the button sizes to its normal
    // face, or stays as it is when it has none.
    void loadBitmaps_data() {
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<bool>("result");
        // Shown face when idle, pressed, hovered, disabled.
        QTest::addColumn<QList<int>>("shown");
        QTest::newRow("three faces")
            << QList<int>{146, 144, 145, 0} << true << QList<int>{146, 144, 145, 146};
        QTest::newRow("normal only")
            << QList<int>{140, 0, 0, 0} << true << QList<int>{140, 140, 140, 140};
        QTest::newRow("disabled face")
            << QList<int>{146, 144, 145, 140} << true << QList<int>{146, 144, 145, 140};
        QTest::newRow("missing normal")
            << QList<int>{999, 144, 145, 0} << false << QList<int>{0, 0, 0, 0};
        QTest::newRow("missing pressed")
            << QList<int>{146, 999, 145, 0} << false << QList<int>{146, 146, 145, 146};
        QTest::newRow("missing hover")
            << QList<int>{146, 144, 999, 0} << false << QList<int>{146, 144, 146, 146};
    }
    void loadBitmaps() {
        QFETCH(QList<int>, ids);
        QFETCH(bool, result);
        QFETCH(QList<int>, shown);
        QVERIFY(m_button->LoadBitmaps(147, 148, 149, 147));
        QCOMPARE(m_button->LoadBitmaps(ids[0], ids[1], ids[2], ids[3]), result);

        QCOMPARE(ShownFace(), shown[0]);
        if (shown[0] == 0)
            QCOMPARE(m_button->ChooseFace(), CHoverBitmapButton::EFace::None);
        m_button->setDown(true);
        QCOMPARE(ShownFace(), shown[1]);
        m_button->setDown(false);
        CursorOnButton();
        QCOMPARE(ShownFace(), shown[2]);
        CursorTo(Away());
        m_button->setEnabled(false);
        QCOMPARE(ShownFace(), shown[3]);

        m_button->setGeometry(7, 9, 50, 40);
        m_button->SizeToContent();
        QCOMPARE(m_button->geometry(), shown[0] ? QRect(7, 9, 32, 32) : QRect(7, 9, 50, 40));
    }

    void hitTest_data() {
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("inside");
        QTest::newRow("top left corner") << QPoint(0, 0) << true;
        QTest::newRow("last column and row") << QPoint(31, 31) << true;
        QTest::newRow("right edge") << QPoint(32, 10) << false;
        QTest::newRow("bottom edge") << QPoint(10, 32) << false;
        QTest::newRow("bottom right corner") << QPoint(32, 32) << false;
        QTest::newRow("left of it") << QPoint(-1, 10) << false;
        QTest::newRow("above it") << QPoint(10, -1) << false;
    }
    void hitTest() {
        QFETCH(QPoint, offset);
        QFETCH(bool, inside);
        const QPoint global = m_button->mapToGlobal(offset);
        QCOMPARE(m_button->HitTest(global), inside);
        // The same through the real cursor, and so the face on screen.
        CursorTo(global);
        QCOMPARE(m_button->HitTest(), inside);
        QCOMPARE(ShownFace(), inside ? 145 : 146);
    }

    // Idle -> Hovering -> (ticks inside) -> Idle: the leave ends hovering.
    void hoverThenLeave() {
        QCOMPARE(m_button->IsHoverFlagSet(), false);
        QCOMPARE(m_button->IsTimerRunning(), false);
        QCOMPARE(ShownFace(), 146);

        int paints = m_button->m_paints;
        CursorOnButton();
        QCOMPARE(m_button->First('m').handler, 'm');
        QVERIFY(m_button->IsHoverFlagSet());
        const int timer = m_button->TimerId();
        QVERIFY(timer != 0);
        QVERIFY(m_button->m_paints > paints);
        QCOMPARE(ShownFace(), 145);

        // Ticks while the cursor stays change nothing.
        QTest::qWait(250);
        QVERIFY(m_button->Last().handler == 't');
        QCOMPARE(m_button->TimerId(), timer);
        QVERIFY(m_button->IsHoverFlagSet());

        paints = m_button->m_paints;
        m_button->m_steps.clear();
        CursorTo(m_host->mapToGlobal(QPoint(150, 100)));
        QCOMPARE(m_button->First('l').handler, 'l');
        QCOMPARE(m_button->First('l').hover, false);
        QCOMPARE(m_button->First('l').timerId, 0);
        QVERIFY(m_button->m_paints > paints);
        QCOMPARE(ShownFace(), 146);
    }

    // Without a leave notification the timer puts the normal face back.
    void staleWhenLeaveNeverComes() {
        StrayMove(); // the cursor is away: Hovering, showing the normal face
        QVERIFY(m_button->IsHoverFlagSet());
        QVERIFY(m_button->IsTimerRunning());
        QCOMPARE(ShownFace(), 146);

        int paints = m_button->m_paints;
        QTRY_VERIFY_WITH_TIMEOUT(!m_button->IsTimerRunning(), 500);
        QVERIFY(m_button->IsHoverFlagSet()); // Stale
        Settle();
        QVERIFY(m_button->m_paints > paints);

        // A late leave notification in Stale: Idle, with a repaint.
        paints = m_button->m_paints;
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_button, &leave);
        Settle();
        QCOMPARE(m_button->IsHoverFlagSet(), false);
        QCOMPARE(m_button->IsTimerRunning(), false);
        QVERIFY(m_button->m_paints > paints);

        // A move in Stale starts the timer again but asks for no repaint (the
        // cursor stays on the button, so the ticks change nothing either).
        StrayMove();
        QTRY_VERIFY_WITH_TIMEOUT(!m_button->IsTimerRunning(), 500);
        Settle();
        paints = m_button->m_paints;
        m_button->m_steps.clear();
        CursorOnButton();
        QCOMPARE(m_button->First('m').handler, 'm');
        QVERIFY(m_button->IsTimerRunning());
        QTest::qWait(150);
        QCOMPARE(m_button->m_paints, paints);
    }

    // Where the platform stops reporting the cursor once it has left the
    // window (Wayland), its last position still lies on the button; the leave
    // notification alone puts the normal face back.
    void leaveWhereTheCursorFreezes() {
        CursorOnButton();
        QCOMPARE(ShownFace(), 145);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_button, &leave);
        QVERIFY(!m_button->IsTimerRunning());
        QCOMPARE(ShownFace(), 146);
        StrayMove();
        QCOMPARE(ShownFace(), 145);
    }

    // The second click of a double click is no new press; two clicks apart
    // are two.
    void doubleClick() {
        QSignalSpy clicked(m_button, &QAbstractButton::clicked);
        const QPoint middle(16, 16);
        QTest::mouseDClick(m_host->windowHandle(), Qt::LeftButton, {},
                           m_button->mapTo(m_host, middle));
        QCOMPARE(clicked.count(), 1);
        // What a widget receives of it: press, release, double click, release.
        QTest::mouseClick(m_button, Qt::LeftButton, {}, middle);
        QTest::mouseDClick(m_button, Qt::LeftButton, {}, middle);
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, middle);
        QCOMPARE(clicked.count(), 2);
        QTest::mouseClick(m_button, Qt::LeftButton, {}, middle);
        QCOMPARE(clicked.count(), 3);
    }

    void pressAndDragOut() {
        QSignalSpy clicked(m_button, &QAbstractButton::clicked);
        CursorOnButton();
        QTest::mousePress(m_button, Qt::LeftButton, {}, QPoint(16, 16));
        QCOMPARE(ShownFace(), 144); // the pressed face wins over the hover face

        // Dragging out clears the pressed state; the cursor is outside.
        QCursor::setPos(m_button->mapToGlobal(QPoint(60, 16)));
        QTest::mouseMove(m_button, QPoint(60, 16));
        Settle();
        QVERIFY(!m_button->isDown());
        QCOMPARE(ShownFace(), 146);
        QTest::mouseRelease(m_button, Qt::LeftButton, {}, QPoint(60, 16));
        QCOMPARE(clicked.count(), 0);
    }

    void keyboard() {
        QSignalSpy clicked(m_button, &QAbstractButton::clicked);
        m_host->activateWindow();
        m_edit->setFocus();
        QTest::keyClick(m_edit, Qt::Key_Tab);
        QVERIFY(m_button->hasFocus());
        QCOMPARE(ShownFace(), 146); // focus alone never shows the focus face

        QTest::keyPress(m_button, Qt::Key_Space);
        QCOMPARE(ShownFace(), 144);
        QTest::keyRelease(m_button, Qt::Key_Space);
        QCOMPARE(ShownFace(), 146);
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestHoverBitmapButton)
#include "tst_hoverbitmapbutton.moc"
