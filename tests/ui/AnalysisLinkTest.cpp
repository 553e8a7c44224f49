// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's routes to the analysis window, through the widgets' object names: the
// built signal only for successful builds, F2 opening one analysis window that follows the
// builds and ignores failed ones, the context menus of the picture and the efficiency field,
// and closing with the main window.
#include "AnalysisLink.h"
#include "AnalysisWindow.h"
#include "DesignFromInputs.h"
#include "IntegerSpinEdit.h"
#include "LightEstimator.h"
#include "OpticalModel.h"
#include "TMainFrm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using kavrol::AnalysisLink;
using kavrol::AnalysisWindow;
using kavrol::BuildInputs;
using kavrol::TMainFrm;

class AnalysisLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        kavrol::WindowServices services;
        services.reportError = [this](const QString& text) { errors_ << text; };
        services.saveDialog = [this](QWidget*, const QString& filter, const QString&) {
            filters_ << filter;
            return answer_;
        };
        services.dotsPerInch = 96;
        main_ = std::make_unique<TMainFrm>(services);
        link_ = main_->findChild<AnalysisLink*>(QStringLiteral("AnalysisLink"));
        ASSERT_NE(link_, nullptr);
    }

    template <typename T> T* child(const char* name) const {
        T* found = main_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void activate() {
        main_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
        main_->activateWindow();
        QApplication::setActiveWindow(main_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
    }
    // A trapezoid whose top is wider than its opening: the build pass refuses it.
    void failBuild() {
        child<QComboBox>("RefTypeBox")->setCurrentIndex(0);
        child<kavrol::IntegerSpinEdit>("RefA")->setValue(40);
        child<kavrol::IntegerSpinEdit>("RefC")->setValue(60);
        main_->PaintRef();
    }
    static bool settle(const AnalysisWindow& window) {
        return QTest::qWaitFor([&] { return !window.busy(); }, 60000);
    }
    static double directEfficiency(const BuildInputs& in) {
        return kavrol::physics::LightEstimator()
            .estimate(kavrol::physics::DesignFromInputs(in))
            .efficiency;
    }
    // The menu a widget's context menu request opened, or null.
    static QMenu* openMenu(QWidget* owner) {
        for (QMenu* menu : owner->findChildren<QMenu*>(QStringLiteral("AnalysisMenu")))
            if (menu->isVisible())
                return menu;
        return nullptr;
    }

    std::unique_ptr<TMainFrm> main_;
    AnalysisLink* link_ = nullptr;
    QStringList errors_;
    QStringList filters_;
    QString answer_;
};

TEST_F(AnalysisLinkTest, BuiltIsSignalledForSuccessfulBuildsOnly) {
    QSignalSpy built(main_.get(), &TMainFrm::built);
    child<kavrol::IntegerSpinEdit>("RefA")->setValue(150);
    main_->PaintRef();
    ASSERT_EQ(built.count(), 1);
    const auto result = built[0][0].value<kavrol::BuildResult>();
    EXPECT_EQ(result.inputs.refA, 150);
    EXPECT_EQ(result.inputs.shape, 1);
    EXPECT_EQ(result.efficiency, main_->model()->efficiency());
    EXPECT_EQ(result.losses.delivered, main_->model()->losses().delivered);
    failBuild();
    EXPECT_EQ(errors_.size(), 1);
    EXPECT_EQ(built.count(), 1);
}

TEST_F(AnalysisLinkTest, F2OpensOneAnalysisWindowThatFollowsGoodBuildsAndIgnoresFailedOnes) {
    activate();
    EXPECT_EQ(link_->window(), nullptr) << "made only when asked for";
    QTest::keyClick(main_.get(), Qt::Key_F2);
    AnalysisWindow* analysis = link_->window();
    ASSERT_NE(analysis, nullptr);
    EXPECT_TRUE(analysis->isVisible());
    EXPECT_EQ(analysis->windowTitle(), QStringLiteral("Анализ"));
    ASSERT_TRUE(settle(*analysis));
    ASSERT_TRUE(analysis->estimate().has_value());
    // The start-up build, made before the window existed.
    EXPECT_EQ(analysis->estimate()->efficiency, directEfficiency(BuildInputs{}));
    EXPECT_EQ(analysis->build()->efficiency, main_->model()->efficiency());

    activate();
    QTest::keyClick(main_.get(), Qt::Key_F2);
    EXPECT_EQ(link_->window(), analysis) << "one instance";

    child<kavrol::IntegerSpinEdit>("RefA")->setValue(160);
    main_->PaintRef();
    ASSERT_TRUE(settle(*analysis));
    EXPECT_EQ(analysis->build()->inputs.refA, 160);
    BuildInputs shown = BuildInputs{};
    shown.refA = 160;
    const double efficiency = directEfficiency(shown);
    EXPECT_EQ(analysis->estimate()->efficiency, efficiency);

    failBuild();
    EXPECT_FALSE(analysis->busy());
    EXPECT_EQ(analysis->build()->inputs.refA, 160);
    EXPECT_EQ(analysis->estimate()->efficiency, efficiency);
}

TEST_F(AnalysisLinkTest, PictureAndEfficiencyOfferTheAnalysisAndTheTemplate) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    activate();
    auto* picture = child<QLabel>("Ref");
    auto* efficiency = child<QGroupBox>("GroupBox9");
    // The efficiency field is disabled, so its requests go to the group around it.
    auto* field = child<QLineEdit>("KpdBox");
    QContextMenuEvent onField(QContextMenuEvent::Mouse, QPoint(4, 4),
                              field->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(field, &onField);
    QMenu* menu = openMenu(efficiency);
    ASSERT_NE(menu, nullptr);
    menu->close();

    emit picture->customContextMenuRequested(QPoint(10, 10));
    menu = openMenu(picture);
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Анализ..."));
    EXPECT_EQ(actions[0]->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Сохранить шаблон..."));
    answer_ = dir.filePath(QStringLiteral("cut.pdf"));
    actions[1]->trigger();
    menu->close();
    EXPECT_EQ(filters_, QStringList{QStringLiteral("SVG (*.svg);;PDF (*.pdf)")});
    QFile written(answer_);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("%PDF-"));
    ASSERT_NE(link_->window(), nullptr);
    EXPECT_FALSE(link_->window()->isVisible()) << "saving the template opens no window";

    emit efficiency->customContextMenuRequested(QPoint(10, 10));
    menu = openMenu(efficiency);
    ASSERT_NE(menu, nullptr);
    menu->actions().constFirst()->trigger();
    menu->close();
    EXPECT_TRUE(link_->window()->isVisible());
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

// The main window's template is its last good build's even while the analysis window shows a
// fixture; Ctrl+T in the main window does the same as the menu's action.
TEST_F(AnalysisLinkTest, TheTemplateIsTheLastGoodBuildsAfterAFixture) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    activate();
    QTest::keyClick(main_.get(), Qt::Key_F2);
    AnalysisWindow* analysis = link_->window();
    ASSERT_NE(analysis, nullptr);
    analysis->openFixtureFile(QStringLiteral(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json"));
    ASSERT_EQ(analysis->fixtureFile(), QStringLiteral("two-t5-80cm.json"));
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    answer_ = dir.filePath(QStringLiteral("cut.svg"));
    link_->saveTemplate();
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    QFile written(answer_);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    // The start-up build: the parabola of the main window.
    EXPECT_TRUE(written.readAll().contains("Парабола"));

    activate();
    answer_ = dir.filePath(QStringLiteral("key.svg"));
    QTest::keyClick(main_.get(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(answer_));
    EXPECT_EQ(analysis->fixtureFile(), QStringLiteral("two-t5-80cm.json"));
}

TEST_F(AnalysisLinkTest, TheToolTipEndsWithTheWayToTheAnalysisAndClosingTheMainWindowClosesIt) {
    EXPECT_TRUE(main_->findChild<QLineEdit*>(QStringLiteral("KpdBox"))
                    ->toolTip()
                    .endsWith(QLatin1Char('\n') + AnalysisLink::toolTipLine()));
    activate();
    QTest::keyClick(main_.get(), Qt::Key_F2);
    ASSERT_NE(link_->window(), nullptr);
    ASSERT_TRUE(link_->window()->isVisible());
    main_->close();
    EXPECT_FALSE(link_->window()->isVisible());
}

} // namespace
