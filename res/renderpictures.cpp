// Writes the program's pictures as PNG files: the application icon at the
// sizes a desktop's icon theme wants, and on request every bitmap at 1x and
// 2x for a look at them.
//
//   pelvaro_renderpictures ICONDIR [SIZE...]  icon 128 as ICONDIR/pelvaro-SIZE.png
//                                             (16, 32 and 48 when no size is given)
//   pelvaro_renderpictures --all DIR          also DIR/bitmap-ID.png and bitmap-ID@2x.png

#include "controls/resourceimages.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <cstdio>

namespace {

bool Save(const QPixmap& pixmap, const QString& path) {
    if (pixmap.isNull() || !pixmap.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The icon drawn afresh at each size: the program's own icon stops at 96
// pixels, and an icon theme wants up to 256.
QPixmap RenderIcon(int size) {
    QSvgRenderer picture(QStringLiteral(":/pelvaro/pictures/envelope.svg"));
    if (!picture.isValid())
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    picture.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace

int main(int argc, char** argv) {
    // Rendering needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList args = app.arguments().mid(1);
    const bool all = args.removeAll(QStringLiteral("--all")) > 0;
    if (args.isEmpty() || (all && args.size() != 1)) {
        std::fprintf(stderr, "usage: pelvaro_renderpictures ICONDIR [SIZE...] | --all DIR\n");
        return 2;
    }
    const QDir dir(args.takeFirst());
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }
    QList<int> sizes;
    for (const QString& arg : args) {
        bool number = false;
        sizes << arg.toInt(&number);
        if (!number || sizes.last() < 1 || sizes.last() > 1024) {
            std::fprintf(stderr, "not an icon size: %s\n", qPrintable(arg));
            return 2;
        }
    }
    if (sizes.isEmpty())
        sizes = {16, 32, 48};

    bool ok = true;
    // The program's own icon first: it initialises the compiled-in pictures.
    const QIcon icon = LoadIconResource(128);
    for (int size : sizes)
        ok &= Save(RenderIcon(size), dir.filePath(QStringLiteral("pelvaro-%1.png").arg(size)));
    if (all) {
        for (int id : {130, 140, 141, 142, 144, 145, 146, 147, 148, 149}) {
            ok &= Save(LoadBitmapResource(id, 1.0),
                       dir.filePath(QStringLiteral("bitmap-%1.png").arg(id)));
            ok &= Save(LoadBitmapResource(id, 2.0),
                       dir.filePath(QStringLiteral("bitmap-%1@2x.png").arg(id)));
        }
        for (int size : {64, 96})
            ok &= Save(icon.pixmap(QSize(size, size), 1.0),
                       dir.filePath(QStringLiteral("pelvaro-%1.png").arg(size)));
    }
    return ok ? 0 : 1;
}
