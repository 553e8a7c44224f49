// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: building the window; keys and the Tab order; following builds and the background
// estimate; showing the figures and charts; saving files; opening a fixture.
#include "AnalysisWindow.h"

#include "ChartFile.h"
#include "ChartPanel.h"
#include "ChartText.h"
#include "CrossSectionChart.h"
#include "CuttingTemplate.h"
#include "DesignFromInputs.h"
#include "ErrorReport.h"
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "FixtureTemplate.h"
#include "IrradianceChart.h"
#include "IrradianceCsv.h"
#include "LossComparison.h"
#include "LossesChart.h"
#include "NumberText.h"
#include "SurfaceSection.h"
#include "TankSection.h"
#include "WindowMessages.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QShowEvent>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
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

QLabel* figureLabel(QWidget* parent, const char* name, const QString& toolTip = QString()) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setToolTip(toolTip);
    return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text,
                    const QString& toolTip) {
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setAutoDefault(false);
    result->setToolTip(toolTip);
    // The caption as drawn (without the mnemonic's "&") with the style's margins on both sides
    // and a little to spare, whatever the style's own size hint allows.
    const int margin = result->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, result);
    const int caption = result->fontMetrics().size(Qt::TextShowMnemonic, text).width();
    result->setMinimumWidth(caption + 2 * margin + 8);
    return result;
}

QString runSaveDialog(QWidget* parent, const QString& caption, const QString& filter,
                      const QString& fileName) {
    QFileDialog dialog(parent, caption);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(filter);
    // The window asks about replacing a file itself, once the name has its ending.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
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

QString runOpenDialog(QWidget* parent, const QString& caption, const QString& filter,
                      const QString& folder) {
    QFileDialog dialog(parent, caption, folder);
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

// What the figures mean, for their tool tips.
const QString RayFiguresTip =
    QStringLiteral("Доля света лампы, дошедшая до воды в главном окне: 72 луча, прослеженные "
                   "по пикселям картинки.\nГлавное окно пишет её долей единицы (0,65 там — "
                   "65 % здесь).");
const QString PhysicalFiguresTip =
    QStringLiteral("Доля света лампы, входящая в воду по физической модели: лампа светит "
                   "равномерно во все стороны,\nотражатель — точная кривая, вода отражает по "
                   "Френелю.\n«±» — граница погрешности этой оценки (около 95 %): истинная "
                   "доля модели лежит в этих пределах.");
const QString GainFiguresTip =
    QStringLiteral("Во сколько раз отражатель увеличивает свет, входящий в воду, по сравнению "
                   "с той же лампой без отражателя.");
const QString LightFiguresTip =
    QStringLiteral("Средняя освещённость: доля света лампы, приходящаяся на каждые 100 мм "
                   "ширины воды.\nРавномерность: наименьшая освещённость, делённая на "
                   "среднюю (1 — свет ровный, 0 — есть тёмные места).");

} // namespace

// --- Building the window ---

AnalysisWindow::AnalysisWindow(AnalysisServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)),
      runner_(WindowOptions(services_)) {
    setObjectName(QStringLiteral("AnalysisWindow"));
    setWindowTitle(QStringLiteral("Анализ"));
    createControls();
    createKeys();
    setTabOrder();
    connect(&runner_, &EstimateRunner::finished, this, &AnalysisWindow::showOutcome);
    connect(saveChartButton_, &QPushButton::clicked, this, &AnalysisWindow::saveChart);
    connect(saveFiguresButton_, &QPushButton::clicked, this, &AnalysisWindow::saveFigures);
    connect(saveTemplateButton_, &QPushButton::clicked, this, &AnalysisWindow::offerTemplates);
    connect(openFixtureButton_, &QPushButton::clicked, this, &AnalysisWindow::openFixture);
    connect(progressTimer_, &QTimer::timeout, this, &AnalysisWindow::showBusy);
    // The reflector's surface: the build's estimate follows the surface chosen on its page.
    surfaces_ = new SurfaceSection(WindowOptions(services_));
    addSection(surfaces_, QStringLiteral("&Поверхности"));
    connect(surfaces_, &SurfaceSection::surfaceChanged, this, [this] {
        if (build_ && !fixture_) {
            follow(*build_);
        }
    });
    // The whole tank under the build's lamp, on demand; its files through the window's dialogs.
    tank_ = new TankSection(
        [this](bool picture, const QString& caption, const QString& filter, const QString& name,
               const QStringList& suffixes) {
            return askPath(picture ? FileKind::Chart : FileKind::Figures, caption, filter, name,
                           suffixes);
        },
        [this](const QString& text) {
            if (services_.reportError) {
                services_.reportError(ErrorReport::withFullStop(text));
            } else {
                ErrorReport::show(this, text);
            }
        });
    addSection(tank_, QStringLiteral("Аквари&ум"));
    showBuild();
}

