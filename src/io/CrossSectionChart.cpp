// SPDX-License-Identifier: GPL-3.0-or-later
#include "CrossSectionChart.h"

#include "ChartText.h"
#include "ReflectorCurve.h"
#include "Scene.h"

#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace kavrol::CrossSectionChart {

namespace {

QLineSeries* series(const char* name, const QString& caption, const QPen& pen) {
    auto* result = new QLineSeries;
    result->setObjectName(QLatin1String(name));
    result->setName(caption);
    result->setPen(pen);
    return result;
}

// A step of 1, 2 or 5 times a power of ten that cuts span into about six parts.
double NiceStep(double span) {
    const double rough = span / 6.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= rough) {
            return factor * power;
        }
    }
    return 10.0 * power;
}

void SetTicks(QValueAxis& axis) {
    axis.setTickType(QValueAxis::TicksDynamic);
    axis.setTickAnchor(0.0);
    axis.setTickInterval(NiceStep(axis.max() - axis.min()));
}

// Widens the data's range across or down so that a millimetre takes as many pixels either way.
void keepTrueProportions(const QRectF& plot, QValueAxis& across, QValueAxis& down,
                         const QRectF& data) {
    const double mmPerPixel = std::max(data.width() / plot.width(), data.height() / plot.height());
    const double halfWidth = plot.width() * mmPerPixel / 2.0;
    const double halfHeight = plot.height() * mmPerPixel / 2.0;
    const QPointF centre = data.center();
    across.setRange(centre.x() - halfWidth, centre.x() + halfWidth);
    down.setRange(centre.y() - halfHeight, centre.y() + halfHeight);
    SetTicks(across);
    SetTicks(down);
}

// The layout places the plot area once per size of the chart, leaving room for the title, the
// axes and the legend; it is then held there while the ranges are fitted to it. Left to itself
// the layout would move the plot area with the axes' labels, which change with the ranges, and
// the two could chase each other.
void HoldTrueProportions(QChart& chart, QValueAxis& across, QValueAxis& down, const QRectF& data) {
    across.setRange(data.left(), data.right());
    down.setRange(data.top(), data.bottom());
    SetTicks(across);
    SetTicks(down);
    QChart* shown = &chart;
    QValueAxis* x = &across;
    QValueAxis* y = &down;
    auto fitting = std::make_shared<bool>(false);
    QObject::connect(shown, &QGraphicsWidget::geometryChanged, shown,
                     [shown] { shown->setPlotArea(QRectF()); });
    QObject::connect(shown, &QChart::plotAreaChanged, shown,
                     [shown, x, y, data, fitting](const QRectF& plot) {
                         if (*fitting || plot.width() < 10.0 || plot.height() < 10.0) {
                             return;
                         }
                         *fitting = true;
                         shown->setPlotArea(plot);
                         keepTrueProportions(plot, *x, *y, data);
                         *fitting = false;
                     });
}

// The axes in millimetres, y downward, the series on them, held at true proportions over data.
void AddAxes(QChart& chart, const std::vector<QLineSeries*>& all, const QRectF& data) {
    auto* across = new QValueAxis;
    across->setTitleText(ChartText::sectionAcross());
    across->setLabelFormat(QStringLiteral("%.0f"));
    auto* down = new QValueAxis;
    down->setTitleText(ChartText::sectionDown());
    down->setLabelFormat(QStringLiteral("%.0f"));
    down->setReverse(true);
    chart.addAxis(across, Qt::AlignBottom);
    chart.addAxis(down, Qt::AlignLeft);
    for (QLineSeries* s : all) {
        chart.addSeries(s);
        s->attachAxis(across);
        s->attachAxis(down);
    }
    chart.legend()->setAlignment(Qt::AlignBottom);
    HoldTrueProportions(chart, *across, *down, data);
}

// A tube's circle, closed.
void AppendCircle(QLineSeries& series, const physics::Tube& tube) {
    constexpr int kCircleSteps = 96;
    for (int i = 0; i <= kCircleSteps; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / kCircleSteps;
        series.append(tube.x + tube.radius * std::cos(angle),
                      tube.y + tube.radius * std::sin(angle));
    }
}

