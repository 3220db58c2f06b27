#include "controls/hoverbitmapbutton.h"

#include "controls/resourceimages.h"

#include <QCursor>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QToolTip>

namespace {
// How often the button checks whether the cursor has gone, in case the leave
// notification never comes.
constexpr int kHoverCheckInterval = 100;
} // namespace

CHoverBitmapButton::CHoverBitmapButton(QWidget* parent) : QAbstractButton(parent) {
    // Moves must arrive without a mouse button held, as they drive the hover
    // face.
    setMouseTracking(true);
    // Every face covers the whole button, so nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

// The timer, if one runs, dies with the object.
CHoverBitmapButton::~CHoverBitmapButton() = default;

void CHoverBitmapButton::ReleaseBitmaps() {
    m_bitmap = {};
    m_bitmapSel = {};
    m_bitmapFocus = {};
    m_bitmapDisabled = {};
}

bool CHoverBitmapButton::LoadBitmaps(int normalId, int pressedId, int focusId, int disabledId) {
    ReleaseBitmaps();

    const qreal dpr = devicePixelRatioF();
    m_bitmap.bitmap = LoadBitmapResource(normalId, dpr);
    if (m_bitmap.bitmap.isNull())
        return false;
    m_bitmap.id = normalId;

    bool allLoaded = true;
    const auto load = [&](FaceSlot& slot, int id) {
        if (id == 0)
            return;
        slot.bitmap = LoadBitmapResource(id, dpr);
        if (slot.bitmap.isNull())
            allLoaded = false;
        else
            slot.id = id;
    };
    load(m_bitmapSel, pressedId);
    load(m_bitmapFocus, focusId);
    load(m_bitmapDisabled, disabledId);
    updateGeometry();
    update();
    return allLoaded;
}

void CHoverBitmapButton::SizeToContent() {
    if (m_bitmap.bitmap.isNull())
        return;
    resize(m_bitmap.bitmap.deviceIndependentSize().toSize());
}

QSize CHoverBitmapButton::sizeHint() const {
    if (m_bitmap.bitmap.isNull())
        return QSize(32, 32);
    return m_bitmap.bitmap.deviceIndependentSize().toSize();
}

bool CHoverBitmapButton::HitTest() const {
    return HitTest(QCursor::pos());
}

bool CHoverBitmapButton::HitTest(const QPoint& globalPos) const {
    // Written out rather than QRect::contains so the half-open edges are
    // plain to see: x + width is the first column outside.
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    return globalPos.x() >= origin.x() && globalPos.x() < origin.x() + width() &&
           globalPos.y() >= origin.y() && globalPos.y() < origin.y() + height();
}

CHoverBitmapButton::FaceSlot& CHoverBitmapButton::Slot(Face face) {
    switch (face) {
    case Face::Pressed:
        return m_bitmapSel;
    case Face::Focus:
        return m_bitmapFocus;
    case Face::Disabled:
        return m_bitmapDisabled;
    case Face::Normal:
    case Face::None:
        break;
    }
    return m_bitmap;
}

const CHoverBitmapButton::FaceSlot& CHoverBitmapButton::Slot(Face face) const {
    return const_cast<CHoverBitmapButton*>(this)->Slot(face);
}

CHoverBitmapButton::Face CHoverBitmapButton::ChooseFace() const {
    // The focus face stands for the cursor being over the button, so real
    // keyboard focus never shows; the pressed face wins over it.
    Face face = Face::Normal;
    if (isDown() && !m_bitmapSel.bitmap.isNull())
        face = Face::Pressed;
    else if (!m_bLeft && HitTest() && !m_bitmapFocus.bitmap.isNull())
        face = Face::Focus;
    else if (!isEnabled() && !m_bitmapDisabled.bitmap.isNull())
        face = Face::Disabled;
    return Slot(face).bitmap.isNull() ? Face::None : face;
}

const QPixmap& CHoverBitmapButton::FaceBitmap(Face face) {
    FaceSlot& slot = Slot(face);
    const qreal dpr = devicePixelRatioF();
    if (slot.id != 0 && !qFuzzyCompare(slot.bitmap.devicePixelRatio(), dpr)) {
        QPixmap sharper = LoadBitmapResource(slot.id, dpr);
        if (!sharper.isNull())
            slot.bitmap = std::move(sharper);
    }
    return slot.bitmap;
}

void CHoverBitmapButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const Face face = ChooseFace();
    QRect covered;
    if (face != Face::None) {
        const QPixmap& bitmap = FaceBitmap(face);
        painter.drawPixmap(QPoint(0, 0), bitmap);
        covered = QRect(QPoint(0, 0), bitmap.deviceIndependentSize().toSize());
    }
    // The background is not erased for us; whatever no face covers gets the
    // window colour rather than stale pixels.
    const QRegion rest = QRegion(rect()).subtracted(covered);
    for (const QRect& r : rest)
        painter.fillRect(r, palette().window());
}

bool CHoverBitmapButton::event(QEvent* event) {
    if (event->type() == QEvent::Polish) {
        const bool result = QAbstractButton::event(event);
        // Styles turn on hover repaints for buttons; here the hover logic
        // alone decides when to repaint, and no face depends on the style.
        setAttribute(Qt::WA_Hover, false);
        return result;
    }
    // The button's text is its tooltip unless one was set.
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (text().isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text(), this);
        return true;
    }
    return QAbstractButton::event(event);
}

void CHoverBitmapButton::mouseMoveEvent(QMouseEvent* event) {
    OnMouseMove();
    // Pressing, dragging out and releasing work as for any button.
    QAbstractButton::mouseMoveEvent(event);
}

// The second click of a double click is no new press: a double click runs
// the button's command once.
void CHoverBitmapButton::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

void CHoverBitmapButton::leaveEvent(QEvent* event) {
    OnMouseLeave();
    QAbstractButton::leaveEvent(event);
}

void CHoverBitmapButton::timerEvent(QTimerEvent* event) {
    if (m_nTimerId != 0 && event->timerId() == m_nTimerId)
        OnTimer();
    else
        QAbstractButton::timerEvent(event);
}

void CHoverBitmapButton::OnMouseMove() {
    m_bLeft = false;
    if (!m_bHover) {
        m_bHover = true;
        update();
    }
    // A failed start leaves the id 0, and the next move tries again.
    if (m_nTimerId == 0)
        m_nTimerId = startTimer(kHoverCheckInterval);
}

void CHoverBitmapButton::OnMouseLeave() {
    // The leave notification ends hovering: the normal face at once, and no
    // timer left polling a cursor position that may no longer change.
    update();
    m_bHover = false;
    m_bLeft = true;
    if (m_nTimerId != 0) {
        killTimer(m_nTimerId);
        m_nTimerId = 0;
    }
}

void CHoverBitmapButton::OnTimer() {
    if (HitTest())
        return;
    // The leave notification may never come (the cursor jumped, or a popup
    // took the mouse), so the timer redraws the normal face itself. The hover
    // flag stays: only a leave notification clears it.
    update();
    killTimer(m_nTimerId);
    m_nTimerId = 0;
}
