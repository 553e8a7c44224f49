// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: building the page; the design and the fields; the background estimate; showing
// the floor; the files.
#include "TankSection.h"

#include "ChartPanel.h"
#include "ErrorReport.h"
#include "FloorMapView.h"
#include "InputDomain.h"
#include "IntegerSpinEdit.h"
#include "NumberText.h"
#include "RealSpinEdit.h"
#include "WindowMessages.h"

#include <QChart>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kavrol {

namespace D = InputDomain;

namespace {

QString caption(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A field's figure within its input's range, as the estimate takes it.
double figureOf(const RealSpinEdit& edit) {
    return static_cast<double>(std::clamp(edit.value(), edit.minimum(), edit.maximum()));
}

int figureOf(const IntegerSpinEdit& edit) {
    return std::clamp(edit.value(), edit.minimum(), edit.maximum());
}

// Whether two designs put the same lamp over the tank.
bool sameLamp(const physics::PhysicalDesign& p, const physics::PhysicalDesign& q) {
    return p.shape == q.shape && p.a == q.a && p.b == q.b && p.c == q.c &&
           p.tubeRadius == q.tubeRadius && p.lampDistance == q.lampDistance &&
           p.waterDistance == q.waterDistance && p.aquariumWidth == q.aquariumWidth &&
           p.materials == q.materials;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text,
                    const QString& toolTip) {
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setAutoDefault(false);
    result->setToolTip(toolTip);
    return result;
}

// A spin field for one input of the table (its range, step and start value), with its tip and
// the width every field of the page shares; Edit is IntegerSpinEdit or RealSpinEdit.
template <typename Edit, typename Input>
Edit* InputEdit(QWidget* parent, const char* name, const Input& input, const QString& tip) {
    auto* edit = new Edit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setRange(input.minimum, input.maximum);
    edit->setSingleStep(input.step);
    edit->setValue(input.initial);
    edit->setToolTip(tip);
    edit->setMinimumWidth(100);
    edit->setMaximumWidth(140);
    return edit;
}

} // namespace

// --- Building the page ---

const std::vector<double>& TankSection::tolerances() {
    // From a rough map in seconds to the command line's default bound, which takes minutes.
    static const std::vector<double> values{0.05, 0.01, 0.002,
                                            static_cast<double>(D::Tolerance.initial)};
    return values;
}

TankSection::TankSection(AskPath askPath, ReportError reportError, QWidget* parent)
    : QWidget(parent), askPath_(std::move(askPath)), reportError_(std::move(reportError)) {
    setObjectName(QStringLiteral("TankSection"));
    createFields();
    createResults();
    connect(&runner_, &TankRunner::finished, this, &TankSection::showOutcome);
    connect(progressTimer_, &QTimer::timeout, this, &TankSection::showProgress);
    forget(QStringLiteral("Постройте отражатель в главном окне."));
    showProgress();
}

TankSection::~TankSection() = default;

void TankSection::createFields() {
    auto* box = new QGroupBox(QStringLiteral("Аквариум и лампа"), this);
    box->setObjectName(QStringLiteral("TankInputs"));
    inputs_ = box;
    const auto integer = [box](const char* name, const IntegerInput& input, const QString& tip) {
        return InputEdit<IntegerSpinEdit>(box, name, input, tip);
    };
    const auto real = [box](const char* name, const RealInput& input, const QString& tip) {
        return InputEdit<RealSpinEdit>(box, name, input, tip);
    };
    length_ = integer("TankLength", D::TankLength,
                      QStringLiteral("Внутренняя длина аквариума вдоль лампы (от %1 до %2 мм).")
                          .arg(D::TankLength.minimum)
                          .arg(D::TankLength.maximum));
    depth_ = integer("WaterDepth", D::WaterDepth,
                     QStringLiteral("Глубина воды от поверхности до дна (от %1 до %2 мм).")
                         .arg(D::WaterDepth.minimum)
                         .arg(D::WaterDepth.maximum));
    model_ = new QComboBox(box);
    model_->setObjectName(QStringLiteral("TubeModel"));
    model_->setToolTip(QStringLiteral(
        "Лампа из каталога для трубки, выбранной в главном окне: её светящаяся длина\nи "
        "световой поток по паспортам производителей (см. docs/tank.md)."));
    lumens_ = real("Lumens", D::Lumens,
                   QStringLiteral("Световой поток лампы в люменах; при выборе лампы "
                                  "ставится паспортный.\nФотонный поток: люмены × %1 мкмоль/с "
                                  "на люмен.")
                       .arg(NumberText::fixed(static_cast<double>(D::PhotonFactor.initial), 4)));
    lumens_->setValue(0);
    ends_ = new QComboBox(box);
    ends_->setObjectName(QStringLiteral("ReflectorEnds"));
    ends_->addItem(QStringLiteral("открытые"));
    ends_->addItem(QStringLiteral("закрытые торцевыми зеркалами"));
    ends_->setCurrentIndex(D::ReflectorEnds.initial);
    ends_->setToolTip(QStringLiteral("Торцы отражателя: открытые или закрытые плоскими "
                                     "зеркальными пластинами."));
    attenuation_ = real("WaterAttenuation", D::WaterAttenuation,
                        QStringLiteral("Ослабление света в воде на метр пути (0 — чистая вода)."));
    tolerance_ = new QComboBox(box);
    tolerance_->setObjectName(QStringLiteral("TankTolerance"));
    for (const double t : tolerances()) {
        // As many decimals as the bound's first digit needs.
        const int decimals = static_cast<int>(std::ceil(-std::log10(t) - 1e-9));
        tolerance_->addItem(QStringLiteral("± %1").arg(NumberText::fixed(t, decimals)));
    }
    tolerance_->setCurrentIndex(1);
    tolerance_->setToolTip(
        QStringLiteral("Граница ошибки доли света на дне; каждая ячейка карты — в пределах\n"
                       "двадцати таких границ от среднего. Чем точнее, тем дольше расчёт:\n"
                       "± 0,01 — секунды, ± 0,0005 — минуты."));
    layOutFields(box);
    connect(model_, &QComboBox::activated, this, &TankSection::chooseModel);
}

void TankSection::layOutFields(QGroupBox* box) {
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("Д&лина аквариума, мм:"), length_);
    form->addRow(QStringLiteral("Глуб&ина воды, мм:"), depth_);
    form->addRow(QStringLiteral("Ла&мпа:"), model_);
    form->addRow(QStringLiteral("Све&товой поток, лм:"), lumens_);
    form->addRow(QStringLiteral("Торц&ы отражателя:"), ends_);
    form->addRow(QStringLiteral("Ослабление в &воде, 1/м:"), attenuation_);
    form->addRow(QStringLiteral("Точност&ь:"), tolerance_);
}

