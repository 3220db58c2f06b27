#include "controls/resourceimages.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

// The pictures are compiled into the program from res/pelvaro.qrc. Linking
// them from a static library needs an explicit reference, or the linker
// drops them.
static void InitPictures() {
    static const bool done = [] {
        Q_INIT_RESOURCE(pelvaro);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

const QString kPictures = QStringLiteral(":/pelvaro/pictures/");

enum class Tile { Normal, Pressed, Hover };

struct TiledPicture {
    int id;
    Tile tile;
    const char* picture;
};

// The button faces: one of three tiles with a picture on it.
constexpr TiledPicture kFaces[] = {
    {140, Tile::Normal, "addressbook.svg"}, {141, Tile::Pressed, "addressbook.svg"},
    {142, Tile::Hover, "addressbook.svg"},  {144, Tile::Pressed, "printer.svg"},
    {145, Tile::Hover, "printer.svg"},      {146, Tile::Normal, "printer.svg"},
    {147, Tile::Normal, "gears.svg"},       {148, Tile::Pressed, "gears.svg"},
    {149, Tile::Hover, "gears.svg"},
};

struct PlainPicture {
    int id;
    const char* picture;
};

constexpr PlainPicture kPlainBitmaps[] = {{130, "stamp.svg"}};
constexpr PlainPicture kIcons[] = {{128, "envelope.svg"}};

QString TileFile(Tile tile) {
    switch (tile) {
    case Tile::Pressed:
        return QStringLiteral("tile-pressed.svg");
    case Tile::Hover:
        return QStringLiteral("tile-hover.svg");
    case Tile::Normal:
        break;
    }
    return QStringLiteral("tile-normal.svg");
}

// Each picture is parsed once; the two list buttons and every face of a
// button share the tiles and pictures.
QSvgRenderer& Picture(const QString& name) {
    InitPictures();
    static QHash<QString, std::shared_ptr<QSvgRenderer>> parsed;
    auto& renderer = parsed[name];
    if (!renderer)
        renderer = std::make_shared<QSvgRenderer>(kPictures + name);
    return *renderer;
}

// Renders the given layers, each scaled to the whole picture, onto an opaque
// white ground (the faces are 24-bit bitmaps whose corners are white) or a
// transparent one. `shift` moves every layer but the first, in logical
// pixels.
QPixmap Render(const QStringList& layers, QSize logicalSize, qreal dpr, bool opaque,
               QPointF shift = {}) {
    InitPictures();
    if (dpr <= 0)
        dpr = 1;
    const QSize pixels(qRound(logicalSize.width() * dpr), qRound(logicalSize.height() * dpr));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(opaque ? Qt::white : Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        bool first = true;
        for (const QString& layer : layers) {
            QSvgRenderer& renderer = Picture(layer);
            if (!renderer.isValid())
                return {};
            QRectF target(QPointF(0, 0), QSizeF(pixels));
            if (!first)
                target.translate(shift * dpr);
            renderer.render(&painter, target);
            first = false;
        }
    }
    if (opaque)
        image = image.convertToFormat(QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    return QPixmap::fromImage(std::move(image));
}

QSize DefaultSize(const QString& picture) {
    const QSvgRenderer& renderer = Picture(picture);
    return renderer.isValid() ? renderer.defaultSize() : QSize();
}

QPixmap RenderBitmap(int id, qreal devicePixelRatio);

} // namespace

QPixmap LoadBitmapResource(int id, qreal devicePixelRatio) {
    // The two list buttons show the same three faces: render them once.
    const QString key = QStringLiteral("pelvaro-bitmap-%1@%2").arg(id).arg(devicePixelRatio);
    QPixmap cached;
    if (QPixmapCache::find(key, &cached))
        return cached;
    QPixmap rendered = RenderBitmap(id, devicePixelRatio);
    if (!rendered.isNull())
        QPixmapCache::insert(key, rendered);
    return rendered;
}

QPixmap LoadBitmapResource(int id) {
    return LoadBitmapResource(id, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

namespace {
QPixmap RenderBitmap(int id, qreal devicePixelRatio) {
    for (const TiledPicture& face : kFaces) {
        if (face.id != id)
            continue;
        const QString tile = TileFile(face.tile);
        // A pressed face shows its picture one pixel down and to the right,
        // as if pushed into the tile.
        const QPointF shift = face.tile == Tile::Pressed ? QPointF(1, 1) : QPointF();
        return Render({tile, QString::fromLatin1(face.picture)}, DefaultSize(tile),
                      devicePixelRatio, true, shift);
    }
    for (const PlainPicture& plain : kPlainBitmaps) {
        if (plain.id != id)
            continue;
        const QString picture = QString::fromLatin1(plain.picture);
        return Render({picture}, DefaultSize(picture), devicePixelRatio, true);
    }
    return {};
}
} // namespace

QIcon LoadIconResource(int id) {
    for (const PlainPicture& plain : kIcons) {
        if (plain.id != id)
            continue;
        const QString picture = QString::fromLatin1(plain.picture);
        QIcon icon;
        for (int size : {16, 32, 48, 64, 96}) {
            const QPixmap pixmap = Render({picture}, QSize(size, size), 1.0, false);
            if (pixmap.isNull())
                return {};
            icon.addPixmap(pixmap);
        }
        return icon;
    }
    return {};
}