AnalysisWindow::~AnalysisWindow() = default;

void AnalysisWindow::createWidgets() {
    rayFigures_ = figureLabel(this, "RayFigures", RayFiguresTip);
    physicalFigures_ = figureLabel(this, "PhysicalFigures", PhysicalFiguresTip);
    gainFigures_ = figureLabel(this, "GainFigures", GainFiguresTip);
    lightFigures_ = figureLabel(this, "LightFigures", LightFiguresTip);
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

    irradiance_ = new ChartPanel(QStringLiteral("Irradiance"), this);
    irradiance_->setToolTip(QStringLiteral(
        "Освещённость поверхности воды поперёк аквариума по физической модели,\nв долях "
        "средней: 1 — средний уровень (красная линия)."));
    crossSection_ = new ChartPanel(QStringLiteral("CrossSection"), this);
    crossSection_->setToolTip(QStringLiteral(
        "Разрез светильника в истинных пропорциях: миллиметр по обеим осям одной длины."));
    losses_ = new ChartPanel(QStringLiteral("Losses"), this);
    losses_->setToolTip(
        QStringLiteral("Куда уходит свет лампы в каждой модели, в процентах; цвета — как в "
                       "таблице рядом."));
    lossesTable_ = new QTableWidget(5, 2, this);
    lossesTable_->setObjectName(QStringLiteral("LossesTable"));
    lossesTable_->setHorizontalHeaderLabels(
        {QStringLiteral("72 луча"), QStringLiteral("Физическая")});
    lossesTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    lossesTable_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lossesTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The table is as big as its rows and headings need (fitTable): nothing to scroll.
    lossesTable_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lossesTable_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab and Shift+Tab leave the table; the arrow keys move inside it.
    lossesTable_->setTabKeyNavigation(false);
    lossesTable_->setToolTip(
        QStringLiteral("Доли света лампы по моделям, в процентах: 72 луча главного окна и "
                       "физическая оценка."));
    nameFates(LossComparison::rows(LossBreakdown{}, physics::PhysicalEstimate{}));
    fitTable();
    lossesNote_ = figureLabel(this, "LossesNote");
    lossesNote_->setWordWrap(true);
    lossesNote_->setText(
        QStringLiteral("Физическая модель прослеживает свет, отражённый водой, дальше: он "
                       "входит в другие строки. «Ушло мимо» — мимо аквариума и за пределы "
                       "светильника."));
}

void AnalysisWindow::createButtons() {
    saveChartButton_ = button(this, "SaveChart", QStringLiteral("Сохранить &график..."),
                              QStringLiteral("Записать график освещённости в файл PNG или SVG."));
    saveFiguresButton_ =
        button(this, "SaveFigures", QStringLiteral("Сохранить &данные (CSV)..."),
               QStringLiteral("Записать освещённость по участкам поверхности воды в файл CSV."));
    saveTemplateButton_ =
        button(this, "SaveTemplate", QStringLiteral("Сохранить &шаблон..."),
               QStringLiteral("Шаблон для раскроя отражателя в натуральную величину, SVG или PDF "
                              "(Ctrl+T).\nДелается по последнему построению главного окна."));
    openFixtureButton_ =
        button(this, "OpenFixture", QStringLiteral("&Открыть светильник..."),
               QStringLiteral("Прочитать светильник из нескольких ламп из файла JSON "
                              "(Ctrl+O)."));
}

