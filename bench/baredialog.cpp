// The baseline of the whole-process figures: a plain Qt program that shows
// a dialog with the same kinds of widgets as the program's main window
// (two multi-line boxes, an editable combo box, four buttons with SVG
// pictures, a picture, a push button and a label), laid out in the same
// places, with both addresses in their boxes, and closes it the same way.
// With --print FILE it first prints the two boxes' texts to a PDF, one
// line at a time, in the boxes' fonts, as an envelope of the same size.
#include "benchtexts.h"
#include "windowcloser.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QToolButton>

namespace {

const QString kPictures = QStringLiteral(":/pelvaro/pictures/");

QPixmap RenderSvg(const QStringList& layers, QSize size, qreal dpr) {
    QPixmap pixmap(size * dpr);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QString& layer : layers) {
        QSvgRenderer renderer(kPictures + layer);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return pixmap;
}

class CBareDialog : public QDialog {
public:
    CBareDialog() {
        setWindowTitle(QStringLiteral("Pelvaro"));
        QFont dialogFont(QStringLiteral("Arial"));
        dialogFont.setPointSize(10);
        setFont(dialogFont);
        QPalette white = palette();
        white.setColor(QPalette::Window, Qt::white);
        white.setColor(QPalette::Base, Qt::white);
        setPalette(white);
        setAutoFillBackground(true);

        // Dialog units from the dialog font, as the program's layout uses.
        const QFontMetrics metrics(dialogFont);
        const int cx = (metrics.horizontalAdvance(QStringLiteral(
                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                            26 +
                        1) /
                       2;
        const int cy = metrics.height();
        const auto place = [cx, cy](QWidget* widget, int x, int y, int w, int h) {
            widget->setGeometry(x * cx / 4, y * cy / 8, w * cx / 4, h * cy / 8);
        };
        setFixedSize(323 * cx / 4, 158 * cy / 8);

        const qreal dpr = devicePixelRatioF();
        setWindowIcon(QIcon(RenderSvg({QStringLiteral("envelope.svg")}, QSize(32, 32), dpr)));

        QFont boxFont(QStringLiteral("MS Sans Serif"));
        boxFont.setPixelSize(12);

        m_returnBox = new QPlainTextEdit(this);
        place(m_returnBox, 7, 7, 90, 33);
        auto* returnList = new QToolButton(this);
        place(returnList, 103, 7, 17, 16);
        auto* sizeLabel = new QLabel(QStringLiteral("Envelope &Size:"), this);
        place(sizeLabel, 130, 9, 50, 8);
        auto* sizes = new QComboBox(this);
        sizes->setEditable(true);
        sizes->addItems({QStringLiteral("No. 10: 9\u00bd \u00d7 4\u215b"),
                         QStringLiteral("No. 6\u00be: 6\u00bd \u00d7 3\u215d")});
        place(sizes, 184, 7, 81, 12);
        sizeLabel->setBuddy(sizes);
        m_mailingBox = new QPlainTextEdit(this);
        place(m_mailingBox, 103, 50, 192, 82);
        auto* mailingList = new QToolButton(this);
        place(mailingList, 299, 50, 17, 16);
        auto* print = new QToolButton(this);
        place(print, 299, 116, 17, 16);
        auto* configure = new QToolButton(this);
        place(configure, 7, 116, 17, 16);
        auto* stamp = new QLabel(this);
        stamp->setPixmap(RenderSvg({QStringLiteral("stamp.svg")}, QSize(70, 78), dpr));
        stamp->setGeometry(276 * cx / 4, 7 * cy / 8, 70, 78);
        auto* help = new QPushButton(QStringLiteral("Help"), this);
        place(help, 266, 137, 50, 14);

        const std::pair<QToolButton*, const char*> faces[] = {{returnList, "addressbook.svg"},
                                                              {mailingList, "addressbook.svg"},
                                                              {print, "printer.svg"},
                                                              {configure, "gears.svg"}};
        for (const auto& [button, picture] : faces) {
            button->setIcon(
                QIcon(RenderSvg({QStringLiteral("tile-normal.svg"), QString::fromLatin1(picture)},
                                QSize(32, 32), dpr)));
            button->setIconSize(QSize(32, 32));
            button->resize(32, 32);
            button->setAutoRaise(true);
        }
        returnList->setToolTip(QStringLiteral("Return Address List"));
        mailingList->setToolTip(QStringLiteral("Mailing Address List"));
        print->setToolTip(QStringLiteral("Print"));
        configure->setToolTip(QStringLiteral("Configure"));

        m_returnBox->setFont(boxFont);
        m_mailingBox->setFont(boxFont);
        m_returnBox->setPlainText(
            QString(BenchReturnAddress()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        m_mailingBox->setPlainText(
            QString(BenchMailingAddress()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        m_mailingBox->setFocus();
    }

    // Both blocks on one envelope page, each line one font height below the
    // last, placed where its box sits in the window.
    void PrintBlocks(const QString& fileName) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(fileName);
        printer.setPageSize(QPageSize(QPageSize::Envelope10));
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setResolution(600);
        printer.setDocName(QStringLiteral("Pelvaro"));

        QPainter painter(&printer);
        const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
        const QSize client = size();
        const int dpi = printer.resolution();
        for (QPlainTextEdit* box : {m_returnBox, m_mailingBox}) {
            QFont font = box->font();
            font.setPixelSize(box->font().pixelSize() * dpi / logicalDpiY());
            painter.setFont(font);
            painter.setPen(Qt::black);
            const QFontMetrics metrics(font, &printer);
            const QPoint origin(box->x() * paper.width() / client.width(),
                                box->y() * paper.height() / client.height());
            painter.setClipRect(QRect(origin, paper.bottomRight()));
            int y = origin.y();
            for (const QString& line : box->toPlainText().split(QLatin1Char('\n'))) {
                painter.drawText(origin.x(), y + metrics.ascent(), line);
                y += metrics.height();
            }
        }
    }

private:
    QPlainTextEdit* m_returnBox = nullptr;
    QPlainTextEdit* m_mailingBox = nullptr;
};

} // namespace

int main(int argc, char* argv[]) {
    Q_INIT_RESOURCE(pelvaro);
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pelvaro"));
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype printAt = arguments.indexOf(QStringLiteral("--print"));
    const QString pdf =
        printAt > 0 && printAt + 1 < arguments.size() ? arguments[printAt + 1] : QString();

    CWindowCloser closer;
    if (!pdf.isEmpty())
        closer.SetShownAction(
            [pdf](QWidget* window) { static_cast<CBareDialog*>(window)->PrintBlocks(pdf); });
    CBareDialog dialog;
    dialog.exec();
    return closer.ExitCode();
}
