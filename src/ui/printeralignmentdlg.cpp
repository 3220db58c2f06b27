#include "ui/printeralignmentdlg.h"

#include "ui/dialogbuttons.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr EnvelopeFeed kFeedOrder[] = {
    EnvelopeFeed::AcrossLeft,   EnvelopeFeed::AcrossCentre,   EnvelopeFeed::AcrossRight,
    EnvelopeFeed::StandingLeft, EnvelopeFeed::StandingCentre, EnvelopeFeed::StandingRight,
};

// The tray seen from above, the sheet going in at the top, and the
// envelope in it as the feed has it.
QPixmap FeedPicture(EnvelopeFeed feed, const QColor& ink, const QColor& paper) {
    QPixmap picture(72, 72);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tray(8, 14, 56, 54);
    QPen pen(ink);
    pen.setWidthF(1.5);
    painter.setPen(pen);
    painter.drawLine(tray.topLeft(), tray.bottomLeft());
    painter.drawLine(tray.topRight(), tray.bottomRight());
    painter.drawLine(tray.bottomLeft(), tray.bottomRight());
    // The arrow the sheet goes in by.
    painter.drawLine(QPointF(36, 2), QPointF(36, 12));
    painter.drawLine(QPointF(36, 2), QPointF(32, 6));
    painter.drawLine(QPointF(36, 2), QPointF(40, 6));
    const bool standing = IsStanding(feed);
    const QSizeF size = standing ? QSizeF(18, 40) : QSizeF(40, 18);
    double x = tray.left() + 2;
    if (feed == EnvelopeFeed::AcrossCentre || feed == EnvelopeFeed::StandingCentre)
        x = tray.center().x() - size.width() / 2;
    else if (feed == EnvelopeFeed::AcrossRight || feed == EnvelopeFeed::StandingRight)
        x = tray.right() - 2 - size.width();
    const QRectF envelope(QPointF(x, tray.top() + 4), size);
    painter.setBrush(paper);
    painter.drawRect(envelope);
    // The stamp corner shows which way up it is drawn.
    painter.setBrush(ink);
    const QSizeF stamp(6, 6);
    painter.drawRect(standing ? QRectF(envelope.bottomRight() - QPointF(8, 8), stamp)
                              : QRectF(envelope.topRight() + QPointF(-8, 2), stamp));
    return picture;
}

QDoubleSpinBox* ShiftBox(int tenths, const QString& accessibleName) {
    auto* box = new QDoubleSpinBox;
    box->setRange(-PrinterAlignment::kMaxShift / 10.0, PrinterAlignment::kMaxShift / 10.0);
    box->setDecimals(1);
    box->setSingleStep(0.1);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(tenths / 10.0);
    box->setAccessibleName(accessibleName);
    return box;
}

int Tenths(const QDoubleSpinBox* box) {
    return static_cast<int>(std::lround(box->value() * 10));
}

// Border and padding of a picture on each side, as the style sheet below
// draws them, and the tool button's own margins.
constexpr int kFeedFrameWidth = 2 * (3 + 2) + 12;

// The chosen picture's words are bold: its button is made wide enough for
// them, or the longest would be cut short with an ellipsis.
int BoldTextWidth(const QToolButton& button) {
    QFont bold = button.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int widest = 0;
    for (const QString& line : button.text().split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

} // namespace

CPrinterAlignmentDlg::CPrinterAlignmentDlg(const QString& printer,
                                           const PrinterAlignment& alignment, TestPage testPage,
                                           QWidget* parent)
    : QDialog(parent), m_testPage(std::move(testPage)) {
    setWindowTitle(QStringLiteral("Printer Alignment"));

    auto* printerLabel = new QLabel(QStringLiteral("Printer: %1").arg(printer));
    printerLabel->setTextFormat(Qt::PlainText);
    printerLabel->setAccessibleName(QStringLiteral("Printer"));
    QGroupBox* feedBox = MakeFeedBox(alignment.feed);

    m_turned = new QCheckBox(QStringLiteral("T&urned round (the flap goes in first)"));
    m_turned->setAccessibleName(QStringLiteral("Turned round"));
    m_turned->setChecked(alignment.turned);

    m_shiftRight = ShiftBox(alignment.shiftRight, QStringLiteral("Shift right"));
    m_shiftDown = ShiftBox(alignment.shiftDown, QStringLiteral("Shift down"));
    auto* shifts = new QFormLayout;
    shifts->addRow(QStringLiteral("Shift &right:"), m_shiftRight);
    shifts->addRow(QStringLiteral("Shift &down:"), m_shiftDown);

    QDialogButtonBox* buttons = MakeButtons();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerLabel);
    layout->addWidget(feedBox);
    layout->addWidget(m_turned);
    layout->addLayout(shifts);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    TabInShownOrder(*buttons);
}

