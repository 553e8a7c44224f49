// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AnalysisServices.h"
#include "BuildResult.h"
#include "EstimateRunner.h"
#include "Fixture.h"
#include "LossComparison.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class QChart;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QTimer;

namespace kavrol {

class ChartPanel;
class SurfaceSection;
class TankSection;
struct FixtureTemplate;

// The analysis window ("Анализ"): the physical estimate of the main window's last good build
// beside its 72-ray figures, the light across the water, the cross-section at true proportions
// and the losses of both models; the irradiance chart, its figures and the cutting template can
// be saved from it. It follows every build it is given, estimating in the background; a newer
// build cancels the estimate still running. While hidden it only keeps the newest build and
// estimates it when shown. It can also show a whole fixture read from its file, in the same
// way, until the next build comes. Every text it shows is Russian; failures thrown in English
// are put into Russian by WindowMessages before they reach the user.
class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    explicit AnalysisWindow(AnalysisServices services = {}, QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    // The last good build of the main window: what the window follows, and what the cutting
    // template is made from whatever the window shows.
    const std::optional<BuildResult>& build() const { return build_; }
    // The estimate on show, once one has come.
    const std::optional<physics::PhysicalEstimate>& estimate() const { return estimate_; }
    // Why there is no estimate (the design refused by the physical model or the estimate's
    // failure, in Russian); empty otherwise.
    const QString& failure() const { return failure_; }
    // The file name of the fixture on show instead of a build; empty when following builds.
    QString fixtureFile() const { return fixture_ ? fixture_->fileName : QString(); }
    bool busy() const { return runner_.busy(); }
    const EstimateRunner& runner() const { return runner_; }

    // Adds a page beside the design's charts, under a tab of this title; the window takes the
    // page. Returns the page's index. The tabs show once there are two pages.
    int addSection(QWidget* page, const QString& title);

public slots:
    // Shows a successful build and starts its physical estimate.
    void follow(const kavrol::BuildResult& build);
    // Save dialogs for the irradiance chart (PNG, SVG) and its figures (CSV).
    void saveChart();
    void saveFigures();
    // The cutting template (SVG, PDF) of the last good build, whatever the window shows.
    void saveTemplate();
    // The template button: the last good build's template, or when a fixture is on show its
    // own templates, one for each distinct reflector (from a menu when there are several).
    void offerTemplates();
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
    void createWidgets();
    void createButtons();
    void createControls();
    void createKeys();
    void setTabOrder();
    void showSectionTabs();
    void startEstimate();
    void showOutcome(const EstimateRunner::Outcome& outcome);
    void showBuild();
    void showFixture();
    void showWaiting();
    void showLosses(const physics::PhysicalEstimate& e);
    void fitTable();
    void nameFates(const std::vector<LossComparison>& rows);
    std::unique_ptr<QChart> irradianceChart() const;
    void showEstimate();
    void showBusy();
    void showFailure(const QString& text);
    void enableSaving(bool estimated);
    void offerFixtureTemplates();
    void saveFixtureTemplate(std::size_t index);
    // The units sharing a fixture's template as the window names them: "лампа 1 «left»".
    QString unitNames(const FixtureTemplate& sheet) const;
    // The kinds of file the window reads and writes; each remembers the folder last used.
    enum class FileKind { Chart, Figures, Template, Fixture, Count };
    // A save dialog for a kind of file proposing name in that kind's last folder; returns the
    // chosen path with one of the suffixes (the first added when none is there), or an empty
    // string when the user cancels or will not replace an existing file of that name.
    QString askPath(FileKind kind, const QString& caption, const QString& filter,
                    const QString& name, const QStringList& suffixes);
    QString askTemplatePath(const QString& name);
    bool confirmReplace(const QString& path);
    // The window's one error guard: runs handler; a failure it throws is put into Russian and
    // either shown in the error box or, with onPage, instead of the figures.
    template <typename Handler> void guarded(Handler&& handler, bool onPage = false);

    AnalysisServices services_;
    EstimateRunner runner_;
    std::optional<BuildResult> build_;
    bool pending_ = false; // the build waits for the window to be shown
    std::optional<physics::PhysicalEstimate> estimate_;
    QString failure_;
    // A fixture on show instead of the build.
    struct ShownFixture {
        QString fileName;
        physics::Fixture fixture;
    };
    std::optional<ShownFixture> fixture_;
    std::array<QString, static_cast<std::size_t>(FileKind::Count)> folders_;

    QLabel* rayFigures_ = nullptr;
    QLabel* physicalFigures_ = nullptr;
    QLabel* gainFigures_ = nullptr;
    QLabel* lightFigures_ = nullptr;
    QLabel* fixtureFigures_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* busyBar_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QTabWidget* sections_ = nullptr;
    ChartPanel* irradiance_ = nullptr;
    ChartPanel* crossSection_ = nullptr;
    ChartPanel* losses_ = nullptr;
    QTableWidget* lossesTable_ = nullptr;
    QLabel* lossesNote_ = nullptr;
    QPushButton* saveChartButton_ = nullptr;
    QPushButton* saveFiguresButton_ = nullptr;
    QPushButton* saveTemplateButton_ = nullptr;
    QPushButton* openFixtureButton_ = nullptr;
    SurfaceSection* surfaces_ = nullptr;
    TankSection* tank_ = nullptr;
};

} // namespace kavrol
