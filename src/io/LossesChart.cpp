// SPDX-License-Identifier: GPL-3.0-or-later
#include "LossesChart.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QHorizontalStackedBarSeries>
#include <QValueAxis>
#include <array>

namespace kavrol::LossesChart {

std::unique_ptr<QChart> create(const std::vector<LossComparison>& rows, bool withRays) {
    auto chart = std::make_unique<QChart>();
    chart->setTitle(QStringLiteral("Куда уходит свет лампы, %"));
    auto* bars = new QHorizontalStackedBarSeries;
    bars->setObjectName(QStringLiteral("losses"));
    // Water blue first, then the losses in warm to grey tones.
    const std::array<QColor, 5> colours{QColor(0x30, 0x90, 0xe0), QColor(0x60, 0x60, 0x60),
                                        QColor(0x90, 0xc8, 0xf0), QColor(0xe8, 0xb0, 0x20),
                                        QColor(0xd0, 0x50, 0x40)};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* set = new QBarSet(rows[i].fate);
        // Horizontal bars stack their categories upward: the 72-ray model's bar is on top.
        set->append(rows[i].physical * 100.0);
        if (withRays) {
            set->append(rows[i].rays * 100.0);
        }
        set->setColor(colours[i % colours.size()]);
        set->setBorderColor(Qt::white);
        bars->append(set);
    }
    bars->setLabelsVisible(true);
    bars->setLabelsFormat(QStringLiteral("@value"));
    bars->setLabelsPrecision(3);
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
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setShowToolTips(true);
    return chart;
}

} // namespace kavrol::LossesChart
