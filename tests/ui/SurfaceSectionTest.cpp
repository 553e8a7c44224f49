// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis window's page about the reflector's surface on Qt's offscreen platform: a preset,
// the mirror or figures of the user's own give the window the very estimate the command line
// gives for that surface, and the comparison of the presets fills its table best first, takes
// the preset's typical albedo as well as the window's, can be cancelled and is outdated by a
// new build.
#include "SurfaceSection.h"
#include "AnalysisWindow.h"
#include "CliRun.h"
#include "DesignFromInputs.h"
#include "InputDomain.h"
#include "LightEstimator.h"
#include "RealSpinEdit.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using kavrol::AnalysisWindow;
using kavrol::BuildInputs;
using kavrol::SurfaceSection;

const kavrol::LossBreakdown kLosses{40.0, 12.0, 2.0, 14.0, 4.0};

std::unique_ptr<AnalysisWindow> Window(kavrol::physics::EstimateOptions options = {}) {
    kavrol::AnalysisServices services;
    services.estimate = options;
    services.reportError = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    return std::make_unique<AnalysisWindow>(services);
}

bool Settle(const AnalysisWindow& window) {
    return QTest::qWaitFor([&] { return !window.busy(); }, 120000);
}

// The list's entry of a preset's word: the mirror first, then the presets in the table's order.
int EntryOf(std::string_view word) {
    for (std::size_t k = 0; k < kavrol::InputDomain::SurfacePresets.size(); ++k) {
        if (kavrol::InputDomain::SurfacePresets[k].word == word) {
            return static_cast<int>(k) + 1;
        }
    }
    return 0;
}

// The share entering the water that kavrol-cli --physical --json reports for these arguments
// (the start-up design): written with 17 digits, it reads back as the very double.
double CliEfficiency(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--physical", "--json"});
    const kavrol::test::CliRun run = kavrol::test::Cli(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    const QJsonObject physical = QJsonDocument::fromJson(QByteArray::fromStdString(run.out))
                                     .object()
                                     .value(QStringLiteral("physical"))
                                     .toObject();
    return physical.value(QStringLiteral("efficiency")).toDouble(-1.0);
}

TEST(SurfaceSectionTest, TheChosenSurfaceGivesTheCommandLinesEstimate) {
    auto window = Window();
    window->show();
    auto* section = window->findChild<SurfaceSection*>();
    ASSERT_NE(section, nullptr);
    window->follow({BuildInputs{}, kLosses, 0.5});
    ASSERT_TRUE(Settle(*window));
    const double mirror = window->estimate()->efficiency;
    EXPECT_EQ(section->surfaceWord(), "mirror");
    EXPECT_EQ(mirror, CliEfficiency({}));

    struct Case {
        std::string_view word; // the list's entry; "custom" types the figures
        std::vector<std::string> arguments;
        double diffuse = 0.0;
        double gloss = 0.0;
    };
    const std::vector<Case> cases = {
        {"white-matte-paint", {"--surface", "white-matte-paint"}, 1.0, 0.0},
        {"crumpled-foil", {"--surface", "crumpled-foil"}, 0.3, 15.0},
        {"custom", {"--diffuse-share", "0.5", "--gloss-spread", "2"}, 0.5, 2.0},
        {"mirror", {}, 0.0, 0.0},
    };
    const QString typical = QStringLiteral("Типичное альбедо: 0.75");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.word));
        QSignalSpy shown(window.get(), &AnalysisWindow::estimateShown);
        if (c.word == "custom") {
            // Typed by the user: the list switches to the user's own entry.
            window->findChild<kavrol::RealSpinEdit*>(QStringLiteral("DiffuseShare"))
                ->setText(QStringLiteral("0.5"));
            window->findChild<kavrol::RealSpinEdit*>(QStringLiteral("GlossSpread"))
                ->setText(QStringLiteral("2"));
        } else {
            section->choose(EntryOf(c.word));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > 0 && !window->busy(); }, 120000));
        EXPECT_EQ(section->surfaceWord(), c.word);
        EXPECT_EQ(section->surface().diffuseShare, c.diffuse);
        EXPECT_EQ(section->surface().glossSpreadDeg, c.gloss);
        const double shownShare = window->estimate()->efficiency;
        EXPECT_EQ(shownShare, CliEfficiency(c.arguments));
        EXPECT_EQ(shownShare == mirror, c.word == "mirror");
        const QString hint = window->findChild<QLabel*>(QStringLiteral("SurfaceHint"))->text();
        EXPECT_EQ(hint.contains(typical), c.word == "crumpled-foil") << hint.toStdString();
        EXPECT_TRUE(hint.contains(QStringLiteral("0.80"))) << hint.toStdString();
    }
}

