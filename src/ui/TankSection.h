// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "FloorMap.h"
#include "PhysicalDesign.h"
#include "TankEstimate.h"
#include "TankRunner.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kavrol {

class ChartPanel;
class FloorMapView;
class IntegerSpinEdit;
class RealSpinEdit;

// The analysis window's page about the whole tank: the tank's length, the water's depth, the
// tube of the catalogue and its lumens, the reflector's ends and the water's attenuation (the
// input table's ranges and defaults) over the window's design; on demand the light on the
// floor is estimated in the background, with progress and cancel, and shown as the floor map,
// its figures and PPFD by depth under the centre. The map saves as PNG or SVG, its cells as
// CSV, with the command line's writers. A fixture opened in the window goes over the tank its
// file gives, as `kavrol-cli fixture` takes it.
class TankSection : public QWidget {
    Q_OBJECT
public:
    // How the page asks for a file's name (a picture or figures, the dialog's caption, filter,
    // proposed name and the endings allowed): empty when the user cancels. And how it shows a
    // failure's Russian text.
    using AskPath =
        std::function<QString(bool picture, const QString& caption, const QString& filter,
                              const QString& name, const QStringList& suffixes)>;
    using ReportError = std::function<void(const QString& text)>;

    TankSection(AskPath askPath, ReportError reportError, QWidget* parent = nullptr);
    ~TankSection() override;

    // The design whose tube and reflector go over the tank; none while the window shows no
    // build. Another design makes a map on show or under way outdated.
    void setDesign(const std::optional<physics::PhysicalDesign>& design);
    // A fixture on show instead of a build (its file's name for the page's note): its units
    // over the tank its file gives, the fields then unused; without the tank in the file there
    // is nothing to estimate. A map on show or under way is outdated.
    void setFixture(const physics::Fixture& fixture, const QString& fileName);

    // What the next estimate takes from the fields.
    TankRunner::Job job() const;
    bool computing() const { return runner_.busy(); }
    // The estimate on show; none until one ends, or once it is outdated.
    const std::optional<physics::TankEstimate>& estimate() const { return estimate_; }
    // The tolerances offered: the floor share's bound (each cell's is 20 times it of the mean).
    static const std::vector<double>& tolerances();

public slots:
    void compute();
    void cancel();
    void saveMap();
    void saveCells();

signals:
    // An estimate ended: its map, its failure or its cancelling is on show.
    void estimateShown();

private:
    void createFields();
    // The fields in their form, with their labels and shortcuts.
    void layOutFields(QGroupBox* box);
    void createResults();
    void fillModels();
    void chooseModel();
    void showOutcome(const TankRunner::Outcome& outcome);
    void showProgress();
    void showFigures();
    void showDepthProfile();
    void forget(const QString& note);
    bool ready() const;
    std::vector<FloorMap::TubeSpan> tubes() const;

    AskPath askPath_;
    ReportError reportError_;
    std::optional<physics::PhysicalDesign> design_;
    std::optional<physics::Fixture> fixture_;
    std::optional<physics::TankEstimate> estimate_;
    TankRunner::Job shown_; // what the estimate on show was made from
    TankRunner runner_;
    int tube_ = -1; // the design's tube (list index) whose models the list holds

    IntegerSpinEdit* length_ = nullptr;
    IntegerSpinEdit* depth_ = nullptr;
    QComboBox* model_ = nullptr;
    RealSpinEdit* lumens_ = nullptr;
    QComboBox* ends_ = nullptr;
    RealSpinEdit* attenuation_ = nullptr;
    QComboBox* tolerance_ = nullptr;
    QPushButton* computeButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* saveMapButton_ = nullptr;
    QPushButton* saveCellsButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QGroupBox* inputs_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* figures_ = nullptr;
    QLabel* hover_ = nullptr;
    FloorMapView* map_ = nullptr;
    ChartPanel* depthChart_ = nullptr;
};

} // namespace kavrol