void AnalysisWindow::createControls() {
    resize(1100, 760);
    createWidgets();
    createButtons();
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

    // The design's charts are the first section; further sections come as pages of their own.
    auto* design = new QWidget;
    design->setObjectName(QStringLiteral("DesignSection"));
    auto* charts = new QGridLayout(design);
    charts->setContentsMargins(0, 0, 0, 0);
    charts->addWidget(irradiance_, 0, 0);
    charts->addWidget(crossSection_, 0, 1);
    charts->addWidget(losses_, 1, 0);
    auto* tableColumn = new QVBoxLayout;
    tableColumn->addWidget(lossesTable_);
    tableColumn->addWidget(lossesNote_);
    tableColumn->addStretch(1);
    charts->addLayout(tableColumn, 1, 1);
    charts->setRowStretch(0, 3);
    charts->setRowStretch(1, 2);
    charts->setColumnStretch(0, 3);
    charts->setColumnStretch(1, 2);
    sections_ = new QTabWidget(this);
    sections_->setObjectName(QStringLiteral("Sections"));
    sections_->setDocumentMode(true);
    sections_->tabBar()->setAutoHide(true);
    sections_->addTab(design, QStringLiteral("Отражатель и &свет"));
    showSectionTabs();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveChartButton_);
    buttons->addWidget(saveFiguresButton_);
    buttons->addWidget(saveTemplateButton_);
    buttons->addStretch(1);
    buttons->addWidget(openFixtureButton_);

    auto* page = new QVBoxLayout(this);
    page->addLayout(figures);
    page->addWidget(sections_, 1);
    page->addLayout(buttons);
}

int AnalysisWindow::addSection(QWidget* page, const QString& title) {
    const int index = sections_->addTab(page, title);
    showSectionTabs();
    return index;
}

// The tabs show, and take the focus, once there is more than one section: a hidden tab bar
// would swallow the Tab key.
void AnalysisWindow::showSectionTabs() {
    sections_->setFocusPolicy(sections_->count() > 1 ? Qt::TabFocus : Qt::NoFocus);
}

// --- Keys and the Tab order ---

void AnalysisWindow::createKeys() {
    const auto key = [this](const char* name, const QKeySequence& sequence, auto slot) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setObjectName(QLatin1String(name));
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    key("CloseKey", QKeySequence(Qt::Key_Escape), &QWidget::close);
    key("TemplateKey", QKeySequence(Qt::CTRL | Qt::Key_T), &AnalysisWindow::offerTemplates);
    key("OpenKey", QKeySequence(QKeySequence::Open), &AnalysisWindow::openFixture);
}

