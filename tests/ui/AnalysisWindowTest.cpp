// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window on Qt's offscreen platform: it follows a build with the physical estimate
// of that very design, survives rapid builds showing only the newest, cancels an estimate a
// newer build makes outdated, waits while hidden, shows a refused design's reason, and saves
// the chart, the figures and the template through its dialogs. It opens a whole fixture through
// its dialog, shows a file's refusal keeping what was on show, and goes back to builds.
#include "AnalysisWindow.h"
#include "ChartPanel.h"
#include "CliRun.h"
#include "DesignFromInputs.h"
#include "DesignInputs.h"
#include "ErrorReport.h"
#include "FixtureError.h"
#include "FixtureFile.h"
#include "FixtureScene.h"
#include "LightEstimator.h"
#include "NumberText.h"
#include "QtTranslations.h"

#include <QAbstractAxis>
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using kavrol::AnalysisWindow;
using kavrol::BuildInputs;
using kavrol::LossBreakdown;
using kavrol::testing_support::DesignInputs;

kavrol::physics::PhysicalEstimate Direct(const BuildInputs& in,
                                         kavrol::physics::EstimateOptions options = {}) {
    return kavrol::physics::LightEstimator(options).estimate(kavrol::physics::DesignFromInputs(in));
}

const LossBreakdown kLosses{40.0, 12.0, 2.0, 14.0, 4.0};
const QString kTwoTubes = QStringLiteral(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json");

// The words in Latin letters of a text shown to the user, once the names it quotes (file
// names, the file's own keys and words in double quotes, its literals in single quotes),
// format names and key names are taken out.
QStringList EnglishWords(QString text, const QStringList& names = {}) {
    for (const QString& name : names) {
        text.remove(name);
    }
    text.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"|'[^']*'")));
    QStringList words;
    // Format names (PNG, SVG, CSV, PDF, JSON) and key names are no English.
    static const QRegularExpression allowed(QStringLiteral("^([A-Z]+|Ctrl|Alt|Shift)$"));
    for (const auto& match : QRegularExpression(QStringLiteral("[A-Za-z]{2,}")).globalMatch(text)) {
        if (!allowed.match(match.captured()).hasMatch()) {
            words << match.captured();
        }
    }
    return words;
}

// Every text the window shows now: its labels, buttons, table, chart notes and the charts'
// titles and captions.
QStringList ShownTexts(const QWidget& window) {
    QStringList texts{window.windowTitle()};
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) {
            continue;
        }
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            texts << label->text();
        } else if (const auto* button = qobject_cast<const QPushButton*>(w)) {
            texts << button->text();
        } else if (const auto* table = qobject_cast<const QTableWidget*>(w)) {
            for (int r = 0; r < table->rowCount(); ++r) {
                for (int c = 0; c < table->columnCount(); ++c) {
                    texts << (table->item(r, c) ? table->item(r, c)->text() : QString());
                }
            }
        } else if (const auto* view = qobject_cast<const QChartView*>(w)) {
            texts << view->chart()->title();
            for (const QAbstractAxis* axis : view->chart()->axes()) {
                texts << axis->titleText();
            }
        }
    }
    return texts;
}

class AnalysisWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<AnalysisWindow> makeWindow(kavrol::physics::EstimateOptions options = {}) {
        kavrol::AnalysisServices services;
        services.reportError = [this](const QString& text) { errors_ << text; };
        services.saveDialog = [this](QWidget*, const QString&, const QString& filter,
                                     const QString& proposed) {
            filters_ << filter;
            proposed_ << proposed;
            return answer_;
        };
        services.openDialog = [this](QWidget*, const QString&, const QString& filter,
                                     const QString& folder) {
            filters_ << filter;
            openFolders_ << folder;
            return open_;
        };
        services.confirmReplace = [this](const QString& path) {
            questions_ << path;
            return replace_;
        };
        services.estimate = options;
        return std::make_unique<AnalysisWindow>(services);
    }
    // Waits until the window has no estimate running; false on a time-out.
    static bool settle(const AnalysisWindow& window, int milliseconds = 60000) {
        return QTest::qWaitFor([&] { return !window.busy(); }, milliseconds);
    }
    static QString text(const AnalysisWindow& window, const char* name) {
        return window.findChild<QLabel*>(QLatin1String(name))->text();
    }

    QStringList errors_;
    QStringList filters_;
    QStringList proposed_;
    QString answer_;
    QString open_; // the open dialog's answer
    QStringList openFolders_;
    QStringList questions_; // the files the user was asked to replace
    bool replace_ = false;  // the answer
};

