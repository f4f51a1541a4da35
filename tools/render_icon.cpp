// velmaro_render_icon SVG SIZE OUT.png: draws the scalable icon as a SIZE x SIZE PNG, for the
// installed icon theme's fixed sizes.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QGuiApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: velmaro_render_icon SVG SIZE OUT.png\n");
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    bool isNumber = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&isNumber);
    if (!renderer.isValid() || !isNumber || size < 1 || size > 4096) {
        std::fprintf(stderr, "velmaro_render_icon: %s is not a drawing or %s not a size\n", argv[1],
                     argv[2]);
        return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    QSaveFile file(QString::fromLocal8Bit(argv[3]));
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "velmaro_render_icon: %s: %s\n", argv[3],
                     qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
