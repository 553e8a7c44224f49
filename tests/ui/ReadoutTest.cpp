// SPDX-License-Identifier: GPL-3.0-or-later
// The efficiency read-out and the error box.
#include "EfficiencyField.h"
#include "ErrorReport.h"
#include "WindowFixture.h"

#include <QMessageBox>
#include <QPushButton>

using kavrol::EfficiencyField;
using kavrol::ErrorReport;

namespace {

TEST(EfficiencyFormat, RoundsTheReadDecimalHalfAwayFromZero) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(EfficiencyField::format(0.8765, c), QStringLiteral("0.88"));
    EXPECT_EQ(EfficiencyField::format(0.875, c), QStringLiteral("0.88"));
    EXPECT_EQ(EfficiencyField::format(0.145, c), QStringLiteral("0.15"));
    EXPECT_EQ(EfficiencyField::format(0.135, c), QStringLiteral("0.14"));
    EXPECT_EQ(EfficiencyField::format(0.001, c), QStringLiteral("0.00"));
    EXPECT_EQ(EfficiencyField::format(0.0, c), QStringLiteral("0.00"));
    EXPECT_EQ(EfficiencyField::format(0.995, c), QStringLiteral("1.00"));
    EXPECT_EQ(EfficiencyField::format(0.6149999, c), QStringLiteral("0.61"));
    EXPECT_EQ(EfficiencyField::format(1.0, c), QStringLiteral("1.00"));
    EXPECT_EQ(EfficiencyField::format(-0.145, c), QStringLiteral("-0.15"));
    EXPECT_EQ(EfficiencyField::format(-0.001, c), QStringLiteral("0.00"));
}

TEST(EfficiencyFormat, GroupsThousandsWithTheLocaleSeparators) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(EfficiencyField::format(999.994, c), QStringLiteral("999.99"));
    EXPECT_EQ(EfficiencyField::format(999.995, c), QStringLiteral("1,000.00"));
    EXPECT_EQ(EfficiencyField::format(1234567.891, c), QStringLiteral("1,234,567.89"));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(EfficiencyField::format(1234.5, german), QStringLiteral("1.234,50"));
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    EXPECT_EQ(EfficiencyField::format(0.875, russian), QStringLiteral("0,88"));
    EXPECT_EQ(EfficiencyField::format(1234.5, russian),
              QStringLiteral("1") + russian.groupSeparator() + QStringLiteral("234,50"));
}

// Its colours are the code's own settings, seen on the screenshot.
TEST(EfficiencyField, IsADisabledRightAlignedFieldWithTwoDecimals) {
    auto window =
        std::make_unique<kavrol::TMainFrm>(kavrol::WindowServices{{}, [](const QString&) {}, 96});
    EfficiencyField* field = ui(*window).KpdBox;
    EXPECT_FALSE(field->isEnabled());
    EXPECT_TRUE(field->isReadOnly());
    EXPECT_EQ(field->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    field->setValue(0.875);
    EXPECT_EQ(field->text(), QStringLiteral("0.88"));
    EXPECT_EQ(field->value(), 0.875);
}

TEST(ErrorReportRule, AppendsAFullStopAfterCharactersBeyondIt) {
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("Division by zero")),
              QStringLiteral("Division by zero."));
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("Stream write error")),
              QStringLiteral("Stream write error."));
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("Done.")), QStringLiteral("Done."));
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("(x)")), QStringLiteral("(x)"));
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("\"x\"")), QStringLiteral("\"x\""));
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("a-")), QStringLiteral("a-"));
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("a/")), QStringLiteral("a/."));
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("200")), QStringLiteral("200."));
    EXPECT_EQ(ErrorReport::withFullStop(QStringLiteral("Файл")), QStringLiteral("Файл."));
    EXPECT_EQ(ErrorReport::withFullStop(QString()), QString());
}

TEST(ErrorReportBox, HasTheStopIconOneOkButtonAndTheProgramTitle) {
    const auto box = ErrorReport::createBox(nullptr, QStringLiteral("Division by zero"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Kavrol"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text(), QStringLiteral("Division by zero."));
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
}

} // namespace
