// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: building the window; following builds and the background estimate; showing the
// figures and charts; saving files; opening a fixture.
#include "AnalysisWindow.h"

#include "ChartFile.h"
#include "CrossSectionChart.h"
#include "CuttingTemplate.h"
#include "DesignFromInputs.h"
#include "ErrorReport.h"
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "IrradianceChart.h"
#include "IrradianceCsv.h"
#include "LossComparison.h"
#include "LossesChart.h"
#include "NumberText.h"

#include <QAbstractAxis>
#include <QChartView>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

namespace kavrol {

namespace {

physics::EstimateOptions WindowOptions(const AnalysisServices& services) {
    physics::EstimateOptions options = services.estimate;
    options.bareTube = true;
    return options;
}

QLabel* figureLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QChartView* chartView(QWidget* parent, const char* name) {
    auto* view = new QChartView(parent);
    view->setObjectName(QLatin1String(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 240);
    // The view starts with an empty chart of its own; replacing it hands it back to be deleted.
    return view;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setAutoDefault(false);
    return result;
}

QString runSaveDialog(QWidget* parent, const QString& caption, const QString& filter,
                      const QString& fileName) {
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(filter);
    // A name typed without a suffix gets the one of the filter chosen.
    const auto suffixOf = [](const QString& chosen) {
        return QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(chosen).captured(1);
    };
    dialog.setDefaultSuffix(suffixOf(filter));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, suffixOf](const QString& chosen) { dialog.setDefaultSuffix(suffixOf(chosen)); });
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

QString runOpenDialog(QWidget* parent, const QString& caption, const QString& filter) {
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

// The name as chosen when it ends in one of the suffixes (any letter case), else with the
// first suffix appended.
QString withSuffix(const QString& name, const QStringList& suffixes) {
    for (const QString& suffix : suffixes) {
        if (name.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive)) {
            return name;
        }
    }
    return name + QLatin1Char('.') + suffixes.constFirst();
}

} // namespace

// --- Building the window ---

AnalysisWindow::AnalysisWindow(AnalysisServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)),
      runner_(WindowOptions(services_)) {
    setObjectName(QStringLiteral("AnalysisWindow"));
    setWindowTitle(QStringLiteral("Анализ"));
    createControls();
    connect(&runner_, &EstimateRunner::finished, this, &AnalysisWindow::showOutcome);
    connect(saveChartButton_, &QPushButton::clicked, this, &AnalysisWindow::saveChart);
    connect(saveFiguresButton_, &QPushButton::clicked, this, &AnalysisWindow::saveFigures);
    connect(saveTemplateButton_, &QPushButton::clicked, this, &AnalysisWindow::saveTemplate);
    connect(openFixtureButton_, &QPushButton::clicked, this, &AnalysisWindow::openFixture);
    connect(progressTimer_, &QTimer::timeout, this, &AnalysisWindow::showBusy);
    showBuild();
}

AnalysisWindow::~AnalysisWindow() = default;

void AnalysisWindow::createWidgets() {
    rayFigures_ = figureLabel(this, "RayFigures");
    physicalFigures_ = figureLabel(this, "PhysicalFigures");
    gainFigures_ = figureLabel(this, "GainFigures");
    lightFigures_ = figureLabel(this, "LightFigures");
    fixtureFigures_ = figureLabel(this, "FixtureFigures");
    fixtureFigures_->setWordWrap(true);
    status_ = figureLabel(this, "Status");
    status_->setWordWrap(true);
    QFont bold = physicalFigures_->font();
    bold.setBold(true);
    physicalFigures_->setFont(bold);
    busyBar_ = new QProgressBar(this);
    busyBar_->setObjectName(QStringLiteral("Busy"));
    busyBar_->setRange(0, 100);
    busyBar_->setMaximumWidth(220);
    busyBar_->setFormat(QStringLiteral("Расчёт… %p %"));
    busyBar_->hide();
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);

    irradianceView_ = chartView(this, "IrradianceView");
    crossSectionView_ = chartView(this, "CrossSectionView");
    lossesView_ = chartView(this, "LossesView");
    lossesTable_ = new QTableWidget(5, 2, this);
    lossesTable_->setObjectName(QStringLiteral("LossesTable"));
    lossesTable_->setHorizontalHeaderLabels(
        {QStringLiteral("72 луча"), QStringLiteral("Физическая")});
    lossesTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    lossesTable_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lossesTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lossesTable_->setMinimumWidth(300);
    lossesNote_ = figureLabel(this, "LossesNote");
    lossesNote_->setWordWrap(true);
    lossesNote_->setText(
        QStringLiteral("Физическая модель прослеживает свет, отражённый водой, дальше: он "
                       "входит в другие строки. «Ушло мимо» — мимо аквариума и за пределы "
                       "светильника."));

    saveChartButton_ = button(this, "SaveChart", QStringLiteral("Сохранить график..."));
    saveFiguresButton_ = button(this, "SaveFigures", QStringLiteral("Сохранить данные (CSV)..."));
    saveTemplateButton_ = button(this, "SaveTemplate", QStringLiteral("Сохранить шаблон..."));
    openFixtureButton_ = button(this, "OpenFixture", QStringLiteral("Открыть светильник..."));
}