void TankSection::createResults() {
    computeButton_ = button(this, "ComputeTank", QStringLiteral("&Рассчитать"),
                            QStringLiteral("Рассчитать свет на дне для этих значений."));
    cancelButton_ = button(this, "CancelTank", QStringLiteral("Отм&енить"),
                           QStringLiteral("Остановить расчёт."));
    saveMapButton_ = button(this, "SaveFloorMap", QStringLiteral("Сохранить &карту…"),
                            QStringLiteral("Записать карту дна как PNG или SVG."));
    saveCellsButton_ =
        button(this, "SaveFloorCells", QStringLiteral("Сохранить &ячейки…"),
               QStringLiteral("Записать PPFD и его границу по ячейкам дна как CSV."));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("TankProgress"));
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(220);
    progress_->setFormat(QStringLiteral("Расчёт… %p %"));
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("TankStatus"));
    status_->setWordWrap(true);
    figures_ = new QLabel(this);
    figures_->setObjectName(QStringLiteral("TankFigures"));
    figures_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    figures_->setWordWrap(true);
    hover_ = new QLabel(this);
    hover_->setObjectName(QStringLiteral("FloorReading"));
    map_ = new FloorMapView(this);
    depthChart_ = new ChartPanel(QStringLiteral("DepthProfile"), this);
    connect(map_, &FloorMapView::hovered, hover_, &QLabel::setText);
    connect(computeButton_, &QPushButton::clicked, this, &TankSection::compute);
    connect(cancelButton_, &QPushButton::clicked, this, &TankSection::cancel);
    connect(saveMapButton_, &QPushButton::clicked, this, &TankSection::saveMap);
    connect(saveCellsButton_, &QPushButton::clicked, this, &TankSection::saveCells);

    auto* top = new QHBoxLayout;
    top->addWidget(inputs_);
    top->addWidget(depthChart_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(computeButton_);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(progress_);
    buttons->addStretch(1);
    buttons->addWidget(saveMapButton_);
    buttons->addWidget(saveCellsButton_);
    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addLayout(buttons);
    page->addWidget(status_);
    page->addWidget(figures_);
    page->addWidget(map_, 1);
    page->addWidget(hover_);
}

