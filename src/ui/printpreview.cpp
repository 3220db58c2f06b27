#include "ui/printpreview.h"

#include "platform/helpcommand.h"
#include "postal/postaloptions.h"
#include "print/jobwarnings.h"
#include "print/printjob.h"

#include <QApplication>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr double kZoomStep = 1.25;
const QString kHelpPage = QStringLiteral("preview.html");

QToolButton* ToolButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setAutoRaise(true);
    return button;
}

} // namespace

CPrintPreviewDlg::CPrintPreviewDlg(QPrinter& printer, const EnvelopeJob& job,
                                   const QStringList& mailingAddresses, const PageOverlay& overlay,
                                   const QStringList& findings, QWidget* parent)
    : QDialog(parent), m_pages(new QPrintPreviewWidget(&printer, this)),
      m_pageNumber(new QSpinBox(this)), m_print(new QPushButton(QStringLiteral("&Print"), this)),
      m_close(new QPushButton(QStringLiteral("&Close"), this)) {
    setWindowTitle(
        mailingAddresses.size() == 1
            ? QStringLiteral("Print Preview")
            : QStringLiteral("Print Preview: %1 Envelopes").arg(mailingAddresses.size()));
    // One page at a time, the whole of it in view: a wide envelope would
    // otherwise show two and a half at the width of the window.
    m_pages->setViewMode(QPrintPreviewWidget::SinglePageView);
    m_pages->setZoomMode(QPrintPreviewWidget::FitInView);
    m_pages->setObjectName(QStringLiteral("pages"));
    m_pages->setAccessibleName(QStringLiteral("Envelope pages"));
    // The view inside takes the keyboard, under the pages' name: the
    // preview is one stop for Tab, and one a screen reader can name.
    if (auto* view = m_pages->findChild<QGraphicsView*>()) {
        view->setAccessibleName(m_pages->accessibleName());
        m_pages->setFocusProxy(view);
    }
    connect(m_pages, &QPrintPreviewWidget::paintRequested, this,
            [&job, mailingAddresses, overlay](QPrinter* target) {
                PaintEnvelopes(*target, job, mailingAddresses, true, overlay);
            });
    connect(m_pages, &QPrintPreviewWidget::previewChanged, this,
            &CPrintPreviewDlg::UpdatePageNumber);

    // Findings come from the postal check, which names the mailing lines
    // that are cut; none means it found nothing, or did not look.
    const QStringList warnings =
        JobWarnings(job, printer, mailingAddresses,
                    findings.isEmpty() ? MailingLinesChecked::No : MailingLinesChecked::Yes) +
        findings;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(MakeWarnings(warnings));
    // The only overlay is the post's areas: say what their colours mean.
    auto* legend = new QLabel(overlay ? PostalAreasLegend() : QString(), this);
    legend->setObjectName(QStringLiteral("legend"));
    legend->setWordWrap(true);
    legend->setVisible(static_cast<bool>(overlay));
    layout->addWidget(legend);
    layout->addLayout(MakeControls(static_cast<int>(mailingAddresses.size())));
    AddShortcuts();

    // Most of the screen: an envelope is wide, and its lines should be read.
    const QRect screen =
        (parent ? parent->screen() : QApplication::primaryScreen())->availableGeometry();
    resize(qMin(screen.width() * 3 / 4, 1100), qMin(screen.height() * 3 / 4, 800));
    m_pages->setFocus();
}

QLayout* CPrintPreviewDlg::MakeWarnings(const QStringList& warnings) {
    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("warnings"));
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setText(warnings.join(u'\n'));
    text->setAccessibleName(QStringLiteral("Warnings"));
    text->setVisible(!warnings.isEmpty());
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSize, iconSize));
    icon->setVisible(!warnings.isEmpty());
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    return row;
}

