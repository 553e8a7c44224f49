// SPDX-License-Identifier: GPL-3.0-or-later
// The window's fields and lists against the input table: ranges, steps, start-up values,
// captions, and values past either end of a field's range held to that end.
#include "CompletingComboBox.h"
#include "InputDomain.h"
#include "IntegerSpinEdit.h"
#include "RealSpinEdit.h"
#include "WindowFixture.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using kavrol::ChoiceInput;
using kavrol::CompletingComboBox;
using kavrol::IntegerInput;
using kavrol::IntegerSpinEdit;
using kavrol::RealSpinEdit;
namespace D = kavrol::InputDomain;

namespace {

using InputDomainFieldTest = WindowFixture;

TEST_F(InputDomainFieldTest, IntegerFieldsTakeTheirRangeStepAndStartUpValueFromTheTable) {
    const auto window = makeWindow();
    const std::vector<std::pair<const char*, IntegerInput>> fields = {
        {"RefA", D::RefA}, {"RefB", D::RefB},   {"RefC", D::RefC},
        {"Lamp", D::Lamp}, {"LampH", D::LampH}, {"AquaW", D::AquaW}};
    for (const auto& [name, input] : fields) {
        SCOPED_TRACE(name);
        auto* field = window->findChild<IntegerSpinEdit*>(QLatin1String(name));
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->minimum(), input.minimum);
        EXPECT_EQ(field->maximum(), input.maximum);
        EXPECT_EQ(field->singleStep(), input.step);
        EXPECT_EQ(field->value(), input.initial);
        field->setValue(input.maximum + 1);
        EXPECT_EQ(field->value(), input.maximum);
        field->setValue(input.minimum - 1);
        EXPECT_EQ(field->value(), input.minimum);
    }
}

TEST_F(InputDomainFieldTest, TheAlbedoFieldTakesItsRangeStepAndStartUpValueFromTheTable) {
    const auto window = makeWindow();
    auto* albedo = window->findChild<RealSpinEdit*>(QStringLiteral("Albedo"));
    ASSERT_NE(albedo, nullptr);
    EXPECT_EQ(albedo->minimum(), D::Albedo.minimum);
    EXPECT_EQ(albedo->maximum(), D::Albedo.maximum);
    EXPECT_EQ(albedo->singleStep(), D::Albedo.step);
    EXPECT_EQ(albedo->value(), D::Albedo.initial);
    albedo->setValue(D::Albedo.maximum + 0.5L);
    EXPECT_EQ(albedo->value(), D::Albedo.maximum);
    albedo->setValue(D::Albedo.minimum - 0.05L);
    EXPECT_EQ(albedo->value(), D::Albedo.minimum);
}

TEST_F(InputDomainFieldTest, ListsShowTheTablesCaptionsWithItsStartUpSelection) {
    const auto window = makeWindow();
    const std::vector<std::pair<const char*, ChoiceInput>> lists = {
        {"RefTypeBox", D::Shape}, {"LampTypeBox", D::Tube}, {"MBox", D::Scale}};
    for (const auto& [name, input] : lists) {
        SCOPED_TRACE(name);
        auto* list = window->findChild<CompletingComboBox*>(QLatin1String(name));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->count(), ChoiceInput::Count);
        for (int k = 0; k < ChoiceInput::Count; ++k) {
            const std::string_view caption = input.captions[static_cast<std::size_t>(k)];
            EXPECT_EQ(list->itemText(k).toStdString(), std::string(caption));
        }
        EXPECT_EQ(list->currentIndex(), input.initial);
    }
}

} // namespace