void AnalysisWindow::createControls() {
    resize(1100, 760);
    createWidgets();
    auto* figures = new QGridLayout;
    figures->addWidget(rayFigures_, 0, 0);
    figures->addWidget(physicalFigures_, 0, 1);
    figures->addWidget(gainFigures_, 1, 0);
    figures->addWidget(lightFigures_, 1, 1);
    figures->addWidget(status_, 2, 0, 1, 2);
    figures->addWidget(fixtureFigures_, 3, 0, 1, 2);
    figures->addWidget(busyBar_, 0, 2, Qt::AlignRight);
    figures->setColumnStretch(0, 1);
    figures->setColumnStretch(1, 1);

    auto* charts = new QGridLayout;
    charts->addWidget(irradianceView_, 0, 0);
    charts->addWidget(crossSectionView_, 0, 1);
    charts->addWidget(lossesView_, 1, 0);
    auto* tableColumn = new QVBoxLayout;
    tableColumn->addWidget(lossesTable_, 1);
    tableColumn->addWidget(lossesNote_);
    charts->addLayout(tableColumn, 1, 1);
    charts->setRowStretch(0, 3);
    charts->setRowStretch(1, 2);
    charts->setColumnStretch(0, 3);
    charts->setColumnStretch(1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveChartButton_);
    buttons->addWidget(saveFiguresButton_);
    buttons->addWidget(saveTemplateButton_);
    buttons->addStretch(1);
    buttons->addWidget(openFixtureButton_);

    auto* page = new QVBoxLayout(this);
    page->addLayout(figures);
    page->addLayout(charts, 1);
    page->addLayout(buttons);
}

template <typename Handler> void AnalysisWindow::guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        const QString text = QString::fromUtf8(error.what());
        if (services_.reportError) {
            services_.reportError(ErrorReport::withFullStop(text));
        } else {
            ErrorReport::show(this, text);
        }
    }
}

// --- Following builds and the background estimate ---

void AnalysisWindow::follow(const BuildInputs& inputs, const LossBreakdown& losses,
                            double efficiency) {
    build_ = Build{inputs, losses, efficiency};
    fixture_.reset();
    estimate_.reset();
    failure_.clear();
    runner_.cancel();
    progressTimer_->stop();
    showBusy();
    showBuild();
    if (isVisible()) {
        startEstimate();
    } else {
        pending_ = true;
    }
}

void AnalysisWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (pending_) {
        startEstimate();
    }
}

void AnalysisWindow::startEstimate() {
    pending_ = false;
    if (!build_) {
        return;
    }
    try {
        const physics::PhysicalDesign design = physics::DesignFromInputs(build_->inputs);
        setChart(crossSectionView_, CrossSectionChart::create(design).release());
        saveTemplateButton_->setEnabled(true);
        runner_.start(design);
    } catch (const std::exception& error) {
        showFailure(QString::fromUtf8(error.what()));
        emit estimateShown();
        return;
    }
    progressTimer_->start();
    showBusy();
}

void AnalysisWindow::showOutcome(const EstimateRunner::Outcome& outcome) {
    progressTimer_->stop();
    showBusy();
    if (outcome.estimate) {
        estimate_ = outcome.estimate;
        showEstimate();
    } else if (!outcome.cancelled) {
        showFailure(outcome.failure);
    }
    emit estimateShown();
}

// --- Showing the figures and charts ---

void AnalysisWindow::setChart(QChartView* view, QChart* chart) {
    QChart* previous = view->chart();
    view->setChart(chart);
    delete previous;
}

void AnalysisWindow::showBuild() {
    const bool have = build_.has_value();
    fixtureFigures_->clear();
    rayFigures_->setText(
        have ? QStringLiteral("КПД по 72 лучам: %1").arg(NumberText::percent(build_->efficiency, 2))
             : QStringLiteral("Постройте отражатель в главном окне."));
    physicalFigures_->setText(have ? QStringLiteral("Физическая оценка: расчёт…") : QString());
    gainFigures_->clear();
    lightFigures_->clear();
    status_->clear();
    for (QWidget* view :
         {static_cast<QWidget*>(irradianceView_), static_cast<QWidget*>(lossesView_),
          static_cast<QWidget*>(lossesTable_)}) {
        view->setEnabled(false);
    }
    for (QPushButton* save : {saveChartButton_, saveFiguresButton_}) {
        save->setEnabled(false);
    }
    saveTemplateButton_->setEnabled(false);
}