// Down the window: the sections' tabs, the table, then the buttons from left to right.
void AnalysisWindow::setTabOrder() {
    const QList<QWidget*> order = {sections_,          lossesTable_,        saveChartButton_,
                                   saveFiguresButton_, saveTemplateButton_, openFixtureButton_};
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

template <typename Handler> void AnalysisWindow::guarded(Handler&& handler, bool onPage) {
    ErrorReport::Guarded(std::forward<Handler>(handler), [this, onPage](const QString& english) {
        const QString text = WindowMessages::russian(english);
        if (onPage) {
            showFailure(text);
        } else if (services_.reportError) {
            services_.reportError(ErrorReport::withFullStop(text));
        } else {
            ErrorReport::show(this, text);
        }
    });
}

// --- Following builds and the background estimate ---

void AnalysisWindow::follow(const BuildResult& build) {
    build_ = build;
    fixture_.reset();
    offerFixtureTemplates();
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
    bool started = false;
    guarded(
        [this, &started] {
            physics::PhysicalDesign design = physics::DesignFromInputs(build_->inputs);
            design.materials.surface = surfaces_->surface();
            surfaces_->setDesign(design);
            tank_->setDesign(design);
            crossSection_->show(CrossSectionChart::create(design));
            runner_.start(design);
            started = true;
        },
        true);
    if (!started) {
        surfaces_->setDesign(std::nullopt);
        tank_->setDesign(std::nullopt);
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
        showFailure(WindowMessages::russian(outcome.failure));
    }
    emit estimateShown();
}

// --- Showing the figures and charts ---

void AnalysisWindow::enableSaving(bool estimated) {
    for (QPushButton* save : {saveChartButton_, saveFiguresButton_}) {
        save->setEnabled(estimated);
    }
    // A fixture's templates are its own; otherwise the template is the last good build's.
    saveTemplateButton_->setEnabled(fixture_ ? true : build_.has_value() && failure_.isEmpty());
}

void AnalysisWindow::showWaiting() {
    gainFigures_->clear();
    lightFigures_->clear();
    status_->clear();
    const QString note = QStringLiteral("Идёт расчёт…");
    for (ChartPanel* panel : {irradiance_, losses_}) {
        panel->showOutdated(note);
    }
    lossesTable_->setEnabled(false);
    enableSaving(false);
}

void AnalysisWindow::showBuild() {
    fixtureFigures_->clear();
    if (!build_) {
        rayFigures_->setText(QStringLiteral("Постройте отражатель в главном окне."));
        physicalFigures_->clear();
        const QString note = QStringLiteral("Нет построения");
        for (ChartPanel* panel : {irradiance_, crossSection_, losses_}) {
            panel->showMissing(note);
        }
        lossesTable_->setEnabled(false);
        enableSaving(false);
        return;
    }
    rayFigures_->setText(
        QStringLiteral("КПД по 72 лучам: %1").arg(NumberText::percent(build_->efficiency, 1)));
    physicalFigures_->setText(QStringLiteral("Физическая оценка: расчёт…"));
    showWaiting();
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
    const QString note = QStringLiteral("Нет оценки: физическая модель отвергла конструкцию "
                                        "(причина — над графиками)");
    for (ChartPanel* panel : {irradiance_, crossSection_, losses_}) {
        panel->showMissing(note);
    }
    for (int r = 0; r < lossesTable_->rowCount(); ++r) {
        for (int c = 0; c < lossesTable_->columnCount(); ++c) {
            delete lossesTable_->takeItem(r, c);
        }
    }
    lossesTable_->setEnabled(false);
    enableSaving(false);
}

// A fixture of several reflectors offers a template of each from the button's menu.
void AnalysisWindow::offerFixtureTemplates() {
    delete saveTemplateButton_->menu();
    saveTemplateButton_->setMenu(nullptr);
    if (!fixture_) {
        return;
    }
    const std::vector<FixtureTemplate> templates = FixtureTemplate::of(fixture_->fixture);
    if (templates.size() < 2) {
        return;
    }
    auto* menu = new QMenu(saveTemplateButton_);
    menu->setObjectName(QStringLiteral("FixtureTemplates"));
    for (std::size_t k = 0; k < templates.size(); ++k) {
        menu->addAction(QStringLiteral("Шаблон &%1: %2").arg(k + 1).arg(unitNames(templates[k])),
                        this, [this, k] { saveFixtureTemplate(k); });
    }
    saveTemplateButton_->setMenu(menu);
}

QString AnalysisWindow::unitNames(const FixtureTemplate& sheet) const {
    QStringList names;
    for (const int u : sheet.units) {
        const std::string& name = fixture_->fixture.units[static_cast<std::size_t>(u)].name;
        names
            << (name.empty()
                    ? QStringLiteral("лампа %1").arg(u + 1)
                    : QStringLiteral("лампа %1 «%2»").arg(u + 1).arg(QString::fromStdString(name)));
    }
    return names.join(QStringLiteral(", "));
}

void AnalysisWindow::showFixture() {
    const physics::Fixture& f = fixture_->fixture;
    rayFigures_->setText(QStringLiteral("КПД по 72 лучам: — (к светильнику не относится)"));
    physicalFigures_->setText(QStringLiteral("Физическая оценка: расчёт…"));
    fixtureFigures_->setText(
        QStringLiteral("Светильник: %1%2, ламп: %3")
            .arg(fixture_->fileName,
                 f.name.empty() ? QString()
                                : QStringLiteral(" («%1»)").arg(QString::fromStdString(f.name)))
            .arg(f.units.size()));
    showWaiting();
    offerFixtureTemplates();
}

std::unique_ptr<QChart> AnalysisWindow::irradianceChart() const {
    return IrradianceChart::create(*estimate_, fixture_ ? ChartText::Subject::Fixture
                                                        : ChartText::Subject::Design);
}

void AnalysisWindow::showEstimate() {
    const physics::PhysicalEstimate& e = *estimate_;
    // An estimate whose refinement stopped before its tolerance says so beside its bound.
    physicalFigures_->setText(
        QStringLiteral("Физическая оценка: %1 ± %2")
            .arg(NumberText::percent(e.efficiency, 1), NumberText::significantPercent(e.error, 2)) +
        (fixture_ || surfaces_->surface().isMirror()
             ? QString()
             : QStringLiteral(" (%1)").arg(surfaces_->surfaceCaption().toLower())) +
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
                               NumberText::percent(e.tubes[i].efficiency, 1),
                               NumberText::significantPercent(e.tubes[i].error, 2));
        }
        fixtureFigures_->setText(fixtureFigures_->text().section(QLatin1Char('\n'), 0, 0) +
                                 QStringLiteral("\nДоля света каждой лампы в воде: ") +
                                 shares.join(QStringLiteral("; ")));
    }
    irradiance_->show(irradianceChart());
    showLosses(e);
    lossesTable_->setEnabled(true);
    enableSaving(true);
}