TEST_F(AnalysisWindowTest, FollowsABuildWithTheEstimateOfThatDesign) {
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Анализ"));
    window->show();
    QSignalSpy shown(window.get(), &AnalysisWindow::estimateShown);
    const BuildInputs in = DesignInputs(2, 180, 90, 40);
    window->follow({in, kLosses, 0.5512});
    EXPECT_TRUE(window->busy());
    ASSERT_TRUE(settle(*window));
    ASSERT_EQ(shown.count(), 1);
    ASSERT_TRUE(window->estimate().has_value());
    const auto expected = Direct(in);
    EXPECT_EQ(window->estimate()->efficiency, expected.efficiency);
    EXPECT_EQ(window->estimate()->relative, expected.relative);
    EXPECT_TRUE(window->failure().isEmpty());

    // Shares with one decimal, the error bound with two significant digits (a trailing zero
    // kept: 0.030 %).
    EXPECT_EQ(text(*window, "RayFigures"), QStringLiteral("КПД по 72 лучам: 55.1 %"));
    EXPECT_EQ(text(*window, "PhysicalFigures"),
              QStringLiteral("Физическая оценка: %1 % ± %2")
                  .arg(QString::number(expected.efficiency * 100, 'f', 1),
                       kavrol::NumberText::significantPercent(expected.error, 2)));
    EXPECT_TRUE(text(*window, "GainFigures").contains(QString::number(expected.gain, 'f', 2)));
    EXPECT_TRUE(text(*window, "LightFigures")
                    .contains(QString::number(expected.uniformity.minOverMean, 'f', 2)));

    // The shown irradiance chart holds the estimate's bins; the losses table both models.
    const auto* view = window->findChild<QChartView*>(QStringLiteral("IrradianceView"));
    const auto* series = qobject_cast<QLineSeries*>(view->chart()->series().constFirst());
    ASSERT_EQ(series->count(), static_cast<qsizetype>(2 * expected.relative.size()));
    EXPECT_EQ(series->at(1), QPointF(expected.edgesMm[1], expected.relative[0]));
    const auto* table = window->findChild<QTableWidget*>(QStringLiteral("LossesTable"));
    ASSERT_EQ(table->rowCount(), 5);
    EXPECT_EQ(table->verticalHeaderItem(0)->text(), QStringLiteral("В воду"));
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("55.6 %")); // 40 of 72 rays
    EXPECT_EQ(table->item(0, 1)->text(),
              QString::number(expected.efficiency * 100, 'f', 1) + QStringLiteral(" %"));
    EXPECT_TRUE(errors_.isEmpty());

    // Every figure and chart says what it is in its tool tip; the error bound says it is one.
    for (const char* name : {"RayFigures", "PhysicalFigures", "GainFigures", "LightFigures",
                             "Irradiance", "CrossSection", "Losses", "LossesTable", "SaveChart",
                             "SaveFigures", "SaveTemplate", "OpenFixture"}) {
        const auto* w = window->findChild<QWidget*>(QLatin1String(name));
        ASSERT_NE(w, nullptr) << name;
        EXPECT_FALSE(w->toolTip().isEmpty()) << name;
        EXPECT_EQ(EnglishWords(w->toolTip()), QStringList()) << name;
    }
    const QString bound = window->findChild<QLabel*>(QStringLiteral("PhysicalFigures"))->toolTip();
    EXPECT_TRUE(bound.contains(QStringLiteral("«±» — граница погрешности"))) << bound.toStdString();
    EXPECT_TRUE(bound.contains(QStringLiteral("95 %")));
    const QString uniformity =
        window->findChild<QLabel*>(QStringLiteral("LightFigures"))->toolTip();
    EXPECT_TRUE(
        uniformity.contains(QStringLiteral("наименьшая освещённость, делённая на среднюю")));
}

TEST_F(AnalysisWindowTest, RapidBuildsShowOnlyTheNewestBuildsFigures) {
    auto window = makeWindow();
    window->show();
    QSignalSpy shown(window.get(), &AnalysisWindow::estimateShown);
    const std::vector<BuildInputs> builds = {
        DesignInputs(1, 200, 100, 50), DesignInputs(0, 160, 60, 40), DesignInputs(2, 200, 120, 60),
        DesignInputs(1, 120, 40, 50, 30)};
    for (const BuildInputs& in : builds)
        window->follow({in, kLosses, 0.5});
    ASSERT_TRUE(settle(*window));
    QTest::qWait(50); // any outdated job that ends late must still be dropped
    EXPECT_EQ(shown.count(), 1);
    ASSERT_TRUE(window->estimate().has_value());
    EXPECT_EQ(window->build()->inputs.refA, 120);
    EXPECT_EQ(window->estimate()->efficiency, Direct(builds.back()).efficiency);
    EXPECT_EQ(window->runner().generation(), builds.size());
}

