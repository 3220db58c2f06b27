#include "ui/layoutdlg.h"

#include "postal/postaloptions.h"
#include "postal/postplacement.h"
#include "print/printjob.h"
#include "ui/dialogbuttons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString kHelpPage = QStringLiteral("layout.html");

// What the picture shows in an empty mailing box.
const QString kSampleAddress =
    QStringLiteral("Mailing Address\r\nStreet and Number\r\nTown and Post Code\r\nCountry");

QDoubleSpinBox* SpinBox(const char* name) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

CLayoutPicture::CLayoutPicture(QWidget* parent) : QWidget(parent) {
    setMinimumSize(360, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CLayoutPicture::Show(const EnvelopeJob& job, const PaperSize& size,
                          const BlockPlacement& placement) {
    m_job = job;
    m_size = &size;
    // The envelope upright, as it is read, with nothing but these starts.
    m_job.alignment = PrinterAlignment();
    m_job.placements.clear();
    if (!placement.IsEmpty())
        m_job.placements.insert(size.Key(), placement);
    if (m_job.mailingAddress.trimmed().isEmpty())
        m_job.mailingAddress = kSampleAddress;
    update();
}

QImage CLayoutPicture::Render(double wantedDpi) const {
    // Whole pixels an inch, as a printer has them: the page is then the
    // envelope's size to the pixel, and is taken for that envelope.
    const int dpi = static_cast<int>(wantedDpi);
    if (!m_size || dpi <= 0)
        return QImage();
    const QSizeF inches = m_size->Inches();
    QImage image(qMax(1, qRound(inches.width() * dpi)), qMax(1, qRound(inches.height() * dpi)),
                 QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    DrawPictureOfPage(image, m_job, m_job.mailingAddress, &DrawPostalAreas);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    return image;
}

void CLayoutPicture::paintEvent(QPaintEvent*) {
    if (!m_size)
        return;
    const QSizeF inches = m_size->Inches();
    const double dpi = std::min((width() - 8) / inches.width(), (height() - 8) / inches.height());
    const QImage image = Render(dpi);
    QPainter painter(this);
    painter.drawImage((width() - image.width()) / 2, (height() - image.height()) / 2, image);
}

CLayoutDlg::CLayoutDlg(const EnvelopeJob& job, const PaperSize& size, const BlockPlacements& stored,
                       QWidget* parent)
    : QDialog(parent), m_job(job), m_placements(stored) {
    setWindowTitle(QStringLiteral("Layout"));
    m_size = new QComboBox;
    m_size->setObjectName(QStringLiteral("size"));
    for (const PaperSize& each : PaperSizes()) {
        if (each.IsEnvelope())
            m_size->addItem(each.Description(), each.Key());
    }
    QGridLayout* starts = MakeStartBoxes();
    QHBoxLayout* actions = MakePlacementButtons();
    m_rules = new QLabel;
    m_rules->setObjectName(QStringLiteral("rules"));
    m_rules->setTextFormat(Qt::PlainText);
    m_rules->setWordWrap(true);
    m_picture = new CLayoutPicture;
    m_picture->setObjectName(QStringLiteral("picture"));
    QDialogButtonBox* buttons = MakeButtons();
    LayOut(starts, actions, buttons);

    m_size->setCurrentIndex(std::max(0, m_size->findData(size.Key())));
    ShowSize();
    // Only now: filling the boxes for the first size is no change.
    ConnectBoxes();
}

QGridLayout* CLayoutDlg::MakeStartBoxes() {
    m_returnPlaced = new QCheckBox(QStringLiteral("&Return address starts at"));
    m_returnPlaced->setObjectName(QStringLiteral("returnPlaced"));
    m_returnX = SpinBox("returnX");
    m_returnY = SpinBox("returnY");
    m_mailingPlaced = new QCheckBox(QStringLiteral("&Mailing address starts at"));
    m_mailingPlaced->setObjectName(QStringLiteral("mailingPlaced"));
    m_mailingX = SpinBox("mailingX");
    m_mailingY = SpinBox("mailingY");
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("from the left")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("from the top")), 0, 2);
    grid->addWidget(m_returnPlaced, 1, 0);
    grid->addWidget(m_returnX, 1, 1);
    grid->addWidget(m_returnY, 1, 2);
    grid->addWidget(m_mailingPlaced, 2, 0);
    grid->addWidget(m_mailingX, 2, 1);
    grid->addWidget(m_mailingY, 2, 2);
    return grid;
}

QHBoxLayout* CLayoutDlg::MakePlacementButtons() {
    auto* forPost = new QPushButton(QStringLiteral("Place for the &Post"));
    forPost->setObjectName(QStringLiteral("forPost"));
    auto* standard = new QPushButton(QStringLiteral("&Standard Placement"));
    standard->setObjectName(QStringLiteral("standard"));
    connect(forPost, &QPushButton::clicked, this, [this] {
        m_placements.insert(Size().Key(),
                            PlaceForPost(Size(), m_job.returnLogFont, m_job.mailingLogFont,
                                         m_job.window.screenDpiY));
        ShowSize();
    });
    connect(standard, &QPushButton::clicked, this, [this] {
        m_placements.remove(Size().Key());
        ShowSize();
    });
    auto* actions = new QHBoxLayout;
    actions->addWidget(forPost);
    actions->addWidget(standard);
    actions->addStretch();
    return actions;
}

QDialogButtonBox* CLayoutDlg::MakeButtons() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Help);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        TakeBoxes();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    ConnectHelp(*this, *buttons, kHelpPage);
    return buttons;
}