TEST(SurfaceSectionTest, TheComparisonFillsBestFirstAndCanBeCancelled) {
    kavrol::physics::EstimateOptions options;
    options.tolerance = 0.01;
    auto window = Window(options);
    window->show();
    auto* section = window->findChild<SurfaceSection*>();
    auto* compare = window->findChild<QPushButton*>(QStringLiteral("CompareSurfaces"));
    auto* cancel = window->findChild<QPushButton*>(QStringLiteral("CancelComparison"));
    auto* table = window->findChild<QTableWidget*>(QStringLiteral("ComparisonTable"));
    auto* note = window->findChild<QLabel*>(QStringLiteral("ComparisonNote"));
    EXPECT_FALSE(compare->isEnabled()); // nothing built yet
    window->findChild<QTabWidget*>(QStringLiteral("Sections"))->setCurrentWidget(section);
    const BuildInputs in{};
    window->follow({in, kLosses, 0.5});
    ASSERT_TRUE(Settle(*window));
    ASSERT_TRUE(compare->isEnabled());

    // Cancelled at once: nothing in the table, and it can start again.
    QSignalSpy shown(section, &SurfaceSection::comparisonShown);
    compare->click();
    EXPECT_TRUE(section->comparing());
    EXPECT_TRUE(cancel->isEnabled());
    cancel->click();
    ASSERT_TRUE(shown.wait(120000));
    EXPECT_FALSE(section->comparing());
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(note->text(), QStringLiteral("Сравнение отменено."));
    EXPECT_TRUE(compare->isEnabled());

    // A new build outdates the comparison under way.
    compare->click();
    window->follow({BuildInputs{}, kLosses, 0.6});
    BuildInputs other = in;
    other.refA += 20;
    window->follow({other, kLosses, 0.6});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !section->comparing(); }, 120000));
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_TRUE(note->text().contains(QStringLiteral("Нажмите"))) << note->text().toStdString();
    window->follow({in, kLosses, 0.5});
    ASSERT_TRUE(Settle(*window));

    // Run to its end: every preset at the window's albedo (0.8) and at its own typical one,
    // best first, each the estimate of that surface on this shape.
    const int before = static_cast<int>(shown.count());
    compare->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.count() > before; }, 240000));
    const auto& rows = section->comparison();
    ASSERT_EQ(rows.size(), 2 * kavrol::InputDomain::SurfacePresets.size());
    ASSERT_EQ(table->rowCount(), static_cast<int>(rows.size()));
    const kavrol::physics::PhysicalDesign design = kavrol::physics::DesignFromInputs(in);
    kavrol::physics::EstimateOptions plain = options;
    plain.bareTube = false;
    plain.bins = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r);
        if (r > 0) {
            EXPECT_GE(rows[r - 1].efficiency, rows[r].efficiency);
        }
        EXPECT_EQ(rows[r].albedo,
                  rows[r].typicalAlbedo
                      ? kavrol::InputDomain::SurfacePresetOf(rows[r].word)->typicalAlbedo
                      : 0.8);
        EXPECT_EQ(table->item(row, 0)->text().toStdString(), rows[r].caption);
        EXPECT_EQ(table->item(row, 3)->text().contains(QStringLiteral("типичное")),
                  rows[r].typicalAlbedo);
        EXPECT_TRUE(table->item(row, 4)->text().startsWith(
            QString::number(rows[r].efficiency * 100, 'f', 1) + QStringLiteral(" % ± ")));
        // Three rows recomputed one by one: the best, the worst and one in between. A preset's
        // two albedos come from one run, so they agree within both bounds, not to the bit.
        if (r == 0 || r == rows.size() / 2 || r + 1 == rows.size()) {
            kavrol::physics::PhysicalDesign d = design;
            d.materials.albedo = rows[r].albedo;
            d.materials.surface = rows[r].surface;
            const auto lone = kavrol::physics::LightEstimator(plain).estimate(d);
            EXPECT_NEAR(rows[r].efficiency, lone.efficiency, rows[r].error + lone.error);
            EXPECT_GT(rows[r].error, 0.0);
        }
    }
    // A matte white hood loses to the mirror-like sheets on this parabola at the same albedo.
    const auto rank = [&](std::string_view word) {
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (rows[r].word == word && !rows[r].typicalAlbedo) {
                return r;
            }
        }
        return rows.size();
    };
    EXPECT_LT(rank("mirror-aluminium"), rank("white-matte-paint"));

    // The chosen surface's row at the window's albedo is in bold, and follows the choice.
    const auto bold = [&] {
        std::vector<std::string_view> words;
        for (int r = 0; r < table->rowCount(); ++r) {
            if (table->item(r, 0)->font().bold()) {
                words.push_back(rows[static_cast<std::size_t>(r)].word);
                EXPECT_FALSE(rows[static_cast<std::size_t>(r)].typicalAlbedo);
            }
        }
        return words;
    };
    EXPECT_TRUE(bold().empty()); // the perfect mirror is no preset
    section->choose(EntryOf("white-matte-paint"));
    EXPECT_EQ(bold(), std::vector<std::string_view>{"white-matte-paint"});
    ASSERT_TRUE(Settle(*window));
    EXPECT_EQ(table->rowCount(), static_cast<int>(rows.size())) << "a surface outdates nothing";

    // Closing the window while a comparison runs stops it and waits for its thread.
    compare->click();
    ASSERT_TRUE(section->comparing());
    window.reset();
}