// The rows' headings in the bars' colours: the table is the chart's legend.
void AnalysisWindow::nameFates(const std::vector<LossComparison>& rows) {
    lossesTable_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        auto* fate = new QTableWidgetItem(rows[static_cast<std::size_t>(r)].fate);
        QPixmap swatch(12, 12);
        swatch.fill(LossesChart::colour(r));
        fate->setIcon(QIcon(swatch));
        lossesTable_->setVerticalHeaderItem(r, fate);
    }
}

// The table never scrolls nor cuts a heading: it is at least as wide and as high as its
// headings and cells need.
void AnalysisWindow::fitTable() {
    QTableWidget& t = *lossesTable_;
    // The item view's own size hints (the table view keeps them protected).
    const QAbstractItemView& cells = t;
    // A pixel to spare on each side of every heading.
    const int frame = 2 * t.frameWidth() + 2 * (t.columnCount() + 1);
    int width = frame + t.verticalHeader()->sizeHint().width();
    // The columns share the width evenly: each gets what the widest needs.
    int widest = 0;
    for (int c = 0; c < t.columnCount(); ++c) {
        widest = std::max(
            {widest, t.horizontalHeader()->sectionSizeHint(c), cells.sizeHintForColumn(c)});
    }
    width += t.columnCount() * widest;
    int height = frame + t.horizontalHeader()->sizeHint().height();
    for (int r = 0; r < t.rowCount(); ++r) {
        height += std::max(t.verticalHeader()->sectionSizeHint(r), cells.sizeHintForRow(r));
    }
    t.setMinimumSize(width, height);
    // No empty rows below the last: the note follows the table directly.
    t.setMaximumHeight(height);
}