// Estimates tight enough to take a while: the first is still running when the second build
// comes, and must end cancelled, not run to its end.
TEST_F(AnalysisWindowTest, ANewerBuildCancelsTheEstimateStillRunning) {
    kavrol::physics::EstimateOptions slow;
    slow.tolerance = 1e-7;
    auto window = makeWindow(slow);
    window->show();
    const BuildInputs first = DesignInputs(1, 200, 100, 50);
    const BuildInputs second = DesignInputs(0, 160, 60, 40);
    window->follow({first, kLosses, 0.5});
    QTest::qWait(20);
    EXPECT_TRUE(window->busy());
    const auto* indicator = window->findChild<QProgressBar*>(QStringLiteral("Busy"));
    EXPECT_TRUE(indicator->isVisible());
    window->follow({second, kLosses, 0.5});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->runner().cancelledJobs() == 1; }, 10000));
    ASSERT_TRUE(settle(*window, 120000));
    EXPECT_FALSE(indicator->isVisible());
    ASSERT_TRUE(window->estimate().has_value());
    EXPECT_EQ(window->estimate()->efficiency, Direct(second, slow).efficiency);
}

TEST_F(AnalysisWindowTest, WhileHiddenItKeepsTheNewestBuildAndEstimatesItWhenShown) {
    auto window = makeWindow();
    window->follow({DesignInputs(1, 200, 100, 50), kLosses, 0.5});
    window->follow({DesignInputs(2, 200, 100, 50), kLosses, 0.6});
    EXPECT_FALSE(window->busy());
    EXPECT_EQ(window->runner().generation(), 0u);
    window->show();
    ASSERT_TRUE(settle(*window));
    ASSERT_TRUE(window->estimate().has_value());
    EXPECT_EQ(window->runner().generation(), 1u);
    EXPECT_EQ(window->estimate()->efficiency, Direct(DesignInputs(2, 200, 100, 50)).efficiency);
}

// The pixel model builds a T8 tube 10 mm below a parabola's vertex; physically the reflector
// passes through the tube.
TEST_F(AnalysisWindowTest, ADesignThePhysicsRefusesShowsTheReasonInsteadOfFigures) {
    auto window = makeWindow();
    window->show();
    window->follow({DesignInputs(1, 200, 100, 50), kLosses, 0.5});
    ASSERT_TRUE(settle(*window));
    BuildInputs refused = DesignInputs(1, 200, 200, 50, 10);
    refused.tube = 2;
    window->follow({refused, kLosses, 0.4});
    ASSERT_TRUE(settle(*window));
    EXPECT_FALSE(window->estimate().has_value());
    EXPECT_TRUE(window->failure().startsWith(QStringLiteral("Отражатель проходит сквозь лампу")))
        << window->failure().toStdString();
    EXPECT_TRUE(text(*window, "Status").contains(window->failure()));
    EXPECT_EQ(text(*window, "PhysicalFigures"), QStringLiteral("Физическая оценка невозможна"));
    for (const char* name : {"SaveChart", "SaveFigures", "SaveTemplate"})
        EXPECT_FALSE(window->findChild<QPushButton*>(QLatin1String(name))->isEnabled()) << name;
    // Nothing of the previous design stays on show: every chart is emptied and says why on
    // itself, and the table is empty.
    for (const char* name : {"Irradiance", "CrossSection", "Losses"}) {
        SCOPED_TRACE(name);
        const auto* panel = window->findChild<kavrol::ChartPanel*>(QLatin1String(name));
        ASSERT_NE(panel, nullptr);
        EXPECT_FALSE(panel->current());
        EXPECT_TRUE(panel->view()->chart()->series().isEmpty());
        EXPECT_TRUE(panel->note().contains(QStringLiteral("отвергла")))
            << panel->note().toStdString();
        const auto* note = window->findChild<QLabel*>(QLatin1String(name) + QStringLiteral("Note"));
        ASSERT_NE(note, nullptr);
        EXPECT_TRUE(note->isVisible());
    }
    const auto* table = window->findChild<QTableWidget*>(QStringLiteral("LossesTable"));
    for (int r = 0; r < table->rowCount(); ++r) {
        for (int c = 0; c < table->columnCount(); ++c) {
            EXPECT_EQ(table->item(r, c), nullptr) << r << ' ' << c;
        }
    }
    // And all of it in Russian.
    EXPECT_EQ(EnglishWords(ShownTexts(*window).join('\n')), QStringList());
}

