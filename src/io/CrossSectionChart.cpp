#include "CrossSectionChart.h"

#include "ReflectorCurve.h"
#include "Scene.h"

#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace kavrol::CrossSectionChart {

namespace {

QLineSeries* series(const char* name, const QString& caption, const QPen& pen) {
    auto* result = new QLineSeries;
    result->setObjectName(QLatin1String(name));
    result->setName(caption);
    result->setPen(pen);
    return result;
}

// Widens the data's range across or down so that a millimetre takes as many pixels either way.
void keepTrueProportions(const QChart& chart, QValueAxis& across, QValueAxis& down,
                         const QRectF& data) {
    const QRectF plot = chart.plotArea();
    if (plot.width() < 1.0 || plot.height() < 1.0) {
        return;
    }
    const double mmPerPixel = std::max(data.width() / plot.width(), data.height() / plot.height());
    const double halfWidth = plot.width() * mmPerPixel / 2.0;
    const double halfHeight = plot.height() * mmPerPixel / 2.0;
    const QPointF centre = data.center();
    // Setting a range the axis already has changes nothing, so the relayout it may cause ends.
    across.setRange(centre.x() - halfWidth, centre.x() + halfWidth);
    down.setRange(centre.y() - halfHeight, centre.y() + halfHeight);
}

} // namespace

std::unique_ptr<QChart> create(const physics::PhysicalDesign& design) {
    const physics::Scene scene = physics::Scene::FromDesign(design);
    const physics::ReflectorCurve curve = physics::ReflectorCurve::FromDesign(design, 0.5);

    auto chart = std::make_unique<QChart>();
    chart->setTitle(QStringLiteral("Разрез светильника в истинных пропорциях"));
    auto* reflector = series(kReflectorSeries, QStringLiteral("Отражатель"), QPen(Qt::black, 2.0));
    for (const physics::ReflectorCurve::Point& p : curve.points()) {
        reflector->append(p.x, p.y);
    }
    auto* tube = series(kTubeSeries, QStringLiteral("Лампа"), QPen(QColor(0xc8, 0x96, 0x00), 2.0));
    const physics::Tube& lamp = scene.tubes.front();
    constexpr int kCircleSteps = 96;
    for (int i = 0; i <= kCircleSteps; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / kCircleSteps;
        tube->append(lamp.x + lamp.radius * std::cos(angle),
                     lamp.y + lamp.radius * std::sin(angle));
    }
    auto* water = series(kWaterSeries, QStringLiteral("Вода"), QPen(QColor(0x30, 0x90, 0xe0), 2.0));
    water->append(scene.water.xMin, scene.water.y);
    water->append(scene.water.xMax, scene.water.y);
    for (QLineSeries* s : {reflector, tube, water}) {
        chart->addSeries(s);
    }

    auto* across = new QValueAxis;
    across->setTitleText(QStringLiteral("мм"));
    across->setLabelFormat(QStringLiteral("%.0f"));
    auto* down = new QValueAxis;
    down->setTitleText(QStringLiteral("мм вниз от верха отражателя"));
    down->setLabelFormat(QStringLiteral("%.0f"));
    down->setReverse(true);
    chart->addAxis(across, Qt::AlignBottom);
    chart->addAxis(down, Qt::AlignLeft);
    for (QLineSeries* s : {reflector, tube, water}) {
        s->attachAxis(across);
        s->attachAxis(down);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);

    const double halfSpan = std::max(scene.water.xMax, design.a / 2.0);
    const double bottom = std::max(scene.water.y, curve.points().front().y);
    const double margin = 0.04 * std::max(2.0 * halfSpan, bottom);
    const QRectF data(QPointF(-halfSpan - margin, -margin),
                      QPointF(halfSpan + margin, bottom + margin));
    across->setRange(data.left(), data.right());
    down->setRange(data.top(), data.bottom());
    QChart* shown = chart.get();
    QObject::connect(shown, &QChart::plotAreaChanged, shown, [shown, across, down, data] {
        keepTrueProportions(*shown, *across, *down, data);
    });
    return chart;
}

} // namespace kavrol::CrossSectionChart
