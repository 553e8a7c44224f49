#pragma once

#include "AnalysisServices.h"
#include "BuildInputs.h"
#include "EstimateRunner.h"
#include "LossBreakdown.h"

#include <QWidget>
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
// estimates it when shown.
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

    QLabel* rayFigures_ = nullptr;
    QLabel* physicalFigures_ = nullptr;
    QLabel* gainFigures_ = nullptr;
    QLabel* lightFigures_ = nullptr;
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
};

} // namespace kavrol