void CLayoutDlg::LayOut(QGridLayout* starts, QHBoxLayout* actions, QDialogButtonBox* buttons) {
    auto* layout = new QVBoxLayout(this);
    auto* sizeRow = new QHBoxLayout;
    auto* sizeLabel = new QLabel(QStringLiteral("&Envelope:"));
    sizeLabel->setBuddy(m_size);
    sizeRow->addWidget(sizeLabel);
    sizeRow->addWidget(m_size, 1);
    layout->addLayout(sizeRow);
    layout->addLayout(starts);
    layout->addLayout(actions);
    layout->addWidget(m_rules);
    layout->addWidget(m_picture, 1);
    layout->addWidget(buttons);
}

void CLayoutDlg::ConnectBoxes() {
    connect(m_size, &QComboBox::currentIndexChanged, this, [this] {
        TakeBoxes();
        ShowSize();
    });
    for (QCheckBox* box : {m_returnPlaced, m_mailingPlaced})
        connect(box, &QCheckBox::toggled, this, [this] {
            TakeBoxes();
            ShowSize();
        });
    for (QDoubleSpinBox* box : {m_returnX, m_returnY, m_mailingX, m_mailingY})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] {
            TakeBoxes();
            ShowPicture();
        });
}

BlockPlacements CLayoutDlg::Placements() const {
    return m_placements;
}

const PaperSize& CLayoutDlg::Size() const {
    const PaperSize* size = FindPaperSize(m_size->currentData().toString());
    return size ? *size : PaperSizeOfRow(0);
}

void CLayoutDlg::TakeBoxes() {
    if (m_filling || !m_shown)
        return;
    const PaperSize& size = *m_shown;
    BlockPlacement placement;
    if (m_returnPlaced->isChecked())
        placement.returnStart =
            QPointF(size.ToInches(m_returnX->value()), size.ToInches(m_returnY->value()));
    if (m_mailingPlaced->isChecked())
        placement.mailingStart =
            QPointF(size.ToInches(m_mailingX->value()), size.ToInches(m_mailingY->value()));
    if (placement.IsEmpty())
        m_placements.remove(size.Key());
    else
        m_placements.insert(size.Key(), placement);
}

void CLayoutDlg::ShowSize() {
    const PaperSize& size = Size();
    m_shown = &size;
    m_filling = true;
    const BlockPlacement placement = m_placements.value(size.Key());
    const int decimals = size.IsMetric() ? 1 : 3;
    const auto fill = [&](QCheckBox* placed, QDoubleSpinBox* x, QDoubleSpinBox* y,
                          const std::optional<QPointF>& start) {
        const QString suffix = QLatin1Char(' ') + size.Unit();
        for (auto [box, side] : {std::pair{x, size.longSide}, std::pair{y, size.shortSide}}) {
            box->setDecimals(decimals);
            box->setSingleStep(size.IsMetric() ? 1 : 0.05);
            // A block must start before the far edge.
            box->setRange(0, side - std::pow(10.0, -decimals));
            box->setSuffix(suffix);
            box->setEnabled(start.has_value());
        }
        placed->setChecked(start.has_value());
        // A standard block shows where placing it would start.
        const QPointF shown = start.value_or(QPointF(0.5, 0.5));
        const double scale = size.IsMetric() ? 25.4 : 1;
        x->setValue(shown.x() * scale);
        y->setValue(shown.y() * scale);
    };
    fill(m_returnPlaced, m_returnX, m_returnY, placement.returnStart);
    fill(m_mailingPlaced, m_mailingX, m_mailingY, placement.mailingStart);
    m_rules->setText(
        QStringLiteral("Place for the Post follows the %1.").arg(PostRulesDescription(size)));
    m_filling = false;
    ShowPicture();
}

void CLayoutDlg::ShowPicture() {
    m_picture->Show(m_job, Size(), m_placements.value(Size().Key()));
}