TEST_F(AnalysisWindowTest, SavesTheChartTheFiguresAndTheTemplateThroughItsDialogs) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto window = makeWindow();
    window->show();
    window->follow({DesignInputs(2, 200, 100, 50), kLosses, 0.5});
    ASSERT_TRUE(settle(*window));
    struct Case {
        void (AnalysisWindow::*save)();
        QString answer;  // what the user types
        QString written; // the file that must appear
        QByteArray magic;
    };
    const std::vector<Case> cases = {
        {&AnalysisWindow::saveChart, QStringLiteral("light"), QStringLiteral("light.png"),
         "\x89PNG"},
        {&AnalysisWindow::saveChart, QStringLiteral("light.SVG"), QStringLiteral("light.SVG"),
         "<?xml"},
        {&AnalysisWindow::saveFigures, QStringLiteral("bins"), QStringLiteral("bins.csv"),
         "left_mm,"},
        {&AnalysisWindow::saveTemplate, QStringLiteral("sheet"), QStringLiteral("sheet.svg"),
         "<?xml"},
        {&AnalysisWindow::saveTemplate, QStringLiteral("sheet.pdf"), QStringLiteral("sheet.pdf"),
         "%PDF-"},
    };
    for (const Case& c : cases) {
        answer_ = dir.filePath(c.answer);
        (window.get()->*c.save)();
        QFile file(dir.filePath(c.written));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.written.toStdString();
        EXPECT_TRUE(file.readAll().startsWith(c.magic)) << c.written.toStdString();
    }
    EXPECT_EQ(filters_, (QStringList{QStringLiteral("PNG (*.png);;SVG (*.svg)"),
                                     QStringLiteral("PNG (*.png);;SVG (*.svg)"),
                                     QStringLiteral("CSV (*.csv)"),
                                     QStringLiteral("SVG (*.svg);;PDF (*.pdf)"),
                                     QStringLiteral("SVG (*.svg);;PDF (*.pdf)")}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5);
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();

    // Cancelling writes nothing; a folder that does not exist is reported, with a full stop.
    answer_.clear();
    window->saveFigures();
    answer_ = dir.filePath(QStringLiteral("missing/bins.csv"));
    window->saveFigures();
    EXPECT_EQ(EnglishWords(errors_.join('\n'), {answer_}), QStringList());
    EXPECT_EQ(EnglishWords(ShownTexts(*window).join('\n')), QStringList());
    EXPECT_EQ(errors_, QStringList{QStringLiteral("Не удалось создать файл «%1»: нет такого файла "
                                                  "или папки.")
                                       .arg(answer_)});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5);
}

