// Renders the app icon's SVG into one square PNG, at build time, so that the SVG stays the icon's
// only source and every size follows it.
//   aru-icon-render <icon.svg> <size> <out.png>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: aru-icon-render <icon.svg> <size> <out.png>\n");
        return 2;
    }
    // Painting into an image needs no window system; the offscreen platform keeps the build
    // independent of a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString source = QString::fromLocal8Bit(argv[1]);
    bool sizeOk = false;
    const int size = QByteArray(argv[2]).toInt(&sizeOk);
    const QString target = QString::fromLocal8Bit(argv[3]);
    if (!sizeOk || size < 16 || size > 1024) {
        std::fprintf(stderr, "aru-icon-render: bad size %s\n", argv[2]);
        return 2;
    }

    QSvgRenderer renderer(source);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "aru-icon-render: cannot read %s\n", argv[1]);
        return 1;
    }
    // Desktops scale a non-square icon unevenly; refuse one rather than ship it.
    const QRectF box = renderer.viewBoxF();
    if (box.width() != box.height()) {
        std::fprintf(stderr, "aru-icon-render: %s is not square\n", argv[1]);
        return 1;
    }

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    if (!image.save(target, "PNG")) {
        std::fprintf(stderr, "aru-icon-render: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
