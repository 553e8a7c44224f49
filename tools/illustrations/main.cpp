// SPDX-License-Identifier: GPL-3.0-or-later
// Draws Kavrol's pictures of the reflector shapes, with the dimensions A, B and C marked, and
// the window icon. The output is committed; run this again only to change the drawings.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>
#include <cmath>
#include <cstdio>
#include <functional>
#include <utility>

namespace {

constexpr int Width = 193;
constexpr int Height = 167;
constexpr double Left = 26;
constexpr double Right = 166;
constexpr double Top = 30;
constexpr double Depth = 82;
constexpr double Centre = (Left + Right) / 2;

const QColor Reflector(0, 0, 0);
const QColor Tube(255, 255, 0);
const QColor Dimension(0, 0, 160);

void arrowHead(QPainter& p, QPointF tip, QPointF from) {
    const QPointF d = tip - from;
    const double length = std::hypot(d.x(), d.y());
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    QPolygonF head;
    head << tip << tip - u * 6 + n * 2.5 << tip - u * 6 - n * 2.5;
    p.setBrush(Dimension);
    p.drawPolygon(head);
}

// A dimension line between two points with arrow heads and its letter beside the middle.
void dimension(QPainter& p, QPointF a, QPointF b, const QString& letter, QPointF letterOffset) {
    p.setPen(QPen(Dimension, 1));
    p.drawLine(a, b);
    arrowHead(p, a, b);
    arrowHead(p, b, a);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    font.setBold(true);
    p.setFont(font);
    const QPointF middle = (a + b) / 2 + letterOffset;
    p.drawText(QRectF(middle.x() - 10, middle.y() - 10, 20, 20), Qt::AlignCenter, letter);
}

void extension(QPainter& p, QPointF a, QPointF b) {
    p.setPen(QPen(Dimension, 1, Qt::DotLine));
    p.drawLine(a, b);
}

void tube(QPainter& p, double below = 34) {
    p.setPen(QPen(QColor(160, 140, 0), 1));
    p.setBrush(Tube);
    p.drawEllipse(QPointF(Centre, Top + below), 13, 13);
}

void reflector(QPainter& p, const QPainterPath& path) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Reflector, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

// The width A below the rims and the depth B at the right, common to every shape.
void widthAndDepth(QPainter& p) {
    const double below = Top + Depth + 22;
    extension(p, QPointF(Left, Top + Depth + 3), QPointF(Left, below + 4));
    extension(p, QPointF(Right, Top + Depth + 3), QPointF(Right, below + 4));
    dimension(p, QPointF(Left, below), QPointF(Right, below), QStringLiteral("A"), QPointF(0, 14));
    const double side = Right + 14;
    extension(p, QPointF(Centre, Top), QPointF(side + 4, Top));
    extension(p, QPointF(Right + 3, Top + Depth), QPointF(side + 4, Top + Depth));
    dimension(p, QPointF(side, Top), QPointF(side, Top + Depth), QStringLiteral("B"),
              QPointF(-10, 0));
}

QPainterPath parabolaArc(double vertexX, double halfWidth, double fromX, double toX) {
    QPainterPath path;
    const double m = halfWidth * halfWidth / Depth;
    bool first = true;
    for (double x = fromX; x <= toX + 0.01; x += 0.5) {
        const QPointF point(x, Top + (x - vertexX) * (x - vertexX) / m);
        if (std::exchange(first, false))
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

QImage picture(const std::function<void(QPainter&)>& draw) {
    QImage image(Width, Height, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(192, 192, 192), 1, Qt::DashLine));
    p.drawLine(QPointF(8, Top), QPointF(Width - 8, Top));
    draw(p);
    return image;
}

QImage trapezoid() {
    return picture([](QPainter& p) {
        const double c = 50;
        QPainterPath path;
        path.moveTo(Left, Top + Depth);
        path.lineTo(Centre - c / 2, Top);
        path.lineTo(Centre + c / 2, Top);
        path.lineTo(Right, Top + Depth);
        tube(p);
        reflector(p, path);
        widthAndDepth(p);
        const double above = Top - 16;
        extension(p, QPointF(Centre - c / 2, Top - 3), QPointF(Centre - c / 2, above - 4));
        extension(p, QPointF(Centre + c / 2, Top - 3), QPointF(Centre + c / 2, above - 4));
        dimension(p, QPointF(Centre - c / 2, above), QPointF(Centre + c / 2, above),
                  QStringLiteral("C"), QPointF(34, 0));
    });
}

QImage parabola() {
    return picture([](QPainter& p) {
        tube(p);
        reflector(p, parabolaArc(Centre, (Right - Left) / 2, Left, Right));
        widthAndDepth(p);
    });
}

QImage zeFo() {
    return picture([](QPainter& p) {
        const double c = 50;
        const double leftVertex = Centre - c / 2;
        const double rightVertex = Centre + c / 2;
        QPainterPath path = parabolaArc(leftVertex, leftVertex - Left, Left, Centre);
        path.addPath(parabolaArc(rightVertex, Right - rightVertex, Centre, Right));
        tube(p, 48);
        reflector(p, path);
        widthAndDepth(p);
        const double above = Top - 16;
        extension(p, QPointF(leftVertex, Top - 3), QPointF(leftVertex, above - 4));
        extension(p, QPointF(rightVertex, Top - 3), QPointF(rightVertex, above - 4));
        dimension(p, QPointF(leftVertex, above), QPointF(rightVertex, above), QStringLiteral("C"),
                  QPointF(34, 0));
    });
}

// A 16 x 16 icon in 16 colours: a black arch over a yellow tube above blue water.
QImage icon() {
    QImage image(16, 16, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(0, 12, 16, 4, QColor(0, 0, 255));
    p.setPen(QPen(Qt::black, 2));
    p.drawArc(QRect(1, -9, 14, 20), 180 * 16, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Tube);
    p.drawEllipse(QRect(6, 3, 4, 4));
    p.end();
    // Reduce to the classic 16-colour palette.
    QList<QRgb> palette;
    for (const QRgb c :
         {0x000000u, 0x800000u, 0x008000u, 0x808000u, 0x000080u, 0x800080u, 0x008080u, 0xC0C0C0u,
          0x808080u, 0xFF0000u, 0x00FF00u, 0xFFFF00u, 0x0000FFu, 0xFF00FFu, 0x00FFFFu, 0xFFFFFFu})
        palette << (0xFF000000u | c);
    return image.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
}

// The application icon at one size of the desktop's icon theme, drawn from the scalable icon.
QImage themeIcon(QSvgRenderer& svg, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    svg.render(&p, QRectF(0, 0, size, size));
    p.end();
    return image;
}

bool write(const QImage& image, const QDir& folder, const QString& name, const char* format) {
    const QString path = folder.filePath(name);
    if (!image.save(path, format)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    bool ok = write(trapezoid(), folder, QStringLiteral("Трапеция.bmp"), "BMP");
    ok = write(parabola(), folder, QStringLiteral("Парабола.bmp"), "BMP") && ok;
    ok = write(zeFo(), folder, QStringLiteral("ZeFo.bmp"), "BMP") && ok;
    // The picture shown before the first shape is chosen: the parabola, as the start-up shape.
    ok = write(parabola(), folder, QStringLiteral("default_shape.bmp"), "BMP") && ok;
    ok = write(icon(), folder, QStringLiteral("kavrol_icon.png"), "PNG") && ok;
    // The icon theme's sizes, from the scalable icon under icons/.
    QSvgRenderer svg(folder.filePath(QStringLiteral("icons/kavrol.svg")));
    if (!svg.isValid()) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(folder.filePath("icons/kavrol.svg")));
        return 1;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("icons/hicolor/%1x%1/apps").arg(size);
        ok = folder.mkpath(dir) &&
             write(themeIcon(svg, size), folder, dir + QStringLiteral("/kavrol.png"), "PNG") && ok;
    }
    return ok ? 0 : 1;
}
