// SPDX-License-Identifier: GPL-3.0-or-later
#include "LossesChart.h"

#include "ChartText.h"
#include "NumberText.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QHorizontalStackedBarSeries>
#include <QValueAxis>
#include <array>
#include <memory>

namespace kavrol::LossesChart {

namespace {

// Water blue first, then the losses in warm to grey tones.
const std::array<QColor, 5> Colours{QColor(0x30, 0x90, 0xe0), QColor(0x60, 0x60, 0x60),
                                    QColor(0x90, 0xc8, 0xf0), QColor(0xe8, 0xb0, 0x20),
                                    QColor(0xd0, 0x50, 0x40)};

// One segment's label: the bar (category) it sits on and where along it the segment runs, in
// percent.
struct Label {
    QGraphicsSimpleTextItem* item = nullptr;
    int bar = 0;
    double from = 0.0;
    double to = 0.0;
};

// The bars take half of their category's height (Qt's default bar width).
constexpr double BarWidth = 0.5;

// Puts every label in the middle of its segment, and hides it where its text would not fit the
// segment with a pixel to spare on each side.
void PlaceLabels(QChart& chart, QAbstractSeries& bars, const std::vector<Label>& labels) {
    for (const Label& label : labels) {
        const QPointF left =
            chart.mapToPosition(QPointF(label.from, label.bar - BarWidth / 2), &bars);
        const QPointF right =
            chart.mapToPosition(QPointF(label.to, label.bar + BarWidth / 2), &bars);
        const QRectF segment = QRectF(left, right).normalized();
        const QRectF text = label.item->boundingRect();
        const bool fits = text.width() + 2.0 <= segment.width() &&
                          text.height() <= segment.height() && segment.width() > 0.0;
        label.item->setVisible(fits);
        label.item->setPos(segment.center() - text.center());
    }
}

// Dark text on light colours, white on dark ones.
QColor TextColour(const QColor& fill) {
    return fill.lightnessF() > 0.6 ? QColor(Qt::black) : QColor(Qt::white);
}

} // namespace

QColor colour(int row) {
    return Colours[static_cast<std::size_t>(row) % Colours.size()];
}

std::unique_ptr<QChart> create(const std::vector<LossComparison>& rows, bool withRays) {
    auto chart = std::make_unique<QChart>();
    chart->setTitle(ChartText::lossesTitle());
    auto* bars = new QHorizontalStackedBarSeries;
    bars->setObjectName(QStringLiteral("losses"));
    // Horizontal bars stack their categories upward: the 72-ray model's bar is on top.
    std::vector<double> shares[2];
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* set = new QBarSet(rows[i].fate);
        shares[0].push_back(rows[i].physical * 100.0);
        set->append(shares[0].back());
        if (withRays) {
            shares[1].push_back(rows[i].rays * 100.0);
            set->append(shares[1].back());
        }
        set->setColor(colour(static_cast<int>(i)));
        set->setBorderColor(Qt::white);
        bars->append(set);
    }
    chart->addSeries(bars);
    auto* models = new QBarCategoryAxis;
    models->append(QStringLiteral("Физическая"));
    if (withRays) {
        models->append(QStringLiteral("72 луча"));
    }
    auto* share = new QValueAxis;
    share->setRange(0.0, 100.0);
    share->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(models, Qt::AlignLeft);
    chart->addAxis(share, Qt::AlignBottom);
    bars->attachAxis(models);
    bars->attachAxis(share);
    chart->legend()->hide();

    auto labels = std::make_shared<std::vector<Label>>();
    for (int bar = 0; bar < (withRays ? 2 : 1); ++bar) {
        double from = 0.0;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const double value = shares[bar][i];
            auto* item = new QGraphicsSimpleTextItem(NumberText::fixed(value, 1), chart.get());
            item->setData(0, QLatin1String(kValueLabel));
            item->setBrush(TextColour(colour(static_cast<int>(i))));
            item->setZValue(10.0);
            item->setVisible(false);
            labels->push_back({item, bar, from, from + value});
            from += value;
        }
    }
    QChart* shown = chart.get();
    QObject::connect(shown, &QChart::plotAreaChanged, shown,
                     [shown, bars, labels] { PlaceLabels(*shown, *bars, *labels); });
    return chart;
}

} // namespace kavrol::LossesChart
