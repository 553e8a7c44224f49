// SPDX-License-Identifier: GPL-3.0-or-later
// The charts of an estimate: the irradiance series hold exactly the model's bins, the
// cross-section keeps true proportions at any size, the losses add up in both models, the CSV
// reads back to the same numbers, and chart files are PNG or SVG by name.
#include "ChartFile.h"
#include "CrossSectionChart.h"
#include "IrradianceChart.h"
#include "IrradianceCsv.h"
#include "LightEstimator.h"
#include "LossComparison.h"
#include "LossesChart.h"
#include "OpticalModel.h"
#include "PictureFile.h"
#include "ReflectorCurve.h"

#include <QBarSet>
#include <QHorizontalStackedBarSeries>
#include <QImage>
#include <QLineSeries>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <numeric>

namespace {

using kavrol::physics::PhysicalDesign;
using kavrol::physics::PhysicalEstimate;
using kavrol::physics::ReflectorShape;

PhysicalDesign Design(ReflectorShape shape = ReflectorShape::TwinArc) {
    PhysicalDesign d;
    d.shape = shape;
    d.c = 50;
    return d;
}

const PhysicalEstimate& Estimate() {
    static const PhysicalEstimate estimate = [] {
        kavrol::physics::EstimateOptions options;
        options.bins = 37;
        return kavrol::physics::LightEstimator(options).estimate(Design());
    }();
    return estimate;
}

QLineSeries* Series(const QChart& chart, const char* name) {
    for (QAbstractSeries* s : chart.series())
        if (s->objectName() == QLatin1String(name))
            return qobject_cast<QLineSeries*>(s);
    return nullptr;
}

TEST(IrradianceChart, SeriesHoldExactlyTheModelsBinsAndTheMean) {
    const PhysicalEstimate& e = Estimate();
    ASSERT_EQ(e.relative.size(), 37u);
    const auto chart = kavrol::IrradianceChart::create(e);
    const QLineSeries* light = Series(*chart, kavrol::IrradianceChart::kIrradianceSeries);
    ASSERT_NE(light, nullptr);
    const QList<QPointF> points = light->points();
    ASSERT_EQ(points.size(), 2 * 37);
    for (std::size_t b = 0; b < e.relative.size(); ++b) {
        const auto i = static_cast<qsizetype>(2 * b);
        EXPECT_EQ(points[i], QPointF(e.edgesMm[b], e.relative[b])) << b;
        EXPECT_EQ(points[i + 1], QPointF(e.edgesMm[b + 1], e.relative[b])) << b;
    }
    const QLineSeries* mean = Series(*chart, kavrol::IrradianceChart::kMeanSeries);
    ASSERT_NE(mean, nullptr);
    EXPECT_EQ(mean->points(), (QList<QPointF>{{e.edgesMm.front(), 1.0}, {e.edgesMm.back(), 1.0}}));
    EXPECT_TRUE(chart->title().contains(QString::number(e.uniformity.minOverMean, 'f', 2)));
    // Every bin is inside the axes.
    const auto* level = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).constFirst());
    EXPECT_GE(level->max(), *std::max_element(e.relative.begin(), e.relative.end()));

    const auto empty = kavrol::IrradianceChart::create(PhysicalEstimate{});
    EXPECT_TRUE(Series(*empty, kavrol::IrradianceChart::kIrradianceSeries)->points().isEmpty());
}

TEST(CrossSectionChart, KeepsOneMillimetreTheSameLengthAcrossAndDownAtAnySize) {
    const PhysicalDesign d = Design();
    const auto chart = kavrol::CrossSectionChart::create(d);
    const QLineSeries* reflector = Series(*chart, kavrol::CrossSectionChart::kReflectorSeries);
    const auto curve = kavrol::physics::ReflectorCurve::FromDesign(d, 0.5).points();
    ASSERT_EQ(reflector->count(), static_cast<qsizetype>(curve.size()));
    EXPECT_EQ(reflector->at(0), QPointF(curve.front().x, curve.front().y));
    const QLineSeries* water = Series(*chart, kavrol::CrossSectionChart::kWaterSeries);
    EXPECT_EQ(water->points(), (QList<QPointF>{{-250, 250}, {250, 250}}));
    for (const QSize size : {QSize(900, 400), QSize(400, 900), QSize(600, 600)}) {
        kavrol::ChartFile::render(*chart, kavrol::ChartFile::Format::Png, size);
        const QRectF plot = chart->plotArea();
        const auto* across = qobject_cast<QValueAxis*>(chart->axes(Qt::Horizontal).constFirst());
        const auto* down = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).constFirst());
        const double perPixelAcross = (across->max() - across->min()) / plot.width();
        const double perPixelDown = (down->max() - down->min()) / plot.height();
        EXPECT_NEAR(perPixelAcross / perPixelDown, 1.0, 0.01)
            << size.width() << "x" << size.height();
        // The whole scene stays in view.
        EXPECT_LE(across->min(), -250.0);
        EXPECT_GE(across->max(), 250.0);
        EXPECT_LE(down->min(), 0.0);
        EXPECT_GE(down->max(), 250.0);
    }
}

