// SPDX-License-Identifier: GPL-3.0-or-later
#include "IrradianceChart.h"

#include "NumberText.h"

#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>

namespace kavrol::IrradianceChart {

std::unique_ptr<QChart> create(const physics::PhysicalEstimate& estimate,
                               ChartText::Subject subject) {
    auto chart = std::make_unique<QChart>();
    const bool hasBins =
        !estimate.relative.empty() && estimate.edgesMm.size() == estimate.relative.size() + 1;
    QString title = ChartText::irradianceTitle();
    if (hasBins) {
        title += QStringLiteral(" — %1: %2")
                     .arg(ChartText::uniformityCaption(),
                          NumberText::fixed(estimate.uniformity.minOverMean, 2));
    }
    chart->setTitle(title);

    auto* light = new QLineSeries;
    light->setObjectName(QLatin1String(kIrradianceSeries));
    light->setName(ChartText::irradianceSeries());
    light->setPen(QPen(QColor(0x1f, 0x6f, 0xb4), 2.0));
    auto* mean = new QLineSeries;
    mean->setObjectName(QLatin1String(kMeanSeries));
    mean->setName(ChartText::meanSeries());
    QPen meanPen(QColor(0xd0, 0x40, 0x20), 1.5, Qt::DashLine);
    mean->setPen(meanPen);

    double highest = 1.0;
    if (hasBins) {
        for (std::size_t b = 0; b < estimate.relative.size(); ++b) {
            light->append(estimate.edgesMm[b], estimate.relative[b]);
            light->append(estimate.edgesMm[b + 1], estimate.relative[b]);
            highest = std::max(highest, estimate.relative[b]);
        }
        mean->append(estimate.edgesMm.front(), 1.0);
        mean->append(estimate.edgesMm.back(), 1.0);
    }
    chart->addSeries(light);
    chart->addSeries(mean);

    auto* across = new QValueAxis;
    across->setTitleText(ChartText::irradianceAcross(subject));
    across->setLabelFormat(QStringLiteral("%.0f"));
    if (hasBins) {
        across->setRange(estimate.edgesMm.front(), estimate.edgesMm.back());
    }
    auto* level = new QValueAxis;
    level->setTitleText(ChartText::irradianceLevel());
    level->setLabelFormat(QStringLiteral("%.1f"));
    level->setRange(0.0, highest * 1.1);
    level->applyNiceNumbers();
    chart->addAxis(across, Qt::AlignBottom);
    chart->addAxis(level, Qt::AlignLeft);
    for (QLineSeries* series : {light, mean}) {
        series->attachAxis(across);
        series->attachAxis(level);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

} // namespace kavrol::IrradianceChart