void AnalysisWindow::showLosses(const physics::PhysicalEstimate& e) {
    // A fixture has no 72-ray figures: its column shows a dash and its bar is left out.
    const bool rays = !fixture_;
    const std::vector<LossComparison> rows =
        LossComparison::rows(rays ? build_->losses : LossBreakdown{}, e);
    losses_->show(LossesChart::create(rows, rays));
    nameFates(rows);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const LossComparison& row = rows[static_cast<std::size_t>(r)];
        const QString shares[] = {rays ? NumberText::percent(row.rays, 1) : QStringLiteral("—"),
                                  NumberText::percent(row.physical, 1)};
        for (int c = 0; c < 2; ++c) {
            auto* item = new QTableWidgetItem(shares[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            lossesTable_->setItem(r, c, item);
        }
    }
    fitTable();
}

// --- Saving files ---

QString AnalysisWindow::askPath(FileKind kind, const QString& caption, const QString& filter,
                                const QString& name, const QStringList& suffixes) {
    QString& folder = folders_[static_cast<std::size_t>(kind)];
    const QString proposed = folder.isEmpty() ? name : QDir(folder).filePath(name);
    const QString chosen = services_.saveDialog
                               ? services_.saveDialog(this, caption, filter, proposed)
                               : runSaveDialog(this, caption, filter, proposed);
    if (chosen.isEmpty()) {
        return {};
    }
    const QString path = withSuffix(chosen, suffixes);
    folder = QFileInfo(path).absolutePath();
    if (QFileInfo::exists(path) && !confirmReplace(path)) {
        return {};
    }
    return path;
}

bool AnalysisWindow::confirmReplace(const QString& path) {
    if (services_.confirmReplace) {
        return services_.confirmReplace(path);
    }
    return QMessageBox::question(this, ErrorReport::title(),
                                 QStringLiteral("Файл «%1» уже существует. Заменить его?")
                                     .arg(QDir::toNativeSeparators(path)),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString AnalysisWindow::askTemplatePath(const QString& name) {
    return askPath(FileKind::Template, QStringLiteral("Сохранить шаблон"),
                   QStringLiteral("SVG (*.svg);;PDF (*.pdf)"), name,
                   {QStringLiteral("svg"), QStringLiteral("pdf")});
}

void AnalysisWindow::saveChart() {
    guarded([this] {
        if (!estimate_) {
            throw std::runtime_error("Физической оценки для записи ещё нет");
        }
        const QString path =
            askPath(FileKind::Chart, QStringLiteral("Сохранить график"),
                    QStringLiteral("PNG (*.png);;SVG (*.svg)"), QStringLiteral("Освещённость.png"),
                    {QStringLiteral("png"), QStringLiteral("svg")});
        if (path.isEmpty()) {
            return;
        }
        const auto chart = irradianceChart();
        ChartFile::write(*chart, path);
    });
}

void AnalysisWindow::saveFigures() {
    guarded([this] {
        if (!estimate_) {
            throw std::runtime_error("Физической оценки для записи ещё нет");
        }
        const QString path = askPath(FileKind::Figures, QStringLiteral("Сохранить данные"),
                                     QStringLiteral("CSV (*.csv)"),
                                     QStringLiteral("Освещённость.csv"), {QStringLiteral("csv")});
        if (path.isEmpty()) {
            return;
        }
        IrradianceCsv::write(*estimate_, path);
    });
}

void AnalysisWindow::saveTemplate() {
    guarded([this] {
        if (!build_) {
            throw std::runtime_error(
                "Шаблон делается по построению главного окна, а его ещё не было");
        }
        const CuttingTemplate sheet(physics::DesignFromInputs(build_->inputs));
        const QString path = askTemplatePath(QStringLiteral("Шаблон.svg"));
        if (path.isEmpty()) {
            return;
        }
        sheet.write(path);
    });
}

void AnalysisWindow::offerTemplates() {
    if (!fixture_) {
        saveTemplate();
    } else if (saveTemplateButton_->menu() != nullptr) {
        saveTemplateButton_->showMenu();
    } else {
        saveFixtureTemplate(0);
    }
}

void AnalysisWindow::saveFixtureTemplate(std::size_t index) {
    guarded([this, index] {
        const std::vector<FixtureTemplate> templates = FixtureTemplate::of(fixture_->fixture);
        const FixtureTemplate& chosen = templates.at(index);
        const CuttingTemplate sheet = chosen.make(fixture_->fixture, unitNames(chosen));
        const QString proposed = templates.size() == 1
                                     ? QStringLiteral("Шаблон.svg")
                                     : QStringLiteral("Шаблон-%1.svg").arg(index + 1);
        const QString path = askTemplatePath(proposed);
        if (path.isEmpty()) {
            return;
        }
        sheet.write(path);
    });
}

// --- Opening a fixture ---

void AnalysisWindow::openFixture() {
    const QString caption = QStringLiteral("Открыть светильник");
    const QString filter = QStringLiteral("Светильник (*.json)");
    QString& folder = folders_[static_cast<std::size_t>(FileKind::Fixture)];
    const QString chosen = services_.openDialog
                               ? services_.openDialog(this, caption, filter, folder)
                               : runOpenDialog(this, caption, filter, folder);
    if (!chosen.isEmpty()) {
        folder = QFileInfo(chosen).absolutePath();
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
        surfaces_->setDesign(std::nullopt);
        fixture_ = ShownFixture{QFileInfo(path).fileName(), std::move(checked.fixture)};
        tank_->setFixture(fixture_->fixture, fixture_->fileName);
        estimate_.reset();
        failure_.clear();
        pending_ = false;
        progressTimer_->stop();
        showFixture();
        crossSection_->show(CrossSectionChart::create(scene.scene(), ChartText::designSection()));
        runner_.start(scene.scene());
        progressTimer_->start();
        showBusy();
    });
}

} // namespace kavrol