// Each kind of file remembers the folder last used; a name typed without its ending gets it,
// and the replace question when a file of that name exists.
TEST_F(AnalysisWindowTest, TheDialogsRememberTheFolderAndAskBeforeReplacing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto window = makeWindow();
    window->show();
    window->follow({DesignInputs(2, 200, 100, 50), kLosses, 0.5});
    ASSERT_TRUE(settle(*window));
    const QString png = dir.filePath(QStringLiteral("light.png"));
    answer_ = dir.filePath(QStringLiteral("light"));
    window->saveChart();
    ASSERT_TRUE(QFile::exists(png));
    EXPECT_TRUE(questions_.isEmpty());
    QFile::resize(png, 4);
    // The same name again: asked, declined, the file stays as it was.
    window->saveChart();
    EXPECT_EQ(questions_, QStringList{png});
    EXPECT_EQ(QFileInfo(png).size(), 4);
    replace_ = true;
    window->saveChart();
    EXPECT_GT(QFileInfo(png).size(), 4);
    EXPECT_EQ(proposed_, (QStringList{QStringLiteral("Освещённость.png"),
                                      dir.filePath(QStringLiteral("Освещённость.png")),
                                      dir.filePath(QStringLiteral("Освещённость.png"))}));
    // Another kind of file has its own folder: none yet.
    answer_.clear();
    window->saveFigures();
    EXPECT_EQ(proposed_.back(), QStringLiteral("Освещённость.csv"));
    open_ = kTwoTubes;
    window->openFixture();
    window->openFixture();
    EXPECT_EQ(openFolders_, (QStringList{QString(), QFileInfo(kTwoTubes).absolutePath()}));
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

// The real dialog: a name typed without a suffix gets the one of the filter chosen.
TEST_F(AnalysisWindowTest, TheRealDialogAddsTheSuffixOfTheChosenFilter) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    kavrol::AnalysisServices services;
    services.reportError = [this](const QString& text) { errors_ << text; };
    AnalysisWindow window(services);
    window.show();
    window.follow({DesignInputs(1, 200, 100, 50), kLosses, 0.5});
    ASSERT_TRUE(settle(window));
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (types == nullptr || name == nullptr) {
            ADD_FAILURE() << "the dialog has no file type list or no name field";
            QMetaObject::invokeMethod(dialog, "reject");
            return;
        }
        dialog->setDirectory(dir.path());
        types->setCurrentIndex(1);
        // What a click on the list's second entry signals.
        emit types->activated(1);
        emit types->textActivated(types->itemText(1));
        name->setText(QStringLiteral("light"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    window.saveChart();
    EXPECT_EQ(filters, (QStringList{QStringLiteral("PNG (*.png)"), QStringLiteral("SVG (*.svg)")}));
    QFile written(dir.filePath(QStringLiteral("light.svg")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("<svg"));
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

TEST_F(AnalysisWindowTest, ClosingWhileAnEstimateRunsCancelsItAndWaits) {
    kavrol::physics::EstimateOptions slow;
    slow.tolerance = 1e-7;
    auto window = makeWindow(slow);
    window->show();
    window->follow({DesignInputs(1, 200, 100, 50), kLosses, 0.5});
    EXPECT_TRUE(window->busy());
    QElapsedTimer timer;
    timer.start();
    window.reset();
    EXPECT_LT(timer.elapsed(), 5000) << "the estimate was not cancelled";
}

// By keyboard alone: Tab leaves the table and reaches every button, round to the table again,
// and Shift+Tab goes back; every button has a mnemonic of its own, which clicks it; Ctrl+O
// opens a fixture; Escape closes the window.
TEST_F(AnalysisWindowTest, TheKeyboardReachesEveryButtonAndEscapeCloses) {
    auto window = makeWindow();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->follow({DesignInputs(1, 200, 100, 50), kLosses, 0.5});
    ASSERT_TRUE(settle(*window));
    auto* table = window->findChild<QTableWidget*>(QStringLiteral("LossesTable"));
    table->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), table);
    // The buttons on show: those of the design's page and below it (other pages have their own).
    const QList<QPushButton*> all = window->findChildren<QPushButton*>();
    QList<QPushButton*> buttons;
    std::copy_if(all.begin(), all.end(), std::back_inserter(buttons),
                 [](const QPushButton* b) { return b->isVisible(); });
    ASSERT_EQ(buttons.size(), 4);
    for (const auto key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        QList<QWidget*> reached;
        for (int i = 0; i < 8 && (reached.isEmpty() || reached.back() != table); ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            reached << QApplication::focusWidget();
        }
        QStringList names;
        for (const QWidget* w : reached) {
            names << (w ? w->objectName() : QStringLiteral("-"));
        }
        EXPECT_EQ(reached.back(), table) << names.join(' ').toStdString();
        for (QPushButton* b : buttons) {
            EXPECT_TRUE(reached.contains(b)) << b->objectName().toStdString();
        }
    }
    QList<QKeySequence> mnemonics;
    for (QPushButton* b : all) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(b->text());
        EXPECT_FALSE(mnemonic.isEmpty()) << b->objectName().toStdString();
        EXPECT_FALSE(mnemonics.contains(mnemonic)) << b->objectName().toStdString();
        mnemonics << mnemonic;
    }
    // Alt with the open button's letter, then Ctrl+O: the open dialog both times.
    auto* open = window->findChild<QPushButton*>(QStringLiteral("OpenFixture"));
    const QKeyCombination letter = QKeySequence::mnemonic(open->text())[0];
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), letter.key(),
                        QString(QChar(letter.key())).toLower(), letter.keyboardModifiers());
    // A mnemonic clicks its button the way a mouse would, after a short press.
    EXPECT_TRUE(QTest::qWaitFor([&] { return filters_.size() == 1; }, 2000));
    QTest::keySequence(window.get(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(filters_.size(), 2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

// The chart titles and captions of the command line's files are the window's, for a single
// design and for a whole fixture alike.
TEST_F(AnalysisWindowTest, TheCommandLinesChartTitlesAreTheWindows) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto captions = [](const QChart& chart) {
        QStringList all{chart.title()};
        for (const QAbstractAxis* axis : chart.axes()) {
            all << axis->titleText();
        }
        for (const QAbstractSeries* series : chart.series()) {
            all << series->name();
        }
        return all;
    };
    struct Case {
        const char* name;
        std::vector<std::string> arguments; // besides --plot
    };
    const std::vector<Case> cases = {
        {"design", {"--physical"}},
        {"fixture", {"fixture", kTwoTubes.toStdString(), "--no-tank"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = makeWindow();
        window->show();
        if (c.arguments.front() == "--physical") {
            window->follow({BuildInputs{}, kLosses, 0.5});
        } else {
            window->openFixtureFile(kTwoTubes);
        }
        ASSERT_TRUE(settle(*window));
        const QStringList shown =
            captions(*window->findChild<QChartView*>(QStringLiteral("IrradianceView"))->chart());
        ASSERT_EQ(shown.size(), 5);
        const std::string plot = dir.filePath(QLatin1String(c.name) + ".svg").toStdString();
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--plot", plot});
        const kavrol::test::CliRun run = kavrol::test::Cli(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        const QString written = QString::fromStdString(kavrol::test::Slurp(plot));
        for (const QString& caption : shown) {
            EXPECT_TRUE(written.contains(QLatin1Char('>') + caption + QLatin1Char('<')))
                << caption.toStdString();
        }
    }
}

// Qt's own dialogs speak Russian once its translations are installed, as the program does at
// its start (scripts/setup installs them).
TEST(QtTranslationsTest, QtsOwnDialogsSpeakRussian) {
    ASSERT_TRUE(kavrol::QtTranslations::installRussian())
        << "Qt's Russian translations (qt6-translations-l10n) are not installed";
    QFileDialog dialog(nullptr, QStringLiteral("Сохранить"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    ASSERT_NE(lookIn, nullptr);
    EXPECT_EQ(EnglishWords(lookIn->text()), QStringList()) << lookIn->text().toStdString();
}

// --- Whole fixtures ---

// The fixture's estimate as the window makes it: its options with the bare tubes.
kavrol::physics::PhysicalEstimate DirectFixture(const QString& path) {
    kavrol::physics::EstimateOptions options;
    options.bareTube = true;
    const kavrol::physics::FixtureScene scene(
        kavrol::physics::FixtureFile::Read(path.toStdString()));
    return kavrol::physics::LightEstimator(options).estimate(scene.scene());
}

std::vector<const QLineSeries*> SeriesNamed(const QChartView& view, const char* name) {
    std::vector<const QLineSeries*> found;
    for (const QAbstractSeries* s : view.chart()->series()) {
        if (s->objectName() == QLatin1String(name)) {
            found.push_back(qobject_cast<const QLineSeries*>(s));
        }
    }
    return found;
}

TEST_F(AnalysisWindowTest, OpensAFixtureAndShowsItsEstimateAcrossTheTank) {
    auto window = makeWindow();
    window->show();
    QSignalSpy shown(window.get(), &AnalysisWindow::estimateShown);
    open_ = kTwoTubes;
    auto* openButton = window->findChild<QPushButton*>(QStringLiteral("OpenFixture"));
    ASSERT_NE(openButton, nullptr);
    EXPECT_EQ(openButton->text(), QStringLiteral("&Открыть светильник..."));
    openButton->click();
    EXPECT_EQ(filters_, QStringList{QStringLiteral("Светильник (*.json)")});
    EXPECT_EQ(window->fixtureFile(), QStringLiteral("two-t5-80cm.json"));
    ASSERT_TRUE(settle(*window));
    ASSERT_EQ(shown.count(), 1);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    ASSERT_TRUE(window->estimate().has_value());
    const auto expected = DirectFixture(kTwoTubes);
    const auto& e = *window->estimate();
    EXPECT_EQ(e.efficiency, expected.efficiency);
    EXPECT_EQ(e.error, expected.error);
    EXPECT_EQ(e.relative, expected.relative);
    ASSERT_EQ(e.tubes.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(e.tubes[i].efficiency, expected.tubes[i].efficiency);
    }

    EXPECT_EQ(text(*window, "PhysicalFigures"),
              QStringLiteral("Физическая оценка: %1 % ± %2 %")
                  .arg(QString::number(expected.efficiency * 100, 'f', 1),
                       QString::number(expected.error * 100, 'g', 2)));
    EXPECT_TRUE(text(*window, "RayFigures").contains(QStringLiteral("—")));
    const QString header = text(*window, "FixtureFigures");
    EXPECT_TRUE(header.contains(QStringLiteral("two-t5-80cm.json"))) << header.toStdString();
    EXPECT_TRUE(
        header.contains(QStringLiteral("1 «left»: %1 %")
                            .arg(QString::number(expected.tubes[0].efficiency * 100, 'f', 1))))
        << header.toStdString();
    EXPECT_TRUE(
        header.contains(QStringLiteral("2 «right»: %1 %")
                            .arg(QString::number(expected.tubes[1].efficiency * 100, 'f', 1))))
        << header.toStdString();

    // The light spans the whole 800 mm tank, centred on its middle.
    const auto* irradiance = window->findChild<QChartView*>(QStringLiteral("IrradianceView"));
    const auto light = SeriesNamed(*irradiance, "irradiance");
    ASSERT_EQ(light.size(), 1u);
    ASSERT_EQ(light[0]->count(), static_cast<qsizetype>(2 * expected.relative.size()));
    EXPECT_EQ(light[0]->at(0).x(), -400.0);
    EXPECT_EQ(light[0]->at(light[0]->count() - 1).x(), 400.0);

    // Both units' reflectors and tubes and the water line across the tank.
    const auto* section = window->findChild<QChartView*>(QStringLiteral("CrossSectionView"));
    const auto tubes = SeriesNamed(*section, "tube");
    ASSERT_EQ(tubes.size(), 2u);
    EXPECT_NEAR(tubes[0]->at(0).x(), -200.0 + 8.0, 1.0); // T5 radius 8 mm
    EXPECT_NEAR(tubes[1]->at(0).x(), 200.0 + 8.0, 1.0);
    const auto reflectors = SeriesNamed(*section, "reflector");
    ASSERT_FALSE(reflectors.empty());
    double left = 0.0;
    double right = 0.0;
    for (const QLineSeries* r : reflectors) {
        for (const QPointF& p : r->points()) {
            left = std::min(left, p.x());
            right = std::max(right, p.x());
        }
    }
    EXPECT_NEAR(left, -280.0, 1.0); // each reflector 160 mm wide about its tube
    EXPECT_NEAR(right, 280.0, 1.0);
    const auto water = SeriesNamed(*section, "water");
    ASSERT_EQ(water.size(), 1u);
    EXPECT_EQ(water[0]->at(0).x(), -400.0);
    EXPECT_EQ(water[0]->at(1).x(), 400.0);

    // The 72-ray column does not apply; the physical one does.
    const auto* table = window->findChild<QTableWidget*>(QStringLiteral("LossesTable"));
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("—"));
    EXPECT_EQ(table->item(0, 1)->text(),
              QString::number(expected.efficiency * 100, 'f', 1) + QStringLiteral(" %"));
    // The fixture's own template: both units share one reflector, so there is one, no menu.
    auto* sheet = window->findChild<QPushButton*>(QStringLiteral("SaveTemplate"));
    EXPECT_TRUE(sheet->isEnabled());
    EXPECT_EQ(sheet->menu(), nullptr);
}

// A fixture of two different reflectors offers a template of each from the button's menu; the
// main window's last good build keeps its own template.
TEST_F(AnalysisWindowTest, AFixtureOffersATemplateOfEachOfItsReflectors) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("mixed.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"tank": {"waterDistance": 150, "width": 800}, "albedo": 0.85, "units": [
        {"name": "left", "tube": "T5", "x": -200, "lampDistance": 30,
         "reflector": {"shape": "parabola", "A": 160, "B": 60}},
        {"name": "right", "tube": "T5", "x": 200, "lampDistance": 30,
         "reflector": {"shape": "trapezoid", "A": 160, "B": 60, "C": 40}}]})");
    file.close();
    auto window = makeWindow();
    window->show();
    window->follow({DesignInputs(1, 200, 100, 50), kLosses, 0.5});
    ASSERT_TRUE(settle(*window));
    window->openFixtureFile(path);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    auto* sheet = window->findChild<QPushButton*>(QStringLiteral("SaveTemplate"));
    ASSERT_NE(sheet->menu(), nullptr);
    const QList<QAction*> actions = sheet->menu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Шаблон &1: лампа 1 «left»"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Шаблон &2: лампа 2 «right»"));
    answer_ = dir.filePath(QStringLiteral("right"));
    actions[1]->trigger();
    EXPECT_EQ(proposed_, QStringList{QStringLiteral("Шаблон-2.svg")});
    QFile written(dir.filePath(QStringLiteral("right.svg")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().contains("Трапеция"));
    // The build's template is still the build's.
    answer_ = dir.filePath(QStringLiteral("build.svg"));
    window->saveTemplate();
    QFile build(answer_);
    ASSERT_TRUE(build.open(QIODevice::ReadOnly));
    EXPECT_TRUE(build.readAll().contains("Парабола"));
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    // Back to builds: no menu any more.
    window->follow({DesignInputs(1, 200, 100, 50), kLosses, 0.5});
    EXPECT_EQ(sheet->menu(), nullptr);
}

// A file that cannot be read and a fixture that cannot exist: the reader's very message is
// reported, and the build on show keeps its figures.
TEST_F(AnalysisWindowTest, AFixtureFileThatIsRefusedShowsItsMessageAndKeepsTheFigures) {
    struct Case {
        const char* file;
        const char* text;
        const char* russian; // what the window says of it
    };
    const Case cases[] = {
        {"broken.json", "{\"units\": [ {\"tube\": \"T5\" ",
         "строка 1, столбец 27: текст обрывается там, где ожидалось ',' или '}' после элемента "
         "объекта"},
        {"drowned.json", R"({"tank": {"waterDistance": 10, "width": 800}, "albedo": 0.8,
            "units": [{"tube": "T5", "x": 0, "lampDistance": 30,
                       "reflector": {"shape": "parabola", "A": 160, "B": 60}}]})",
         "лампа 1: отражатель достаёт до воды: его глубина 60 мм, а вода на 40 мм ниже его "
         "верха"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto window = makeWindow();
    window->show();
    const BuildInputs in = DesignInputs(2, 180, 90, 40);
    window->follow({in, kLosses, 0.5512});
    ASSERT_TRUE(settle(*window));
    const QString figures = text(*window, "PhysicalFigures");
    const double efficiency = window->estimate()->efficiency;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(QLatin1String(c.file));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.text);
        file.close();
        std::string message;
        try {
            (void)kavrol::physics::FixtureScene(
                kavrol::physics::FixtureFile::Read(path.toStdString()));
        } catch (const kavrol::physics::FixtureError& error) {
            message = error.what();
        }
        ASSERT_FALSE(message.empty()) << "the reader accepted the file";
        errors_.clear();
        open_ = path;
        window->openFixture();
        // The reader's message in Russian: the same place and figures, no English words.
        ASSERT_EQ(errors_.size(), 1) << message;
        EXPECT_TRUE(errors_[0].startsWith(path)) << errors_[0].toStdString();
        EXPECT_TRUE(errors_[0].contains(QString::fromUtf8(c.russian))) << errors_[0].toStdString();
        EXPECT_EQ(EnglishWords(errors_[0], {path}), QStringList()) << message;
        EXPECT_FALSE(window->busy());
        EXPECT_TRUE(window->fixtureFile().isEmpty());
        EXPECT_EQ(text(*window, "PhysicalFigures"), figures);
        EXPECT_EQ(text(*window, "RayFigures"), QStringLiteral("КПД по 72 лучам: 55.1 %"));
        ASSERT_TRUE(window->estimate().has_value());
        EXPECT_EQ(window->estimate()->efficiency, efficiency);
    }
    // A folder and a name that does not exist: refused in Russian as well.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.json")));
    const struct {
        QString path;
        QString russian;
    } files[] = {
        {dir.filePath(QStringLiteral("folder.json")),
         QStringLiteral("файл светильника — папка, а не файл")},
        {dir.filePath(QStringLiteral("absent.json")),
         QStringLiteral("не удалось открыть файл светильника: нет такого файла или папки")},
    };
    for (const auto& f : files) {
        errors_.clear();
        window->openFixtureFile(f.path);
        ASSERT_EQ(errors_.size(), 1);
        EXPECT_TRUE(errors_[0].contains(f.russian)) << errors_[0].toStdString();
        EXPECT_EQ(EnglishWords(errors_[0], {f.path}), QStringList()) << errors_[0].toStdString();
        EXPECT_EQ(text(*window, "PhysicalFigures"), figures);
    }
    EXPECT_EQ(EnglishWords(ShownTexts(*window).join('\n')), QStringList());
    // A cancelled dialog changes nothing.
    errors_.clear();
    open_.clear();
    window->openFixture();
    EXPECT_TRUE(errors_.isEmpty());
    EXPECT_EQ(text(*window, "PhysicalFigures"), figures);
}

