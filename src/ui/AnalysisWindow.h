// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalysisServices.h"
#include "BuildInputs.h"
#include "EstimateRunner.h"
#include "Fixture.h"
#include "LossBreakdown.h"

#include <QWidget>
#include <memory>
#include <optional>

class QChart;
class QChartView;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kavrol {

// The analysis window ("Анализ"): the physical estimate of the main window's last good build
// beside its 72-ray figures, the light across the water, the cross-section at true proportions
// and the losses of both models; the irradiance chart, its figures and the cutting template can
// be saved from it. It follows every build it is given, estimating in the background; a newer
// build cancels the estimate still running. While hidden it only keeps the newest build and
// estimates it when shown. It can also show a whole fixture read from its file, in the same
// way, until the next build comes.
class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    explicit AnalysisWindow(AnalysisServices services = {}, QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    // A build of the main window and its 72-ray figures.
    struct Build {
        BuildInputs inputs;
        LossBreakdown losses;
        double efficiency = 0.0; // share of 1
    };
    // What the window shows: the build, and its estimate once one has come.
    const std::optional<Build>& build() const { return build_; }
    const std::optional<physics::PhysicalEstimate>& estimate() const { return estimate_; }
    // The design refused by the physical model or the estimate's failure, shown instead of
    // figures; empty otherwise.
    const QString& failure() const { return failure_; }
    // The file name of the fixture on show instead of a build; empty when following builds.
    QString fixtureFile() const { return fixture_ ? fixture_->fileName : QString(); }
    bool busy() const { return runner_.busy(); }
    const EstimateRunner& runner() const { return runner_; }

public slots:
    // Shows a successful build and starts its physical estimate.
    void follow(const kavrol::BuildInputs& inputs, const kavrol::LossBreakdown& losses,
                double efficiency);
    // Save dialogs for the irradiance chart (PNG, SVG), its figures (CSV) and the cutting
    // template (SVG, PDF).
    void saveChart();
    void saveFigures();
    void saveTemplate();
    // An open dialog for a fixture file; the fixture read from it is shown and estimated. A
    // file that cannot be read or a fixture that cannot exist leaves the window as it was.
    void openFixture();
    void openFixtureFile(const QString& path);

signals:
    // The newest build's estimate (or its failure) is on show.
    void estimateShown();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void createWidgets();
    void startEstimate();
    void showOutcome(const EstimateRunner::Outcome& outcome);
    void showBuild();
    void showFixture();
    void showLosses(const physics::PhysicalEstimate& e);
    std::unique_ptr<QChart> irradianceChart() const;
    void showEstimate();
    void showBusy();
    void showFailure(const QString& text);
    void setChart(QChartView* view, QChart* chart);
    QString askPath(const QString& caption, const QString& filter, const QString& proposed);
    template <typename Handler> void guarded(Handler&& handler);

    AnalysisServices services_;
    EstimateRunner runner_;
    std::optional<Build> build_;
    bool pending_ = false; // the build waits for the window to be shown
    std::optional<physics::PhysicalEstimate> estimate_;
    QString failure_;
    // A fixture on show instead of the build.
    struct ShownFixture {
        QString fileName;
        physics::Fixture fixture;
    };
    std::optional<ShownFixture> fixture_;

    QLabel* rayFigures_ = nullptr;
    QLabel* physicalFigures_ = nullptr;
    QLabel* gainFigures_ = nullptr;
    QLabel* lightFigures_ = nullptr;
    QLabel* fixtureFigures_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* busyBar_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QChartView* irradianceView_ = nullptr;
    QChartView* crossSectionView_ = nullptr;
    QChartView* lossesView_ = nullptr;
    QTableWidget* lossesTable_ = nullptr;
    QLabel* lossesNote_ = nullptr;
    QPushButton* saveChartButton_ = nullptr;
    QPushButton* saveFiguresButton_ = nullptr;
    QPushButton* saveTemplateButton_ = nullptr;
    QPushButton* openFixtureButton_ = nullptr;
};

} // namespace kavrol