// --- The design and the fields ---

void TankSection::setDesign(const std::optional<physics::PhysicalDesign>& design) {
    const bool same = !fixture_ && design && design_ && sameLamp(*design, *design_);
    fixture_.reset();
    inputs_->setEnabled(true);
    if (!same) {
        const QString note =
            !design ? QStringLiteral("Постройте отражатель в главном окне.")
            : runner_.busy() || estimate_
                ? QStringLiteral("Отражатель изменился: нажмите «Рассчитать».")
                : QStringLiteral("Нажмите «Рассчитать», чтобы получить свет на дне.");
        runner_.cancel();
        forget(note);
    }
    design_ = design;
    fillModels();
    showProgress();
}

void TankSection::setFixture(const physics::Fixture& fixture, const QString& fileName) {
    runner_.cancel();
    design_.reset();
    fixture_ = fixture;
    inputs_->setEnabled(false);
    if (const auto& tank = fixture.wholeTank) {
        forget(QStringLiteral("Светильник «%1»: аквариум и лампы из его файла (длина %2 мм, "
                              "глубина воды %3 мм, ослабление в воде %4 1/м, ламп %5). Нажмите "
                              "«Рассчитать», чтобы получить свет на дне.")
                   .arg(fileName, NumberText::fixed(tank->length, 0),
                        NumberText::fixed(tank->waterDepth, 0),
                        NumberText::fixed(tank->attenuationPerM, 2))
                   .arg(fixture.units.size()));
    } else {
        forget(QStringLiteral("В файле светильника «%1» нет аквариума вдоль ламп (tank.length, "
                              "см. docs/fixture.md).")
                   .arg(fileName));
    }
}

// The catalogue's tubes of the design's diameter, its default chosen.
void TankSection::fillModels() {
    int tube = -1;
    for (std::size_t i = 0; design_ && i < D::TubeRadiusMm.size(); ++i) {
        if (D::TubeRadiusMm[i] == design_->tubeRadius) {
            tube = static_cast<int>(i);
        }
    }
    if (tube == tube_) {
        return;
    }
    tube_ = tube;
    model_->clear();
    if (tube < 0) {
        return;
    }
    for (const D::TubeModel& m : D::TubeCatalogue) {
        if (m.tube == tube) {
            model_->addItem(QStringLiteral("%1: %2 Вт, %3 мм, светится %4 мм, %5 лм")
                                .arg(caption(m.word))
                                .arg(m.watts)
                                .arg(m.nominalLengthMm)
                                .arg(m.litLengthMm)
                                .arg(m.lumens),
                            caption(m.word));
        }
    }
    model_->setCurrentIndex(
        model_->findData(caption(D::DefaultTubeModel[static_cast<std::size_t>(tube)])));
    chooseModel();
}

void TankSection::chooseModel() {
    if (const D::TubeModel* m = D::FindTubeModel(model_->currentData().toString().toStdString())) {
        lumens_->setValue(m->lumens);
    }
}

