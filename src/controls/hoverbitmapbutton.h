#pragma once

#include <QAbstractButton>
#include <QPixmap>

// An image button with four faces (normal, pressed, focus, disabled) that
// shows its focus face while the mouse cursor is over it. No text is drawn;
// the button's text serves as its tooltip.
class CHoverBitmapButton : public QAbstractButton {
    Q_OBJECT
public:
    // Which of the four faces a repaint draws.
    enum class Face { None, Normal, Pressed, Focus, Disabled };

    explicit CHoverBitmapButton(QWidget* parent = nullptr);
    ~CHoverBitmapButton() override;

    // Loads the faces from bitmap resource ids (0: none). Releases all four
    // first; returns true only when every requested face loaded.
    bool LoadBitmaps(int normalId, int pressedId = 0, int focusId = 0, int disabledId = 0);
    // Resizes the button to its normal face (32 x 32), keeping its position.
    void SizeToContent();

    // Whether the cursor is over the button: the left and top edges are
    // inside, the right and bottom edges outside.
    bool HitTest() const;
    bool HitTest(const QPoint& globalPos) const;

    // The face that a repaint would draw now; None when the chosen slot is
    // empty (no normal face loaded).
    Face ChooseFace() const;

    bool IsHoverFlagSet() const { return m_bHover; }
    bool IsTimerRunning() const { return m_nTimerId != 0; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

    virtual void OnMouseMove();
    virtual void OnMouseLeave();
    virtual void OnTimer();

    // Protected under the names the control was designed with, for derived buttons.
    // NOLINTBEGIN(misc-non-private-member-variables-in-classes)
    // Whether a mouse move has been seen since the last leave notification;
    // decides only whether a move asks for a repaint.
    bool m_bHover = false;
    // The running hover-check timer, 0 when none runs.
    int m_nTimerId = 0;
    // The platform said the cursor left and has reported no move over the
    // button since. Where it stops reporting the cursor's position once the
    // cursor is outside the window (Wayland), the last position would
    // otherwise keep the hover face lit.
    bool m_bLeft = false;
    // NOLINTEND(misc-non-private-member-variables-in-classes)

private:
    struct FaceSlot {
        int id = 0;
        QPixmap bitmap;
    };

    FaceSlot& Slot(Face face);
    const FaceSlot& Slot(Face face) const;
    void ReleaseBitmaps();
    // Renders a face again when the button has moved to a screen with
    // another scale factor, so it stays crisp.
    const QPixmap& FaceBitmap(Face face);

    FaceSlot m_bitmap;
    FaceSlot m_bitmapSel;
    FaceSlot m_bitmapFocus;
    FaceSlot m_bitmapDisabled;
};
