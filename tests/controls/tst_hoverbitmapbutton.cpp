#include "controls/hoverbitmapbutton.h"
#include "controls/resourceimages.h"
#include "testenvironment.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// Counts ticks and leave notifications.
class CProbeButton : public CHoverBitmapButton {
public:
    using CHoverBitmapButton::CHoverBitmapButton;
    int m_ticks = 0, m_leaves = 0;

protected:
    void OnMouseLeave() override {
        CHoverBitmapButton::OnMouseLeave();
        ++m_leaves;
    }
    void OnTimer() override {
        CHoverBitmapButton::OnTimer();
        ++m_ticks;
    }
};

QImage Rgb(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestHoverBitmapButton : public QObject {
    Q_OBJECT
    QWidget* m_host = nullptr;
    CProbeButton* m_button = nullptr;

    // The real cursor: the platform sends the enter, leave and move events.
    void CursorOnButton(QPoint local = QPoint(16, 16)) {
        QCursor::setPos(m_button->mapToGlobal(local));
    }
    void CursorAway() { QCursor::setPos(m_host->mapToGlobal(QPoint(190, 110))); }
    // The printer face the button shows (144 pressed, 145 hover, 146
    // normal), 0 for none of them.
    int ShownFace() const {
        const QImage shown = Rgb(m_button->grab());
        for (int id : {144, 145, 146})
            if (shown == Rgb(LoadBitmapResource(id, m_button->devicePixelRatioF())))
                return id;
        return 0;
    }

private slots:
    void init() {
        QCursor::setPos(5, 5);
        m_host = new QWidget;
        m_host->setGeometry(100, 100, 200, 120);
        m_button = new CProbeButton(m_host);
        m_button->setGeometry(80, 40, 40, 40);
        QVERIFY(m_button->LoadBitmaps(146, 144, 145));
        m_button->SizeToContent();
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host, kWaitMs));
    }
    void cleanup() { delete m_host; }

    // The left and top edges are inside, the right and bottom edges outside.
    void hitTest() {
        const std::pair<QPoint, bool> points[] = {{{0, 0}, true},
                                                  {{31, 31}, true},
                                                  {{32, 10}, false},
                                                  {{10, 32}, false},
                                                  {{-1, 10}, false}};
        for (const auto& [offset, inside] : points) {
            CursorOnButton(offset);
            QCOMPARE(m_button->HitTest(), inside);
            QTRY_COMPARE_WITH_TIMEOUT(ShownFace(), inside ? 145 : 146, kWaitMs);
        }
    }

    // Idle -> Hovering -> (ticks inside change nothing) -> Idle: the leave
    // ends hovering and its timer at once.
    void hoverThenLeave() {
        CursorOnButton();
        QTRY_VERIFY_WITH_TIMEOUT(m_button->IsHoverFlagSet() && m_button->IsTimerRunning(), kWaitMs);
        QCOMPARE(ShownFace(), 145);
        QTRY_VERIFY_WITH_TIMEOUT(m_button->m_ticks >= 2, kWaitMs);
        QVERIFY(m_button->IsHoverFlagSet() && m_button->IsTimerRunning());
        CursorAway();
        QTRY_COMPARE_WITH_TIMEOUT(m_button->m_leaves, 1, kWaitMs);
        QVERIFY(!m_button->IsHoverFlagSet() && !m_button->IsTimerRunning());
        QCOMPARE(ShownFace(), 146);
    }

    // Where the platform stops reporting the cursor once it has left the
    // window, its last position still lies on the button: the leave alone
    // puts the normal face back, and the next move lights it again.
    void leaveWhereTheCursorFreezes() {
        CursorOnButton();
        QTRY_COMPARE_WITH_TIMEOUT(ShownFace(), 145, kWaitMs);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_button, &leave);
        QVERIFY(!m_button->IsTimerRunning());
        QCOMPARE(ShownFace(), 146);
        QMouseEvent move(QEvent::MouseMove, QPointF(16, 16), QCursor::pos(), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_button, &move);
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
        QTest::mouseClick(m_button, Qt::LeftButton, {}, middle);
        QCOMPARE(clicked.count(), 2);
    }

    // Without a leave notification the timer puts the normal face back and
    // keeps the hover flag; a late leave clears it.
    void staleWhenLeaveNeverComes() {
        QMouseEvent move(QEvent::MouseMove, QPointF(16, 16), QCursor::pos(), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_button, &move);
        QVERIFY(m_button->IsHoverFlagSet() && m_button->IsTimerRunning());
        QCOMPARE(ShownFace(), 146);
        QTRY_VERIFY_WITH_TIMEOUT(!m_button->IsTimerRunning(), kWaitMs);
        QVERIFY(m_button->IsHoverFlagSet());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_button, &leave);
        QVERIFY(!m_button->IsHoverFlagSet());
    }
};

QTEST_MAIN(TestHoverBitmapButton)
#include "tst_hoverbitmapbutton.moc"
