// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>

class QChart;
class QChartView;
class QLabel;
class QStackedLayout;

namespace kavrol {

// One chart of the analysis window with what it may say instead: a current chart, an outdated
// one drawn faded while its successor is computed, or no chart at all and a note in its place
// saying why. The chart view and the note are named after the panel ("<name>View",
// "<name>Note") for whoever looks them up.
class ChartPanel : public QWidget {
    Q_OBJECT
public:
    ChartPanel(const QString& name, QWidget* parent = nullptr);

    // Shows chart as current; the panel takes it.
    void show(std::unique_ptr<QChart> chart);
    // Keeps the chart on show, faded, with a note that it is no longer current.
    void showOutdated(const QString& note);
    // Drops the chart (the view keeps an empty one) and shows the note instead.
    void showMissing(const QString& note);

    QChartView* view() const { return view_; }
    // Whether the chart on show belongs to what the window shows now.
    bool current() const { return current_; }
    QString note() const;

private:
    void replace(QChart* chart);
    void fitTo(const QChart& chart);

    // The smallest a chart is shown, in pixels.
    static constexpr QSize MinimumSize{360, 240};

    QChartView* view_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* missing_ = nullptr;
    QStackedLayout* stack_ = nullptr;
    bool current_ = false;
};

} // namespace kavrol