QLayout* CPrintPreviewDlg::MakeControls(int pages) {
    auto* first = ToolButton(QStringLiteral("|<"), QStringLiteral("First page"), this);
    auto* previous = ToolButton(QStringLiteral("<"), QStringLiteral("Previous page"), this);
    auto* next = ToolButton(QStringLiteral(">"), QStringLiteral("Next page"), this);
    auto* last = ToolButton(QStringLiteral(">|"), QStringLiteral("Last page"), this);
    auto* zoomOut = ToolButton(QStringLiteral("\u2212"), QStringLiteral("Zoom out"), this);
    auto* zoomIn = ToolButton(QStringLiteral("+"), QStringLiteral("Zoom in"), this);
    auto* whole = new QPushButton(QStringLiteral("&Whole Page"), this);
    whole->setToolTip(QStringLiteral("Show the whole page (Ctrl+0)"));
    m_pageNumber->setObjectName(QStringLiteral("pageNumber"));
    m_pageNumber->setRange(1, qMax(1, pages));
    m_pageNumber->setAccessibleName(QStringLiteral("Page number"));
    auto* pageCount = new QLabel(QStringLiteral("of %1").arg(pages), this);
    auto* pageLabel = new QLabel(QStringLiteral("P&age"), this);
    pageLabel->setBuddy(m_pageNumber);

    // Help, from its button or F1, opens the preview's page of the help.
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    help->setObjectName(QStringLiteral("help"));
    help->setAutoDefault(false);

    // Enter closes: nothing is printed without pressing Print itself.
    m_close->setDefault(true);
    m_print->setObjectName(QStringLiteral("print"));
    m_print->setAutoDefault(false);
    whole->setAutoDefault(false);
    m_print->setToolTip(QStringLiteral("Print these envelopes"));

    auto* controls = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{first, previous, pageLabel, m_pageNumber,
                                                           pageCount, next, last})
        controls->addWidget(widget);
    controls->addSpacing(16);
    for (QWidget* widget : std::initializer_list<QWidget*>{zoomOut, whole, zoomIn})
        controls->addWidget(widget);
    controls->addStretch(1);
    controls->addWidget(m_print);
    controls->addWidget(m_close);
    controls->addWidget(help);
    // Tab goes from the pages along the row, as it is shown.
    QWidget* stop = m_pages;
    for (QWidget* widget :
         std::initializer_list<QWidget*>{first, previous, m_pageNumber, next, last, zoomOut, whole,
                                         zoomIn, m_print, m_close, help})
        setTabOrder(std::exchange(stop, widget), widget);

    connect(first, &QToolButton::clicked, this, [this] { GoToPage(1); });
    connect(previous, &QToolButton::clicked, this,
            [this] { GoToPage(m_pages->currentPage() - 1); });
    connect(next, &QToolButton::clicked, this, [this] { GoToPage(m_pages->currentPage() + 1); });
    connect(last, &QToolButton::clicked, this, [this] { GoToPage(m_pages->pageCount()); });
    connect(m_pageNumber, &QSpinBox::valueChanged, this, &CPrintPreviewDlg::GoToPage);
    connect(zoomIn, &QToolButton::clicked, this, &CPrintPreviewDlg::ZoomIn);
    connect(zoomOut, &QToolButton::clicked, this, &CPrintPreviewDlg::ZoomOut);
    connect(whole, &QPushButton::clicked, this, &CPrintPreviewDlg::ShowWholePage);
    connect(m_print, &QPushButton::clicked, this,
            [this] { done(static_cast<int>(PreviewOutcome::Print)); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { RunHelpCommand(kHelpPage); });
    return controls;
}

void CPrintPreviewDlg::AddShortcuts() {
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {QKeySequence(Qt::Key_PageDown), [this] { GoToPage(m_pages->currentPage() + 1); }},
        {QKeySequence(Qt::Key_PageUp), [this] { GoToPage(m_pages->currentPage() - 1); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { GoToPage(1); }},
        {QKeySequence(Qt::CTRL | Qt::Key_End), [this] { GoToPage(m_pages->pageCount()); }},
        {QKeySequence(QKeySequence::ZoomIn), [this] { ZoomIn(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { ZoomIn(); }},
        {QKeySequence(QKeySequence::ZoomOut), [this] { ZoomOut(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_0), [this] { ShowWholePage(); }},
        {QKeySequence(Qt::Key_F1), [] { RunHelpCommand(kHelpPage); }},
    };
    for (const auto& [key, action] : keys)
        connect(new QShortcut(key, this), &QShortcut::activated, this, action);
}

void CPrintPreviewDlg::GoToPage(int page) {
    if (page < 1 || page > m_pages->pageCount() || page == m_pages->currentPage())
        return;
    m_pages->setCurrentPage(page);
    UpdatePageNumber();
}

void CPrintPreviewDlg::ZoomIn() {
    m_pages->zoomIn(kZoomStep);
}

void CPrintPreviewDlg::ZoomOut() {
    m_pages->zoomOut(kZoomStep);
}

void CPrintPreviewDlg::ShowWholePage() {
    m_pages->fitInView();
}

void CPrintPreviewDlg::UpdatePageNumber() {
    const QSignalBlocker blocker(m_pageNumber);
    m_pageNumber->setValue(m_pages->currentPage());
}

PreviewOutcome ShowPrintPreview(QWidget* owner, const EnvelopeJob& job,
                                const QStringList& mailingAddresses, const PageOverlay& overlay,
                                const QStringList& findings) {
    QPrinter printer(QPrinter::HighResolution);
    if (!ConfigureJobPrinter(printer, job))
        return PreviewOutcome::InvalidSetup;
    CPrintPreviewDlg preview(printer, job, mailingAddresses, overlay, findings, owner);
    return preview.exec() == static_cast<int>(PreviewOutcome::Print) ? PreviewOutcome::Print
                                                                     : PreviewOutcome::Closed;
}
