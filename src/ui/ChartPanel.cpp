// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartPanel.h"

#include <QAbstractAxis>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QStackedLayout>
#include <algorithm>
#include <cmath>

namespace kavrol {

namespace {

// How much of an outdated chart still shows through: enough to see that something was there,
// too little to read it as current.
constexpr double OutdatedOpacity = 0.25;

// Room left beside a measured caption, in pixels.
constexpr int Slack = 12;

} // namespace

ChartPanel::ChartPanel(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    view_ = new QChartView(this);
    view_->setObjectName(name + QStringLiteral("View"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setMinimumSize(MinimumSize);
    // The chart answers no keys: the Tab chain passes it by.
    view_->setFocusPolicy(Qt::NoFocus);
    note_ = new QLabel(this);
    note_->setObjectName(name + QStringLiteral("Note"));
    note_->setAlignment(Qt::AlignCenter);
    note_->setWordWrap(true);
    note_->setMargin(24);
    note_->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont bold = note_->font();
    bold.setBold(true);
    note_->setFont(bold);
    note_->hide();
    // The note lies over the chart, in its middle.
    stack_ = new QStackedLayout(this);
    stack_->setStackingMode(QStackedLayout::StackAll);
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->addWidget(view_);
    stack_->addWidget(note_);
    stack_->setCurrentWidget(note_);
    // The view starts with an empty chart of its own; replacing it hands it back to be deleted.
}

void ChartPanel::replace(QChart* chart) {
    QChart* previous = view_->chart();
    view_->setChart(chart);
    delete previous;
}

// The panel is never narrower than its chart's title and legend need, nor lower than its left
// axis's title: Qt would cut them short with an ellipsis.
void ChartPanel::fitTo(const QChart& chart) {
    const QMarginsF margins = chart.margins();
    const int sides = static_cast<int>(std::ceil(margins.left() + margins.right())) + 2 * Slack;
    int width = QFontMetrics(chart.titleFont()).horizontalAdvance(chart.title()) + sides;
    int legend = sides;
    const QFontMetrics legendFont(chart.legend()->font());
    for (const QLegendMarker* marker : chart.legend()->markers()) {
        if (marker->isVisible() && chart.legend()->isVisible()) {
            legend +=
                legendFont.horizontalAdvance(marker->label()) + 2 * legendFont.height() + Slack;
        }
    }
    int height = MinimumSize.height();
    for (const QAbstractAxis* axis : chart.axes(Qt::Vertical)) {
        // The title runs upward beside the plot, which takes about half of the panel's height.
        height = std::max(height,
                          2 * QFontMetrics(axis->titleFont()).horizontalAdvance(axis->titleText()));
    }
    view_->setMinimumSize(std::max({MinimumSize.width(), width, legend}), height);
}

void ChartPanel::show(std::unique_ptr<QChart> chart) {
    fitTo(*chart);
    replace(chart.release());
    note_->hide();
    current_ = true;
}

void ChartPanel::showOutdated(const QString& note) {
    view_->chart()->setOpacity(OutdatedOpacity);
    note_->setText(note);
    note_->show();
    current_ = false;
}

void ChartPanel::showMissing(const QString& note) {
    replace(new QChart);
    note_->setText(note);
    note_->show();
    current_ = false;
}

QString ChartPanel::note() const {
    return note_->isVisibleTo(this) ? note_->text() : QString();
}

} // namespace kavrol
