// SPDX-License-Identifier: GPL-3.0-or-later
// Sections (each under a banner "// ---- name ----"): colours; the drawing; the files.
#include "FloorMap.h"

#include "PictureFile.h"
#include "WholeFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <algorithm>
#include <array>
#include <cmath>

// ---- Colours ----
namespace kavrol::FloorMap {

namespace {

// Dark blue through green to yellow: the order reads as low to high in print and on screen.
QColor Colour(double t) {
    static constexpr std::array<std::array<int, 3>, 5> kStops{
        {{68, 1, 84}, {59, 82, 139}, {33, 145, 140}, {94, 201, 98}, {253, 231, 37}}};
    t = std::clamp(t, 0.0, 1.0) * 4.0;
    const int i = std::min(static_cast<int>(t), 3);
    const double f = t - i;
    const auto mix = [&](std::size_t c) {
        return static_cast<int>(std::lround(kStops[static_cast<std::size_t>(i)][c] * (1.0 - f) +
                                            kStops[static_cast<std::size_t>(i + 1)][c] * f));
    };
    return QColor(mix(0), mix(1), mix(2));
}

QString Number(double value, int decimals, QChar point) {
    QString text = QString::number(value, 'f', decimals);
    if (point != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), point);
    return text;
}

} // namespace

} // namespace kavrol::FloorMap

// ---- The drawing ----
namespace kavrol::FloorMap {

namespace {

constexpr int kWidth = 900;
constexpr int kMargin = 50;
constexpr int kBar = 90;

int Height(const physics::TankEstimate& e) {
    const double length = e.edgesZmm.back() - e.edgesZmm.front();
    const double width = e.edgesXmm.back() - e.edgesXmm.front();
    return std::clamp(
        static_cast<int>(2 * kMargin + (kWidth - 2.0 * kMargin - kBar) * width / length), 260, 900);
}

// Millimetres to pixels.
double Scale(const physics::TankEstimate& e, int height) {
    const double length = e.edgesZmm.back() - e.edgesZmm.front();
    const double width = e.edgesXmm.back() - e.edgesXmm.front();
    return std::min((kWidth - 2.0 * kMargin - kBar) / length, (height - 2.0 * kMargin) / width);
}

// Pixel positions of the map: z runs right, x runs down, both from the tank's corner.
struct Frame {
    const physics::TankEstimate& e;
    double scale;
    double px(double z) const { return kMargin + (z - e.edgesZmm.front()) * scale; }
    double py(double x) const { return kMargin + (x - e.edgesXmm.front()) * scale; }
    double z(int j) const { return px(e.edgesZmm[static_cast<std::size_t>(j)]); }
    double x(int i) const { return py(e.edgesXmm[static_cast<std::size_t>(i)]); }
    double cell(int i, int j) const { return e.cells[static_cast<std::size_t>(j * e.cellsX + i)]; }
};

void DrawCells(QPainter& p, const Frame& f, double low, double high) {
    for (int j = 0; j < f.e.cellsZ; ++j) {
        for (int i = 0; i < f.e.cellsX; ++i) {
            const QRectF cell(QPointF(f.z(j), f.x(i)), QPointF(f.z(j + 1), f.x(i + 1)));
            p.fillRect(cell.adjusted(0, 0, 0.5, 0.5), Colour((f.cell(i, j) - low) / (high - low)));
        }
    }
}

// Contours: the cell edges where the PPFD crosses a level.
void DrawContours(QPainter& p, const Frame& f) {
    const physics::TankEstimate& e = f.e;
    p.setPen(QPen(Qt::white, 1.5));
    for (const auto& entry : e.atLeast) {
        // A plain copy: clang does not let a lambda capture a structured binding.
        const double level = entry.first;
        const auto above = [&](int i, int j) { return f.cell(i, j) >= level; };
        for (int j = 0; j < e.cellsZ; ++j) {
            for (int i = 0; i < e.cellsX; ++i) {
                if (i + 1 < e.cellsX && above(i, j) != above(i + 1, j))
                    p.drawLine(QPointF(f.z(j), f.x(i + 1)), QPointF(f.z(j + 1), f.x(i + 1)));
                if (j + 1 < e.cellsZ && above(i, j) != above(i, j + 1))
                    p.drawLine(QPointF(f.z(j + 1), f.x(i)), QPointF(f.z(j + 1), f.x(i + 1)));
            }
        }
    }
}

void DrawColourBar(QPainter& p, int height, double low, double high, QChar point) {
    const double barX = kWidth - kBar + 10;
    const double top = kMargin;
    const double bottom = height - kMargin;
    for (int k = 0; k < 100; ++k) {
        const double y0 = bottom - (bottom - top) * (k + 1) / 100.0;
        p.fillRect(QRectF(barX, y0, 20, (bottom - top) / 100.0 + 0.5), Colour(k / 99.0));
    }
    p.drawRect(QRectF(barX, top, 20, bottom - top));
    for (int k = 0; k <= 4; ++k) {
        const double y = bottom - (bottom - top) * k / 4.0;
        p.drawText(QPointF(barX + 24, y + 4), Number(low + (high - low) * k / 4.0, 1, point));
    }
}

void Draw(QPainter& p, const physics::TankEstimate& e, const std::vector<TubeSpan>& tubes,
          int height, const Captions& captions) {
    const double length = e.edgesZmm.back() - e.edgesZmm.front();
    const double width = e.edgesXmm.back() - e.edgesXmm.front();
    const Frame f{e, Scale(e, height)};
    const QChar point = captions.decimalPoint;
    p.fillRect(QRectF(0, 0, kWidth, height), Qt::white);
    const double low = e.min;
    const double high = e.max > e.min ? e.max : e.min + 1.0;
    DrawCells(p, f, low, high);
    DrawContours(p, f);
    p.setPen(QPen(Qt::black, 2));
    p.drawRect(QRectF(QPointF(f.px(e.edgesZmm.front()), f.py(e.edgesXmm.front())),
                      QPointF(f.px(e.edgesZmm.back()), f.py(e.edgesXmm.back()))));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 255, 255, 160));
    for (const TubeSpan& t : tubes)
        p.drawRect(QRectF(QPointF(f.px(t.z0), f.py(t.x - t.radius)),
                          QPointF(f.px(t.z1), f.py(t.x + t.radius))));
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.drawText(QPointF(kMargin, kMargin - 18),
               captions.title.arg(Number(e.mean, 1, point), Number(e.minOverMean, 3, point)));
    p.drawText(QPointF(kMargin, f.py(e.edgesXmm.back()) + 20),
               captions.axes.arg(Number(length, 0, point), Number(width, 0, point)));
    DrawColourBar(p, height, low, high, point);
}

} // namespace