// As kavrol-cli --tank makes it from --tube-model, --lumens, --tank-length, --water-depth,
// --reflector-ends and --water-attenuation: the tube and reflector centred, the reflector as
// long as the lit length. A fixture's, as kavrol-cli fixture makes it from the file.
TankRunner::Job TankSection::job() const {
    TankRunner::Job job;
    if (design_) {
        job.design = *design_;
    }
    if (fixture_ && fixture_->wholeTank) {
        job.fixture = *fixture_;
    }
    job.tank.length = figureOf(*length_);
    job.tank.waterDepth = figureOf(*depth_);
    job.tank.attenuationPerM = figureOf(*attenuation_);
    const D::TubeModel* model = D::FindTubeModel(model_->currentData().toString().toStdString());
    job.unit.centre = figureOf(*length_) / 2.0;
    job.unit.litLength = model != nullptr ? model->litLengthMm : 0.0;
    job.unit.reflectorLength = job.unit.litLength;
    job.unit.closedLow = job.unit.closedHigh = ends_->currentIndex() == 1;
    job.unit.photonFlux = figureOf(*lumens_) * static_cast<double>(D::PhotonFactor.initial) *
                          static_cast<double>(D::OutputFactor.initial);
    if (job.fixture) {
        job.tank = *fixture_->wholeTank;
    }
    job.settings.tolerance = tolerances()[static_cast<std::size_t>(
        std::clamp(tolerance_->currentIndex(), 0, static_cast<int>(tolerances().size()) - 1))];
    job.settings.cellsX = D::FloorCellsX.initial;
    job.settings.cellsZ = D::FloorCellsZ.initial;
    job.settings.levels = {D::PpfdLevels.begin(), D::PpfdLevels.end()};
    return job;
}

// --- The background estimate ---

bool TankSection::ready() const {
    return fixture_ ? fixture_->wholeTank.has_value() : design_.has_value() && tube_ >= 0;
}

void TankSection::compute() {
    if (!ready()) {
        return;
    }
    if (design_ && design_->materials.surface.diffuseShare > 0.0) {
        forget(QStringLiteral("Расчёт аквариума пока не учитывает рассеянный свет отражателя: "
                              "поверхность с долей рассеяния больше 0, выбранная на странице "
                              "«Поверхности», в нём не считается. Выберите там поверхность без "
                              "рассеяния (идеальное зеркало или свою с долей 0)."));
        return;
    }
    forget(QString());
    shown_ = job();
    runner_.start(shown_);
    status_->setText(QStringLiteral("Расчёт света на дне…"));
    progressTimer_->start();
    showProgress();
}

void TankSection::cancel() {
    if (runner_.busy()) {
        runner_.cancel();
    }
}

void TankSection::showProgress() {
    const bool busy = runner_.busy();
    progress_->setVisible(busy);
    progress_->setValue(static_cast<int>(runner_.progress() * 100.0));
    cancelButton_->setEnabled(busy);
    computeButton_->setEnabled(ready());
    saveMapButton_->setEnabled(estimate_.has_value());
    saveCellsButton_->setEnabled(estimate_.has_value());
}

void TankSection::showOutcome(const TankRunner::Outcome& outcome) {
    progressTimer_->stop();
    if (outcome.estimate) {
        estimate_ = outcome.estimate;
        status_->clear();
        map_->setMap(*estimate_, tubes());
        showFigures();
        showDepthProfile();
    } else if (outcome.cancelled) {
        // A newer design's note is on show already; the user's own cancel says so.
        if (status_->text() == QStringLiteral("Расчёт света на дне…")) {
            forget(QStringLiteral("Расчёт отменён."));
        }
    } else {
        forget(WindowMessages::russian(outcome.failure));
    }
    showProgress();
    emit estimateShown();
}

// --- Showing the floor ---

void TankSection::forget(const QString& note) {
    estimate_.reset();
    status_->setText(note);
    figures_->clear();
    map_->clear(note);
    depthChart_->showMissing(note);
    showProgress();
}

std::vector<FloorMap::TubeSpan> TankSection::tubes() const {
    if (shown_.fixture) {
        std::vector<FloorMap::TubeSpan> spans;
        for (const physics::Fixture::Unit& u : shown_.fixture->units) {
            spans.push_back({u.x, u.tubeRadius, u.along.centre - u.along.litLength / 2.0,
                             u.along.centre + u.along.litLength / 2.0});
        }
        return spans;
    }
    const double half = shown_.unit.litLength / 2.0;
    return {{0.0, shown_.design.tubeRadius, shown_.unit.centre - half, shown_.unit.centre + half}};
}