void AnalysisWindow::showBusy() {
    const bool busy = runner_.busy();
    busyBar_->setVisible(busy);
    busyBar_->setValue(static_cast<int>(runner_.progress() * 100.0));
}

void AnalysisWindow::showFailure(const QString& text) {
    failure_ = text;
    physicalFigures_->setText(QStringLiteral("Физическая оценка невозможна"));
    status_->setText(QStringLiteral("Физическая модель отвергла конструкцию: %1").arg(text));
    setChart(crossSectionView_, new QChart);
}

void AnalysisWindow::showFixture() {
    const physics::Fixture& f = fixture_->fixture;
    rayFigures_->setText(QStringLiteral("КПД по 72 лучам: — (к светильнику не относится)"));
    physicalFigures_->setText(QStringLiteral("Физическая оценка: расчёт…"));
    gainFigures_->clear();
    lightFigures_->clear();
    status_->clear();
    fixtureFigures_->setText(
        QStringLiteral("Светильник: %1%2, ламп: %3")
            .arg(fixture_->fileName,
                 f.name.empty() ? QString()
                                : QStringLiteral(" («%1»)").arg(QString::fromStdString(f.name)))
            .arg(f.units.size()));
    for (QWidget* view :
         {static_cast<QWidget*>(irradianceView_), static_cast<QWidget*>(lossesView_),
          static_cast<QWidget*>(lossesTable_)}) {
        view->setEnabled(false);
    }
    for (QPushButton* save : {saveChartButton_, saveFiguresButton_, saveTemplateButton_}) {
        save->setEnabled(false);
    }
}

std::unique_ptr<QChart> AnalysisWindow::irradianceChart() const {
    auto chart = IrradianceChart::create(*estimate_);
    if (fixture_) {
        // A fixture's x runs from the tank's centre line, not from one tube's axis.
        for (QAbstractAxis* axis : chart->axes(Qt::Horizontal)) {
            axis->setTitleText(QStringLiteral("Поперёк аквариума от его середины, мм"));
        }
    }
    return chart;
}

void AnalysisWindow::showEstimate() {
    const physics::PhysicalEstimate& e = *estimate_;
    // An estimate whose refinement stopped before its tolerance says so beside its bound.
    physicalFigures_->setText(
        QStringLiteral("Физическая оценка: %1 ± %2")
            .arg(NumberText::percent(e.efficiency, 2), NumberText::percent(e.error, 2)) +
        (e.toleranceReached ? QString() : QStringLiteral(" (заданная точность не достигнута)")));
    if (e.hasBareTube) {
        gainFigures_->setText(
            QStringLiteral("Выигрыш над голой лампой: ×%1 (голая лампа: %2)")
                .arg(NumberText::fixed(e.gain, 2), NumberText::percent(e.bareTube.efficiency, 1)));
    }
    if (!e.perMm.empty()) {
        const double meanPerMm = e.efficiency / (e.edgesMm.back() - e.edgesMm.front());
        lightFigures_->setText(QStringLiteral("Средняя освещённость: %1 света %2 на 100 мм; "
                                              "равномерность (мин/сред): %3")
                                   .arg(NumberText::percent(meanPerMm * 100.0, 1),
                                        fixture_ ? QStringLiteral("ламп") : QStringLiteral("лампы"),
                                        NumberText::fixed(e.uniformity.minOverMean, 2)));
    }
    if (fixture_) {
        // Each tube's own light: the share of it that enters the water.
        QStringList shares;
        for (std::size_t i = 0; i < e.tubes.size() && i < fixture_->fixture.units.size(); ++i) {
            const std::string& name = fixture_->fixture.units[i].name;
            shares << QStringLiteral("%1%2: %3 ± %4")
                          .arg(i + 1)
                          .arg(name.empty()
                                   ? QString()
                                   : QStringLiteral(" «%1»").arg(QString::fromStdString(name)),
                               NumberText::percent(e.tubes[i].efficiency, 2),
                               NumberText::percent(e.tubes[i].error, 2));
        }
        fixtureFigures_->setText(fixtureFigures_->text().section(QLatin1Char('\n'), 0, 0) +
                                 QStringLiteral("\nДоля света каждой лампы в воде: ") +
                                 shares.join(QStringLiteral("; ")));
    }
    setChart(irradianceView_, irradianceChart().release());
    showLosses(e);
    for (QWidget* view :
         {static_cast<QWidget*>(irradianceView_), static_cast<QWidget*>(lossesView_),
          static_cast<QWidget*>(lossesTable_)}) {
        view->setEnabled(true);
    }
    for (QPushButton* save : {saveChartButton_, saveFiguresButton_}) {
        save->setEnabled(true);
    }
    // A fixture's reflectors are not cut from one template here.
    saveTemplateButton_->setEnabled(!fixture_);
}