TEST(LossComparison, BothModelsAccountForAllTheLightAndTheChartShowsTheRows) {
    kavrol::OpticalModel model(96);
    model.PaintRef(kavrol::BuildInputs{});
    const PhysicalEstimate& e = Estimate();
    const auto rows = kavrol::LossComparison::rows(model.losses(), e);
    ASSERT_EQ(rows.size(), 5u);
    double rays = 0.0;
    double physical = 0.0;
    for (const auto& row : rows) {
        rays += row.rays;
        physical += row.physical;
    }
    EXPECT_NEAR(rays, 1.0, 1e-12);
    EXPECT_NEAR(physical, 1.0, 1e-9);
    EXPECT_EQ(rows[0].rays, model.efficiency());
    EXPECT_EQ(rows[0].physical, e.efficiency);
    EXPECT_EQ(rows[4].physical, e.losses.escaped + e.losses.besideAquarium);

    const auto chart = kavrol::LossesChart::create(rows);
    const auto* bars = qobject_cast<QHorizontalStackedBarSeries*>(chart->series().constFirst());
    ASSERT_EQ(bars->count(), 5);
    for (int i = 0; i < 5; ++i) {
        const QBarSet* set = bars->barSets()[i];
        EXPECT_EQ(set->label(), rows[static_cast<std::size_t>(i)].fate);
        EXPECT_DOUBLE_EQ(set->at(1), rows[static_cast<std::size_t>(i)].rays * 100.0);
        EXPECT_DOUBLE_EQ(set->at(0), rows[static_cast<std::size_t>(i)].physical * 100.0);
    }
}

TEST(IrradianceCsv, OneLinePerBinReadingBackToTheSameNumbers) {
    const PhysicalEstimate& e = Estimate();
    const QList<QByteArray> lines = kavrol::IrradianceCsv::text(e).split('\n');
    ASSERT_EQ(lines.size(), 37 + 2); // header, bins, and the empty rest after the last newline
    EXPECT_EQ(lines.front(), "left_mm,right_mm,centre_mm,relative,share_per_mm");
    EXPECT_TRUE(lines.back().isEmpty());
    for (std::size_t b = 0; b < 37; ++b) {
        const QList<QByteArray> cells = lines[static_cast<qsizetype>(b + 1)].split(',');
        ASSERT_EQ(cells.size(), 5);
        EXPECT_EQ(cells[0].toDouble(), e.edgesMm[b]);
        EXPECT_EQ(cells[1].toDouble(), e.edgesMm[b + 1]);
        EXPECT_EQ(cells[3].toDouble(), e.relative[b]);
        EXPECT_EQ(cells[4].toDouble(), e.perMm[b]);
    }
}

TEST(ChartFile, WritesPngOrSvgByNameAndRefusesOtherNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<std::pair<QString, std::optional<kavrol::ChartFile::Format>>> names = {
        {QStringLiteral("a.png"), kavrol::ChartFile::Format::Png},
        {QStringLiteral("b.PNG"), kavrol::ChartFile::Format::Png},
        {QStringLiteral("c.svg"), kavrol::ChartFile::Format::Svg},
        {QStringLiteral("d.Svg"), kavrol::ChartFile::Format::Svg},
        {QStringLiteral("e.bmp"), std::nullopt},
        {QStringLiteral("png"), std::nullopt},
    };
    for (const auto& [name, format] : names)
        EXPECT_EQ(kavrol::ChartFile::formatOf(name), format) << name.toStdString();

    auto chart = kavrol::IrradianceChart::create(Estimate());
    kavrol::ChartFile::write(*chart, dir.filePath(QStringLiteral("a.png")), QSize(640, 400));
    const QImage png(dir.filePath(QStringLiteral("a.png")), "PNG");
    ASSERT_EQ(png.size(), QSize(640, 400));
    // The curve's blue is drawn somewhere on the white.
    int blue = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x)
            if (qBlue(png.pixel(x, y)) > 150 && qRed(png.pixel(x, y)) < 80)
                ++blue;
    EXPECT_GT(blue, 200);
    EXPECT_EQ(chart->scene(), nullptr) << "the chart is given back";

    kavrol::ChartFile::write(*chart, dir.filePath(QStringLiteral("c.svg")));
    QFile svgFile(dir.filePath(QStringLiteral("c.svg")));
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(svgFile.readAll());
    while (!svg.atEnd() && !(svg.readNext() == QXmlStreamReader::StartElement &&
                             svg.name() == QLatin1String("svg"))) {
    }
    ASSERT_FALSE(svg.atEnd());
    EXPECT_EQ(svg.attributes().value(QStringLiteral("viewBox")).toString(),
              QStringLiteral("0 0 %1 %2")
                  .arg(kavrol::ChartFile::DefaultSize.width())
                  .arg(kavrol::ChartFile::DefaultSize.height()));

    const QString bmp = dir.filePath(QStringLiteral("e.bmp"));
    try {
        kavrol::ChartFile::write(*chart, bmp);
        FAIL() << "a .bmp chart was written";
    } catch (const kavrol::SaveError& error) {
        EXPECT_EQ(QString::fromUtf8(error.what()),
                  QStringLiteral("Cannot create file \"%1\". The name must end in .png or .svg")
                      .arg(bmp));
    }
    EXPECT_FALSE(QFile::exists(bmp));
}

} // namespace