// A build of the main window while the fixture is still being estimated: the fixture's job is
// replaced, its outcome never shown, and the window follows builds again.
TEST_F(AnalysisWindowTest, ABuildAfterAFixtureSwitchesBackToFollowingBuilds) {
    auto window = makeWindow();
    window->show();
    QSignalSpy shown(window.get(), &AnalysisWindow::estimateShown);
    open_ = kTwoTubes;
    window->openFixture();
    ASSERT_EQ(window->fixtureFile(), QStringLiteral("two-t5-80cm.json"));
    EXPECT_TRUE(window->busy());
    const BuildInputs in = DesignInputs(1, 200, 100, 50);
    window->follow({in, kLosses, 0.5});
    EXPECT_TRUE(window->fixtureFile().isEmpty());
    ASSERT_TRUE(settle(*window));
    QTest::qWait(50); // the fixture's job, should it end late, must still be dropped
    EXPECT_EQ(shown.count(), 1);
    ASSERT_TRUE(window->estimate().has_value());
    EXPECT_EQ(window->estimate()->efficiency, Direct(in).efficiency);
    EXPECT_EQ(text(*window, "RayFigures"), QStringLiteral("КПД по 72 лучам: 50.0 %"));
    EXPECT_TRUE(text(*window, "FixtureFigures").isEmpty());
    const auto* section = window->findChild<QChartView*>(QStringLiteral("CrossSectionView"));
    EXPECT_EQ(SeriesNamed(*section, "tube").size(), 1u);
    EXPECT_TRUE(window->findChild<QPushButton*>(QStringLiteral("SaveTemplate"))->isEnabled());
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

// A newer fixture replaces the one still being estimated; a profile of points is drawn from
// its sampled pieces.
TEST_F(AnalysisWindowTest, ANewerFixtureReplacesTheOneStillBeingEstimated) {
    auto window = makeWindow();
    window->show();
    QSignalSpy shown(window.get(), &AnalysisWindow::estimateShown);
    open_ = kTwoTubes;
    window->openFixture();
    const QString gullWing = QStringLiteral(KAVROL_EXAMPLES_DIR "/four-tube-gull-wing.json");
    open_ = gullWing;
    window->openFixture();
    ASSERT_TRUE(settle(*window, 120000));
    QTest::qWait(50);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(window->fixtureFile(), QStringLiteral("four-tube-gull-wing.json"));
    ASSERT_TRUE(window->estimate().has_value());
    EXPECT_EQ(window->estimate()->efficiency, DirectFixture(gullWing).efficiency);
    EXPECT_EQ(window->estimate()->tubes.size(), 4u);
    const auto* section = window->findChild<QChartView*>(QStringLiteral("CrossSectionView"));
    EXPECT_EQ(SeriesNamed(*section, "tube").size(), 4u);
    const auto reflectors = SeriesNamed(*section, "reflector");
    ASSERT_FALSE(reflectors.empty());
    qsizetype points = 0;
    for (const QLineSeries* r : reflectors) {
        points += r->count();
    }
    EXPECT_GT(points, 4 * 20) << "the profiles' curves were not sampled";
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

} // namespace
