// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window's page about the whole tank on Qt's offscreen platform: its estimate is
// the command line's for the same tank, tube and reflector (the figures and the cells' file to
// the byte), the mouse reads the cell under it, the map and the cells are saved, a fixture
// opened in the window goes over its own tank as the fixture command takes it, and a running
// estimate can be cancelled or is outdated by a new build.
#include "TankSection.h"
#include "AnalysisWindow.h"
#include "CliRun.h"
#include "FloorMapView.h"
#include "IntegerSpinEdit.h"
#include "NumberText.h"
#include "RealSpinEdit.h"
#include "SurfaceSection.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using kavrol::AnalysisWindow;
using kavrol::BuildInputs;
using kavrol::TankSection;

const kavrol::LossBreakdown kLosses{40.0, 12.0, 2.0, 14.0, 4.0};

// The window with a quick cross-section estimate; save dialogs answer with *answer.
std::unique_ptr<AnalysisWindow> Window(const QString* answer = nullptr) {
    kavrol::AnalysisServices services;
    services.estimate.tolerance = 0.01;
    services.reportError = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    services.saveDialog = [answer](QWidget*, const QString&, const QString&, const QString&) {
        return answer != nullptr ? *answer : QString();
    };
    services.confirmReplace = [](const QString&) { return true; };
    return std::make_unique<AnalysisWindow>(services);
}

template <typename T> T* Child(const AnalysisWindow& window, const char* name) {
    T* child = window.findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Shows the window with the start-up build, its own estimate done.
bool Start(AnalysisWindow& window) {
    window.show();
    window.follow({BuildInputs{}, kLosses, 0.5});
    return QTest::qWaitFor([&] { return !window.busy(); }, 120000);
}

bool Compute(const AnalysisWindow& window, TankSection& section) {
    QSignalSpy shown(&section, &TankSection::estimateShown);
    Child<QPushButton>(window, "ComputeTank")->click();
    return QTest::qWaitFor([&] { return shown.count() > 0; }, 120000);
}

// The object "tank" of a command line's JSON report.
QJsonObject TankObject(const kavrol::test::CliRun& run) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(run.out))
        .object()
        .value(QStringLiteral("tank"))
        .toObject();
}

