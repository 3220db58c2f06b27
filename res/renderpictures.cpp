// Writes the program's pictures as PNG files: the application icon at the
// sizes a desktop's icon theme wants, and on request every bitmap at 1x and
// 2x for a look at them.
//
//   pelvaro_renderpictures ICONDIR            icon 128 as ICONDIR/pelvaro-16.png, -32, -48
//   pelvaro_renderpictures --all DIR          also DIR/bitmap-ID.png and bitmap-ID@2x.png

#include "resourceimages.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

namespace {

bool Save(const QPixmap& pixmap, const QString& path) {
    if (pixmap.isNull() || !pixmap.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Rendering needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList args = app.arguments().mid(1);
    const bool all = args.removeAll(QStringLiteral("--all")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: pelvaro_renderpictures [--all] DIR\n");
        return 2;
    }
    const QDir dir(args.first());
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }

    bool ok = true;
    const QIcon icon = LoadIconResource(128);
    for (int size : {16, 32, 48})
        ok &= Save(icon.pixmap(QSize(size, size), 1.0),
                   dir.filePath(QStringLiteral("pelvaro-%1.png").arg(size)));
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