// The rectangle around the points of every series with a margin of 4 % of its larger side.
QRectF Around(const std::vector<QLineSeries*>& all) {
    double left = 0.0, right = 0.0, top = 0.0, bottom = 0.0;
    bool first = true;
    for (const QLineSeries* s : all) {
        for (const QPointF& p : s->points()) {
            left = first ? p.x() : std::min(left, p.x());
            right = first ? p.x() : std::max(right, p.x());
            top = first ? p.y() : std::min(top, p.y());
            bottom = first ? p.y() : std::max(bottom, p.y());
            first = false;
        }
    }
    const QRectF box(QPointF(left, top), QPointF(right, bottom));
    const double margin = 0.04 * std::max(box.width(), box.height());
    return box.adjusted(-margin, -margin, margin, margin);
}

} // namespace

std::unique_ptr<QChart> create(const physics::PhysicalDesign& design) {
    const physics::Scene scene = physics::Scene::FromDesign(design);
    const physics::ReflectorCurve curve = physics::ReflectorCurve::FromDesign(design, 0.5);

    auto chart = std::make_unique<QChart>();
    chart->setTitle(ChartText::designSection());
    auto* reflector = series(kReflectorSeries, QStringLiteral("Отражатель"), QPen(Qt::black, 2.0));
    for (const physics::ReflectorCurve::Point& p : curve.points()) {
        reflector->append(p.x, p.y);
    }
    auto* tube = series(kTubeSeries, QStringLiteral("Лампа"), QPen(QColor(0xc8, 0x96, 0x00), 2.0));
    AppendCircle(*tube, scene.tubes.front());
    auto* water = series(kWaterSeries, QStringLiteral("Вода"), QPen(QColor(0x30, 0x90, 0xe0), 2.0));
    water->append(scene.water.xMin, scene.water.y);
    water->append(scene.water.xMax, scene.water.y);

    const double halfSpan = std::max(scene.water.xMax, design.a / 2.0);
    const double bottom = std::max(scene.water.y, curve.points().front().y);
    const double margin = 0.04 * std::max(2.0 * halfSpan, bottom);
    AddAxes(
        *chart, {reflector, tube, water},
        QRectF(QPointF(-halfSpan - margin, -margin), QPointF(halfSpan + margin, bottom + margin)));
    return chart;
}

std::unique_ptr<QChart> create(const physics::Scene& scene, const QString& title) {
    auto chart = std::make_unique<QChart>();
    chart->setTitle(title);
    const QPen mirrorPen(Qt::black, 2.0);
    std::vector<QLineSeries*> all;
    // Every piece is a series of its own, so that no line joins pieces that do not meet.
    const auto piece = [&](const char* name, const QString& caption, const QPen& pen) {
        auto* s = series(name, caption, pen);
        all.push_back(s);
        return s;
    };
    for (const physics::MirrorSegment& m : scene.segments) {
        auto* s = piece(kReflectorSeries, QStringLiteral("Отражатель"), mirrorPen);
        s->append(m.x0, m.y0);
        s->append(m.x1, m.y1);
    }
    constexpr int kArcSteps = 64;
    for (const physics::MirrorArc& m : scene.arcs) {
        auto* s = piece(kReflectorSeries, QStringLiteral("Отражатель"), mirrorPen);
        for (int i = 0; i <= kArcSteps; ++i) {
            const double x = m.xMin + (m.xMax - m.xMin) * i / kArcSteps;
            s->append(x, m.yAt(x));
        }
    }
    constexpr int kPieceSteps = 8;
    for (const physics::MirrorCurve& m : scene.curves) {
        auto* s = piece(kReflectorSeries, QStringLiteral("Отражатель"), mirrorPen);
        for (int p = 0; p < static_cast<int>(m.pieces.size()); ++p) {
            for (int i = 0; i < kPieceSteps; ++i) {
                const double at = static_cast<double>(i) / kPieceSteps;
                s->append(m.xAt(p, at), m.yAt(p, at));
            }
        }
        if (!m.pieces.empty()) {
            s->append(m.pieces.back().endX, m.pieces.back().endY);
        }
    }
    for (const physics::Tube& t : scene.tubes) {
        AppendCircle(
            *piece(kTubeSeries, QStringLiteral("Лампа"), QPen(QColor(0xc8, 0x96, 0x00), 2.0)), t);
    }
    auto* water = piece(kWaterSeries, QStringLiteral("Вода"), QPen(QColor(0x30, 0x90, 0xe0), 2.0));
    water->append(scene.water.xMin, scene.water.y);
    water->append(scene.water.xMax, scene.water.y);
    const QRectF data = Around(all);
    AddAxes(*chart, all, data);
    // The legend names each kind once.
    QStringList named;
    for (QLegendMarker* marker : chart->legend()->markers()) {
        marker->setVisible(!named.contains(marker->label()));
        named << marker->label();
    }
    return chart;
}

} // namespace kavrol::CrossSectionChart