void TankSection::showFigures() {
    const physics::TankEstimate& e = *estimate_;
    const physics::TankEstimate::Losses& l = e.losses;
    const double worst =
        e.cellErrors.empty() ? 0.0 : *std::max_element(e.cellErrors.begin(), e.cellErrors.end());
    QStringList levels;
    for (const auto& [level, share] : e.atLeast) {
        levels << QStringLiteral("не ниже %1: %2 дна")
                      .arg(NumberText::fixed(level, level == std::round(level) ? 0 : 1),
                           NumberText::percent(share, 1));
    }
    const auto pc = [](double share) { return NumberText::percent(share, 1); };
    figures_->setText(
        QStringLiteral("На дно: %1 ± %2 света лампы (%3 мкмоль/с).")
            .arg(pc(e.floorShare), NumberText::significantPercent(e.error, 2),
                 NumberText::fixed(e.photonFlux, 2)) +
        QStringLiteral("\nPPFD на дне, мкмоль/(м²·с): среднее %1, наименьшее %2, наибольшее %3, "
                       "мин/сред %4; ячеек %5 × %6, каждая в пределах ± %7.")
            .arg(NumberText::fixed(e.mean, 1), NumberText::fixed(e.min, 1),
                 NumberText::fixed(e.max, 1), NumberText::fixed(e.minOverMean, 3))
            .arg(e.cellsX)
            .arg(e.cellsZ)
            .arg(NumberText::fixed(worst, 2)) +
        QStringLiteral("\nДоля дна %1.").arg(levels.join(QStringLiteral(", "))) +
        QStringLiteral("\nПотери: поглощено отражателем %1, вернулось в лампу %2, мимо "
                       "аквариума %3, через переднее и заднее стекло %4, через торцевые стёкла "
                       "%5, поглощено водой %6.")
            .arg(pc(l.absorbed), pc(l.returnedToTube), pc(l.besideTank), pc(l.frontBackGlass),
                 pc(l.endGlass), pc(l.water)));
}

void TankSection::showDepthProfile() {
    auto chart = std::make_unique<QChart>();
    chart->setTitle(QStringLiteral("PPFD под центром аквариума"));
    chart->legend()->hide();
    auto* series = new QLineSeries;
    double most = 0.0;
    for (const auto& [depth, ppfd] : estimate_->depthProfile) {
        series->append(ppfd, depth);
        most = std::max(most, ppfd);
    }
    chart->addSeries(series);
    auto* x = new QValueAxis;
    x->setTitleText(QStringLiteral("PPFD, мкмоль/(м²·с)"));
    x->setRange(0.0, most > 0.0 ? most * 1.1 : 1.0);
    x->setLabelFormat(QStringLiteral("%.0f"));
    auto* y = new QValueAxis;
    y->setTitleText(QStringLiteral("глубина, мм"));
    y->setRange(0.0, shown_.tank.waterDepth);
    y->setReverse(true);
    y->setLabelFormat(QStringLiteral("%.0f"));
    x->applyNiceNumbers();
    // The water's own depth at both ends: a rounder axis would run below the floor.
    y->setTickCount(4);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    depthChart_->show(std::move(chart));
}

// --- The files ---

void TankSection::saveMap() {
    ErrorReport::Guarded(
        [&] {
            if (!estimate_) {
                throw std::runtime_error("Карты дна для записи ещё нет");
            }
            const QString path =
                askPath_(true, QStringLiteral("Сохранить карту дна"),
                         QStringLiteral("PNG (*.png);;SVG (*.svg)"), QStringLiteral("дно.png"),
                         {QStringLiteral("png"), QStringLiteral("svg")});
            if (!path.isEmpty()) {
                FloorMap::write(*estimate_, tubes(), path, FloorMapView::captions());
            }
        },
        [this](const QString& text) { reportError_(WindowMessages::russian(text)); });
}

void TankSection::saveCells() {
    ErrorReport::Guarded(
        [&] {
            if (!estimate_) {
                throw std::runtime_error("Ячеек дна для записи ещё нет");
            }
            const QString path = askPath_(false, QStringLiteral("Сохранить ячейки дна"),
                                          QStringLiteral("CSV (*.csv)"), QStringLiteral("дно.csv"),
                                          {QStringLiteral("csv")});
            if (!path.isEmpty()) {
                FloorMap::writeCsv(*estimate_, path);
            }
        },
        [this](const QString& text) { reportError_(WindowMessages::russian(text)); });
}

} // namespace kavrol