// On its page Tab runs from the list through both fields to the buttons and the table, and the
// page's texts are all Russian.
TEST(SurfaceSectionTest, TheKeyboardRunsThroughThePage) {
    auto window = Window();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->follow({BuildInputs{}, kLosses, 0.5});
    ASSERT_TRUE(Settle(*window));
    auto* section = window->findChild<SurfaceSection*>();
    window->findChild<QTabWidget*>(QStringLiteral("Sections"))->setCurrentWidget(section);
    auto* list = window->findChild<QComboBox*>(QStringLiteral("SurfacePresets"));
    list->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), list);
    QStringList reached;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // A spin field's line edit has the focus on behalf of its field.
        while (focus != nullptr && focus->objectName().isEmpty()) {
            focus = focus->parentWidget();
        }
        reached << (focus != nullptr ? focus->objectName() : QStringLiteral("-"));
    }
    EXPECT_EQ(reached, (QStringList{QStringLiteral("DiffuseShare"), QStringLiteral("GlossSpread"),
                                    QStringLiteral("CompareSurfaces")}));
    static const QRegularExpression latin(QStringLiteral("[A-Za-z]{2,}"));
    for (const QWidget* w : section->findChildren<QWidget*>()) {
        const QString toolTip = w->toolTip();
        EXPECT_FALSE(latin.match(toolTip).hasMatch()) << toolTip.toStdString();
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            EXPECT_FALSE(latin.match(label->text()).hasMatch()) << label->text().toStdString();
        }
    }
    for (int i = 0; i < list->count(); ++i) {
        EXPECT_FALSE(latin.match(list->itemText(i)).hasMatch());
    }
}

} // namespace