// The window started with the start-up build and its tank page; save dialogs answer with
// `answer`, files go to `dir`.
class TankSectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = Window(&answer);
        ASSERT_TRUE(Start(*window));
        section = window->findChild<TankSection*>();
        ASSERT_NE(section, nullptr);
    }

    QTemporaryDir dir;
    QString answer;
    std::unique_ptr<AnalysisWindow> window;
    TankSection* section = nullptr;
};

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(TankSectionTest, TheFloorIsTheCommandLinesAndSaves) {
    Child<kavrol::IntegerSpinEdit>(*window, "TankLength")->setValue(900);
    Child<kavrol::IntegerSpinEdit>(*window, "WaterDepth")->setValue(300);
    auto* model = Child<QComboBox>(*window, "TubeModel");
    model->setCurrentIndex(model->findData(QStringLiteral("T5-HO-39")));
    emit model->activated(model->currentIndex());
    EXPECT_EQ(Child<kavrol::RealSpinEdit>(*window, "Lumens")->value(), 3500.0L);
    Child<kavrol::RealSpinEdit>(*window, "Lumens")->setValue(3000);
    Child<QComboBox>(*window, "ReflectorEnds")->setCurrentIndex(1);
    Child<kavrol::RealSpinEdit>(*window, "WaterAttenuation")->setValue(0.5L);
    Child<QComboBox>(*window, "TankTolerance")->setCurrentIndex(0);
    ASSERT_EQ(TankSection::tolerances()[0], 0.05);
    ASSERT_TRUE(Compute(*window, *section));
    ASSERT_TRUE(section->estimate().has_value())
        << Child<QLabel>(*window, "TankStatus")->text().toStdString();
    const kavrol::physics::TankEstimate& e = *section->estimate();

    // The command line with the same values: the same figures, the same cells' file.
    const QString cliCells = dir.filePath(QStringLiteral("cli.csv"));
    const kavrol::test::CliRun run = kavrol::test::Cli(
        {"--tank", "--json", "--tolerance", "0.05", "--tank-length", "900", "--water-depth", "300",
         "--tube-model", "T5-HO-39", "--lumens", "3000", "--reflector-ends", "closed",
         "--water-attenuation", "0.5", "--profile-csv", cliCells.toStdString()});
    ASSERT_EQ(run.status, 0) << run.err;
    const QJsonObject tank = TankObject(run);
    EXPECT_EQ(e.floorShare, tank.value(QStringLiteral("floorShare")).toDouble());
    EXPECT_EQ(e.mean, tank.value(QStringLiteral("ppfd")).toObject().value("mean").toDouble());
    EXPECT_EQ(e.photonFlux, 3000 * 0.0135);
    const QString figures = Child<QLabel>(*window, "TankFigures")->text();
    EXPECT_TRUE(figures.contains(kavrol::NumberText::fixed(e.mean, 1))) << figures.toStdString();

    // The cell under the mouse, from the middle of the map.
    auto* map = window->findChild<kavrol::FloorMapView*>();
    ASSERT_NE(map, nullptr);
    auto* tabs = window->findChild<QTabWidget*>();
    tabs->setCurrentWidget(section);
    ASSERT_TRUE(QTest::qWaitFor([&] { return map->isVisible(); }));
    const QPoint middle = map->rect().center();
    const auto reading = map->readingAt(middle);
    ASSERT_TRUE(reading.has_value());
    ASSERT_GT(reading->zMm, 0.0);
    ASSERT_LT(reading->zMm, 900.0);
    // The floor's cells are even: the cell of the point by division.
    const auto along = static_cast<int>(reading->zMm / (900.0 / e.cellsZ));
    const auto across = static_cast<int>((reading->xMm + 250.0) / (500.0 / e.cellsX));
    EXPECT_EQ(reading->ppfd, e.cells[static_cast<std::size_t>(along * e.cellsX + across)]);
    QTest::mouseMove(map, middle);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return Child<QLabel>(*window, "FloorReading")->text() ==
               kavrol::FloorMapView::describe(*reading);
    }));
    EXPECT_FALSE(map->readingAt(QPointF(1, 1)).has_value());

    // The map as PNG and SVG (in Russian), the cells as the command line writes them.
    answer = dir.filePath(QStringLiteral("floor.png"));
    section->saveMap();
    EXPECT_TRUE(Bytes(answer).startsWith("\x89PNG"));
    answer = dir.filePath(QStringLiteral("floor"));
    section->saveMap();
    EXPECT_TRUE(Bytes(answer + QStringLiteral(".png")).startsWith("\x89PNG"));
    answer = dir.filePath(QStringLiteral("floor.svg"));
    section->saveMap();
    const QByteArray svg = Bytes(answer);
    EXPECT_TRUE(svg.contains("<svg")) << svg.left(400).toStdString();
    answer = dir.filePath(QStringLiteral("cells.csv"));
    section->saveCells();
    EXPECT_EQ(Bytes(answer), Bytes(cliCells));
    EXPECT_FALSE(Bytes(answer).isEmpty());
}