void AnalysisWindow::showLosses(const physics::PhysicalEstimate& e) {
    // A fixture has no 72-ray figures: its column shows a dash and its bar is left out.
    const bool rays = !fixture_;
    const std::vector<LossComparison> rows =
        LossComparison::rows(rays ? build_->losses : LossBreakdown{}, e);
    setChart(lossesView_, LossesChart::create(rows, rays).release());
    lossesTable_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const LossComparison& row = rows[static_cast<std::size_t>(r)];
        lossesTable_->setVerticalHeaderItem(r, new QTableWidgetItem(row.fate));
        const QString shares[] = {rays ? NumberText::percent(row.rays, 1) : QStringLiteral("—"),
                                  NumberText::percent(row.physical, 1)};
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem(shares[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            lossesTable_->setItem(r, c, item);
        }
    }
}

// --- Saving files ---

QString AnalysisWindow::askPath(const QString& caption, const QString& filter,
                                const QString& proposed) {
    return services_.saveDialog ? services_.saveDialog(this, caption, filter, proposed)
                                : runSaveDialog(this, caption, filter, proposed);
}

void AnalysisWindow::saveChart() {
    guarded([this] {
        if (!estimate_) {
            throw std::runtime_error("There is no physical estimate to save yet");
        }
        const QString chosen =
            askPath(QStringLiteral("Сохранить график"), QStringLiteral("PNG (*.png);;SVG (*.svg)"),
                    QStringLiteral("Освещённость.png"));
        if (chosen.isEmpty()) {
            return;
        }
        const auto chart = irradianceChart();
        ChartFile::write(*chart,
                         withSuffix(chosen, {QStringLiteral("png"), QStringLiteral("svg")}));
    });
}

void AnalysisWindow::saveFigures() {
    guarded([this] {
        if (!estimate_) {
            throw std::runtime_error("There is no physical estimate to save yet");
        }
        const QString chosen =
            askPath(QStringLiteral("Сохранить данные"), QStringLiteral("CSV (*.csv)"),
                    QStringLiteral("Освещённость.csv"));
        if (chosen.isEmpty()) {
            return;
        }
        IrradianceCsv::write(*estimate_, withSuffix(chosen, {QStringLiteral("csv")}));
    });
}

void AnalysisWindow::saveTemplate() {
    guarded([this] {
        if (!build_ || fixture_) {
            throw std::runtime_error("There is no build to make a template of yet");
        }
        const CuttingTemplate sheet(physics::DesignFromInputs(build_->inputs));
        const QString chosen =
            askPath(QStringLiteral("Сохранить шаблон"), QStringLiteral("SVG (*.svg);;PDF (*.pdf)"),
                    QStringLiteral("Шаблон.svg"));
        if (chosen.isEmpty()) {
            return;
        }
        sheet.write(withSuffix(chosen, {QStringLiteral("svg"), QStringLiteral("pdf")}));
    });
}

// --- Opening a fixture ---

void AnalysisWindow::openFixture() {
    const QString caption = QStringLiteral("Открыть светильник");
    const QString filter = QStringLiteral("Светильник (*.json)");
    const QString chosen = services_.openDialog ? services_.openDialog(this, caption, filter)
                                                : runOpenDialog(this, caption, filter);
    if (!chosen.isEmpty()) {
        openFixtureFile(chosen);
    }
}

void AnalysisWindow::openFixtureFile(const QString& path) {
    guarded([this, &path] {
        // Read and checked in full before anything on show changes.
        // The scene that checked the file is the one estimated: a long profile's is built once.
        physics::CheckedFixture checked =
            physics::FixtureFile::Load(QFile::encodeName(path).toStdString());
        const physics::FixtureScene& scene = checked.scene;
        fixture_ = ShownFixture{QFileInfo(path).fileName(), std::move(checked.fixture)};
        estimate_.reset();
        failure_.clear();
        pending_ = false;
        progressTimer_->stop();
        showFixture();
        setChart(crossSectionView_,
                 CrossSectionChart::create(
                     scene.scene(), QStringLiteral("Разрез светильника в истинных пропорциях"))
                     .release());
        runner_.start(scene.scene());
        progressTimer_->start();
        showBusy();
    });
}

} // namespace kavrol