QGroupBox* CPrinterAlignmentDlg::MakeFeedBox(EnvelopeFeed chosen) {
    auto* feedBox = new QGroupBox(QStringLiteral("How the printer takes an envelope"));
    auto* feedGrid = new QGridLayout(feedBox);
    auto* feedNote = new QLabel(QStringLiteral(
        "Each picture looks down on the envelope as it goes into the printer, the side to be "
        "printed on facing up; the black square is the stamp's corner. Lying across: a long "
        "edge goes in first. Standing: a short edge goes in first, whichever tray or slot "
        "takes it."));
    feedNote->setWordWrap(true);
    feedNote->setObjectName(QStringLiteral("feedNote"));
    feedGrid->addWidget(feedNote, 0, 0, 1, 3);
    m_feeds = new QButtonGroup(this);
    // The chosen picture framed in the highlight colour and its words in
    // bold, plainly apart from the focus.
    feedBox->setStyleSheet(QStringLiteral(
        "QToolButton { border: 3px solid transparent; border-radius: 4px; padding: 2px; }"
        "QToolButton:checked { border-color: palette(highlight); font-weight: bold; }"
        "QToolButton:focus { background: palette(alternate-base); }"));
    int column = 0;
    for (const EnvelopeFeed feed : kFeedOrder) {
        auto* button = new QToolButton;
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setIcon(QIcon(FeedPicture(feed, palette().color(QPalette::WindowText),
                                          palette().color(QPalette::Base))));
        button->setIconSize(QSize(72, 72));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        // "Lying across, at the left edge" on two lines under the picture.
        button->setText(FeedDescription(feed).replace(QStringLiteral(", "), QStringLiteral("\n")));
        button->setAccessibleName(FeedDescription(feed));
        button->setMinimumWidth(BoldTextWidth(*button) + kFeedFrameWidth);
        button->setChecked(feed == chosen);
        m_feeds->addButton(button, static_cast<int>(feed));
        button->installEventFilter(this);
        feedGrid->addWidget(button, IsStanding(feed) ? 2 : 1, column++ % 3);
    }
    // Tab enters the pictures at the chosen one, as it enters a group of
    // radio buttons; the arrows move the choice.
    connect(m_feeds, &QButtonGroup::buttonToggled, this, [this] { UpdateFeedFocus(); });
    UpdateFeedFocus();
    return feedBox;
}

QDialogButtonBox* CPrinterAlignmentDlg::MakeButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Help);
    QPushButton* testPageButton =
        buttons->addButton(QStringLiteral("Print &Test Page"), QDialogButtonBox::ActionRole);
    testPageButton->setAccessibleName(QStringLiteral("Print Test Page"));
    testPageButton->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));
    buttons->button(QDialogButtonBox::Help)->setAccessibleName(QStringLiteral("Help"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ConnectHelp(*this, *buttons, QStringLiteral("alignment.html"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_status->setAccessibleName(QStringLiteral("Test page"));
    m_status->hide();
    connect(testPageButton, &QPushButton::clicked, this, [this] {
        if (!m_testPage)
            return;
        const QString printed = m_testPage(Alignment());
        m_status->setText(printed);
        m_status->setVisible(!printed.isEmpty());
    });
    return buttons;
}

PrinterAlignment CPrinterAlignmentDlg::Alignment() const {
    PrinterAlignment alignment;
    alignment.feed = static_cast<EnvelopeFeed>(m_feeds->checkedId());
    alignment.turned = m_turned->isChecked();
    alignment.shiftRight = Tenths(m_shiftRight);
    alignment.shiftDown = Tenths(m_shiftDown);
    return alignment;
}

void CPrinterAlignmentDlg::UpdateFeedFocus() {
    const QAbstractButton* entry =
        m_feeds->checkedButton() ? m_feeds->checkedButton() : m_feeds->buttons().value(0);
    for (QAbstractButton* button : m_feeds->buttons())
        button->setFocusPolicy(button == entry ? Qt::StrongFocus : Qt::ClickFocus);
}

bool CPrinterAlignmentDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (event->type() != QEvent::KeyPress || !button || button->group() != m_feeds)
        return QDialog::eventFilter(watched, event);
    // The pictures are two rows of three, in the order of kFeedOrder.
    const int at = static_cast<int>(m_feeds->buttons().indexOf(button));
    int to = at;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left:
        to = at % 3 > 0 ? at - 1 : at;
        break;
    case Qt::Key_Right:
        to = at % 3 < 2 ? at + 1 : at;
        break;
    case Qt::Key_Up:
        to = at >= 3 ? at - 3 : at;
        break;
    case Qt::Key_Down:
        to = at < 3 ? at + 3 : at;
        break;
    default:
        return QDialog::eventFilter(watched, event);
    }
    QAbstractButton* next = m_feeds->buttons().at(to);
    next->setChecked(true);
    next->setFocus(Qt::TabFocusReason);
    return true;
}