// A fixture opened in the window: its units over the tank its file gives, the figures and the
// cells of "kavrol-cli fixture"; a file without the tank leaves nothing to compute; a build
// brings the fields back.
TEST_F(TankSectionTest, AFixturesTankIsTheFixtureCommands) {
    const QString file = QStringLiteral(KAVROL_EXAMPLES_DIR "/two-lengths-tank.json");
    window->openFixtureFile(file);
    EXPECT_FALSE(Child<QGroupBox>(*window, "TankInputs")->isEnabled());
    EXPECT_TRUE(Child<QLabel>(*window, "TankStatus")
                    ->text()
                    .contains(QStringLiteral("two-lengths-tank.json")));
    Child<QComboBox>(*window, "TankTolerance")->setCurrentIndex(0);
    ASSERT_TRUE(Compute(*window, *section));
    ASSERT_TRUE(section->estimate().has_value())
        << Child<QLabel>(*window, "TankStatus")->text().toStdString();
    const kavrol::physics::TankEstimate& e = *section->estimate();
    const QString cliCells = dir.filePath(QStringLiteral("cli.csv"));
    const kavrol::test::CliRun run =
        kavrol::test::Cli({"fixture", file.toStdString(), "--tolerance", "0.05", "--json",
                           "--profile-csv", cliCells.toStdString()});
    ASSERT_EQ(run.status, 0) << run.err;
    const QJsonObject tank = TankObject(run);
    EXPECT_EQ(e.floorShare, tank.value(QStringLiteral("floorShare")).toDouble());
    EXPECT_EQ(e.photonFlux, tank.value(QStringLiteral("photonFlux")).toDouble());
    answer = dir.filePath(QStringLiteral("cells.csv"));
    section->saveCells();
    EXPECT_FALSE(Bytes(answer).isEmpty());
    EXPECT_EQ(Bytes(answer), Bytes(cliCells));

    const QString bare = dir.filePath(QStringLiteral("bare.json"));
    QFile out(bare);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(R"({"tank": {"waterDistance": 200, "width": 500}, "albedo": 0.8,
  "units": [{"tube": "T5", "x": 0, "lampDistance": 50,
    "reflector": {"shape": "parabola", "A": 200, "B": 100}}]})");
    out.close();
    window->openFixtureFile(bare);
    EXPECT_FALSE(section->estimate().has_value());
    EXPECT_FALSE(Child<QPushButton>(*window, "ComputeTank")->isEnabled());
    EXPECT_TRUE(
        Child<QLabel>(*window, "TankStatus")->text().contains(QStringLiteral("нет аквариума")));

    window->follow({BuildInputs{}, kLosses, 0.5});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->busy(); }, 120000));
    EXPECT_TRUE(Child<QGroupBox>(*window, "TankInputs")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(*window, "ComputeTank")->isEnabled());
}

TEST_F(TankSectionTest, ARunningEstimateIsCancelledOrOutdated) {
    // The command line's default bound takes minutes: long enough to be stopped.
    Child<QComboBox>(*window, "TankTolerance")->setCurrentIndex(3);
    QSignalSpy shown(section, &TankSection::estimateShown);
    Child<QPushButton>(*window, "ComputeTank")->click();
    EXPECT_TRUE(section->computing());
    EXPECT_TRUE(Child<QPushButton>(*window, "CancelTank")->isEnabled());
    Child<QPushButton>(*window, "CancelTank")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > 0; }, 60000));
    EXPECT_FALSE(section->computing());
    EXPECT_FALSE(section->estimate().has_value());
    EXPECT_EQ(Child<QLabel>(*window, "TankStatus")->text(), QStringLiteral("Расчёт отменён."));
    EXPECT_FALSE(Child<QPushButton>(*window, "SaveFloorMap")->isEnabled());

    // A new build while it runs: the estimate stops and the page says why.
    Child<QPushButton>(*window, "ComputeTank")->click();
    EXPECT_TRUE(section->computing());
    BuildInputs other;
    other.refA = 180;
    window->follow({other, kLosses, 0.5});
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > 1 && !window->busy(); }, 60000));
    EXPECT_FALSE(section->computing());
    EXPECT_FALSE(section->estimate().has_value());
    EXPECT_EQ(Child<QLabel>(*window, "TankStatus")->text(),
              QStringLiteral("Отражатель изменился: нажмите «Рассчитать»."));

    // A diffuse sheet chosen on its page: the whole tank, which takes no diffuse share yet,
    // says so.
    window->findChild<kavrol::SurfaceSection*>()->choose(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->busy(); }, 60000));
    Child<QPushButton>(*window, "ComputeTank")->click();
    EXPECT_FALSE(section->computing());
    EXPECT_TRUE(
        Child<QLabel>(*window, "TankStatus")->text().contains(QStringLiteral("рассеянный свет")));
}

} // namespace