QSize size(const physics::TankEstimate& e) {
    return QSize(kWidth, Height(e));
}

QRectF floorRect(const physics::TankEstimate& e) {
    const double scale = Scale(e, Height(e));
    return QRectF(kMargin, kMargin, (e.edgesZmm.back() - e.edgesZmm.front()) * scale,
                  (e.edgesXmm.back() - e.edgesXmm.front()) * scale);
}

void draw(QPainter& painter, const physics::TankEstimate& e, const std::vector<TubeSpan>& tubes,
          const Captions& captions) {
    Draw(painter, e, tubes, Height(e), captions);
}

QByteArray render(const physics::TankEstimate& e, const std::vector<TubeSpan>& tubes,
                  ChartFile::Format format, const Captions& captions) {
    const int height = Height(e);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == ChartFile::Format::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(kWidth, height));
        svg.setViewBox(QRect(0, 0, kWidth, height));
        QPainter p(&svg);
        Draw(p, e, tubes, height, captions);
        p.end();
    } else {
        QImage image(kWidth, height, QImage::Format_RGB32);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        Draw(p, e, tubes, height, captions);
        p.end();
        image.save(&buffer, "PNG");
    }
    return bytes;
}

} // namespace kavrol::FloorMap

// ---- The files ----
namespace kavrol::FloorMap {

void write(const physics::TankEstimate& estimate, const std::vector<TubeSpan>& tubes,
           const QString& path, const Captions& captions) {
    const std::optional<ChartFile::Format> format = ChartFile::formatOf(path);
    if (!format)
        throw SaveError(QStringLiteral("Cannot create file \"%1\". The name must end in .png or "
                                       ".svg")
                            .arg(QFileInfo(path).absoluteFilePath()));
    WholeFile::write(path, render(estimate, tubes, *format, captions));
}

QByteArray csv(const physics::TankEstimate& e) {
    QByteArray out("x_left_mm,x_right_mm,z_left_mm,z_right_mm,ppfd,error\n");
    const auto number = [](double v) { return QByteArray::number(v, 'g', 17); };
    for (int j = 0; j < e.cellsZ; ++j) {
        for (int i = 0; i < e.cellsX; ++i) {
            const auto c = static_cast<std::size_t>(j * e.cellsX + i);
            out += number(e.edgesXmm[static_cast<std::size_t>(i)]) + ',' +
                   number(e.edgesXmm[static_cast<std::size_t>(i + 1)]) + ',' +
                   number(e.edgesZmm[static_cast<std::size_t>(j)]) + ',' +
                   number(e.edgesZmm[static_cast<std::size_t>(j + 1)]) + ',' + number(e.cells[c]) +
                   ',' + number(e.cellErrors[c]) + '\n';
        }
    }
    return out;
}

void writeCsv(const physics::TankEstimate& estimate, const QString& path) {
    WholeFile::write(path, csv(estimate));
}

} // namespace kavrol::FloorMap
