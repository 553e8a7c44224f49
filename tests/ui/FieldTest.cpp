// SPDX-License-Identifier: GPL-3.0-or-later
// The integer and real fields: reading, clamping, stepping, keys and the build values they give.
#include "EfficiencyField.h"
#include "IntegerSpinEdit.h"
#include "OpticalModel.h"
#include "RealSpinEdit.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using kavrol::IntegerSpinEdit;
using kavrol::RealSpinEdit;

namespace {

// An active window for each test.
class FieldTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        window = makeWindow();
        activate(*window);
    }
    void TearDown() override {
        window.reset();
        WindowFixture::TearDown();
    }
    std::unique_ptr<kavrol::TMainFrm> window;
};

// For the window made under another locale.
using ArabicFieldTest = WindowFixture;

void typeInto(QWidget* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// Presses and releases a key that carries the given text, as the keyboard sends it.
void chord(QWidget* widget, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

double efficiencyWithAlbedo(long double albedo) {
    kavrol::OpticalModel model(96);
    kavrol::BuildInputs inputs;
    inputs.albedo = albedo;
    model.PaintRef(inputs);
    return model.efficiency();
}

TEST(IntegerSpinEditParse, ReadsWholeDecimalNumbersOnly) {
    EXPECT_EQ(IntegerSpinEdit::parse(QStringLiteral("250")), 250);
    EXPECT_EQ(IntegerSpinEdit::parse(QStringLiteral("+7")), 7);
    EXPECT_EQ(IntegerSpinEdit::parse(QStringLiteral("-12")), -12);
    EXPECT_EQ(IntegerSpinEdit::parse(QStringLiteral("  42")), 42);
    EXPECT_EQ(IntegerSpinEdit::parse(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(IntegerSpinEdit::parse(QStringLiteral("-2147483648")), -2147483647 - 1);
    for (const char* bad : {"", "-", "+", ".", "1.5", "12a", "2147483648", "1 2", "42 "})
        EXPECT_FALSE(IntegerSpinEdit::parse(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(RealSpinEditParse, ReadsTheLocaleSeparatorAndExponents) {
    const QChar point('.');
    EXPECT_EQ(RealSpinEdit::parse(QStringLiteral("0.855"), point), 0.855L);
    EXPECT_EQ(RealSpinEdit::parse(QStringLiteral("+.5"), point), 0.5L);
    EXPECT_EQ(RealSpinEdit::parse(QStringLiteral("5e-1"), point), 0.5L);
    EXPECT_EQ(RealSpinEdit::parse(QStringLiteral("1E0"), point), 1.0L);
    EXPECT_EQ(RealSpinEdit::parse(QStringLiteral("0,855"), QChar(',')), 0.855L);
    for (const char* bad : {"", "-", "+", "e", "0,855", "inf", "nan", "1e99999", "0.8x"})
        EXPECT_FALSE(RealSpinEdit::parse(QString::fromLatin1(bad), point).has_value()) << bad;
    EXPECT_FALSE(RealSpinEdit::parse(QStringLiteral("0.855"), QChar(',')).has_value());
}

TEST_F(FieldTest, ClearedFieldReadsAsItsMinimumAndStaysEmpty) {
    typeInto(ui(*window).Lamp, QString());
    EXPECT_EQ(ui(*window).Lamp->text(), QString());
    EXPECT_EQ(ui(*window).Lamp->value(), 10);
    QTest::mouseClick(ui(*window).RefCreate, Qt::LeftButton);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    // Lamp 10 mm at scale 1 puts the tube's centre 10 pixels below the top line at 10.
    EXPECT_EQ(window->model()->quantities().LampY, 20);
    EXPECT_EQ(ui(*window).Lamp->text(), QString()) << "reading and losing the focus keep the text";
}

TEST_F(FieldTest, ValueIsReadUnclampedAndClampedWhenTheFocusLeaves) {
    typeInto(ui(*window).RefA, QStringLiteral("250"));
    EXPECT_EQ(ui(*window).RefA->value(), 250) << "reading does not clamp";
    window->PaintRef();
    EXPECT_EQ(window->model()->quantities().RefAPx, 250) << "a build without a focus change";

    // Clicking the build button takes the focus, so the field clamps before the build reads it.
    ui(*window).RefA->setFocus();
    QTest::mouseClick(ui(*window).RefCreate, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), ui(*window).RefCreate);
    EXPECT_EQ(window->model()->quantities().RefAPx, 200);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("200"));
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

TEST_F(FieldTest, TextsThatDoNotConvertSurviveTheFocusLeaving) {
    typeInto(ui(*window).RefB, QStringLiteral("1.5"));
    QTest::mouseClick(ui(*window).RefCreate, Qt::LeftButton);
    EXPECT_EQ(ui(*window).RefB->text(), QStringLiteral("1.5"));
    EXPECT_EQ(window->model()->quantities().RefBPx, 10);
}

TEST_F(FieldTest, UpAndDownStepFromTheValueReadAndClamp) {
    // The up button of RefA at its maximum.
    ui(*window).RefA->setValue(200);
    QTest::mouseClick(ui(*window).RefA, Qt::LeftButton, {},
                      QPoint(ui(*window).RefA->width() - 4, 4));
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("200"));
    // The down button of RefB at 11 gives its minimum 10.
    ui(*window).RefB->setText(QStringLiteral("11"));
    QTest::mouseClick(ui(*window).RefB, Qt::LeftButton, {},
                      QPoint(ui(*window).RefB->width() - 4, ui(*window).RefB->height() - 4));
    EXPECT_EQ(ui(*window).RefB->text(), QStringLiteral("10"));
    // The buttons work at all: one step of 2 up from 100.
    ui(*window).RefB->setText(QStringLiteral("100"));
    QTest::mouseClick(ui(*window).RefB, Qt::LeftButton, {},
                      QPoint(ui(*window).RefB->width() - 4, 4));
    EXPECT_EQ(ui(*window).RefB->text(), QStringLiteral("102"));
    // The arrow keys do the same, from a cleared field too.
    ui(*window).Lamp->setFocus();
    ui(*window).Lamp->setText(QString());
    QTest::keyClick(ui(*window).Lamp, Qt::Key_Up);
    EXPECT_EQ(ui(*window).Lamp->text(), QStringLiteral("11"));
    QTest::keyClick(ui(*window).Lamp, Qt::Key_Down);
    QTest::keyClick(ui(*window).Lamp, Qt::Key_Down);
    EXPECT_EQ(ui(*window).Lamp->text(), QStringLiteral("10"));
    ui(*window).AquaW->setFocus();
    ui(*window).AquaW->setText(QStringLiteral("5000"));
    QTest::keyClick(ui(*window).AquaW, Qt::Key_Down);
    EXPECT_EQ(ui(*window).AquaW->text(), QStringLiteral("1000"));
}

TEST_F(FieldTest, IntegerFieldsAcceptNumberKeysAndBeepAtOthers) {
    QSignalSpy beeps(ui(*window).RefC, &kavrol::SpinField::refused);
    ui(*window).RefC->setEnabled(true);
    typeInto(ui(*window).RefC, QStringLiteral("-1+2.3"));
    EXPECT_EQ(ui(*window).RefC->text(), QStringLiteral("-1+2.3"));
    EXPECT_EQ(beeps.count(), 0);
    QTest::keyClicks(ui(*window).RefC, QStringLiteral("x ,"));
    EXPECT_EQ(ui(*window).RefC->text(), QStringLiteral("-1+2.3")) << "refused keys leave the text";
    EXPECT_EQ(beeps.count(), 3);
    QTest::keyClick(ui(*window).RefC, Qt::Key_Backspace);
    EXPECT_EQ(ui(*window).RefC->text(), QStringLiteral("-1+2."));
    EXPECT_EQ(beeps.count(), 3);
    QTest::keyClick(ui(*window).RefC, Qt::Key_Return);
    EXPECT_EQ(beeps.count(), 4) << "Enter beeps in an integer field";
    QTest::keyClick(ui(*window).RefC, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(beeps.count(), 5);
}

TEST_F(FieldTest, AlbedoIsUsedAsTyped) {
    typeInto(ui(*window).Albedo, QStringLiteral("0.855"));
    EXPECT_EQ(ui(*window).Albedo->value(), 0.855L);
    QTest::mouseClick(ui(*window).RefCreate, Qt::LeftButton);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0.855")) << "in range: the text stays";
    EXPECT_EQ(ui(*window).KpdBox->value(), efficiencyWithAlbedo(0.855L));
    if (efficiencyWithAlbedo(0.855L) != efficiencyWithAlbedo(0.86L)) {
        EXPECT_NE(ui(*window).KpdBox->value(), efficiencyWithAlbedo(0.86L))
            << "the display's two decimals must not reach the build";
    }
}

TEST_F(FieldTest, AlbedoClampsWhenTheFocusLeavesAndReadsALoneSignAsMinimum) {
    typeInto(ui(*window).Albedo, QStringLiteral("1.5"));
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("1.5"));
    EXPECT_EQ(ui(*window).Albedo->value(), 1.5L);
    ui(*window).RefA->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("1.00"));

    typeInto(ui(*window).Albedo, QStringLiteral("-"));
    EXPECT_EQ(ui(*window).Albedo->value(), 0.1L);
    QTest::mouseClick(ui(*window).RefCreate, Qt::LeftButton);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("-"));
    EXPECT_EQ(ui(*window).KpdBox->value(), efficiencyWithAlbedo(0.1L));
}

TEST_F(FieldTest, AlbedoStepsByAHundredthAndFiltersKeys) {
    ui(*window).Albedo->setFocus();
    QTest::keyClick(ui(*window).Albedo, Qt::Key_Up);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0.81"));
    ui(*window).Albedo->setText(QStringLiteral("1"));
    QTest::keyClick(ui(*window).Albedo, Qt::Key_Up);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("1.00"));
    ui(*window).Albedo->setText(QStringLiteral("0.1"));
    QTest::keyClick(ui(*window).Albedo, Qt::Key_Down);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0.10"));

    QSignalSpy beeps(ui(*window).Albedo, &kavrol::SpinField::refused);
    typeInto(ui(*window).Albedo, QStringLiteral("0.5e-1"));
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0.5e-1"));
    EXPECT_EQ(beeps.count(), 0);
    QTest::keyClicks(ui(*window).Albedo, QStringLiteral(".Ex"));
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0.5e-1"))
        << "a second separator, a second exponent and a letter are refused";
    EXPECT_EQ(beeps.count(), 3);
    QTest::keyClick(ui(*window).Albedo, Qt::Key_Return);
    QTest::keyClick(ui(*window).Albedo, Qt::Key_Escape);
    EXPECT_EQ(beeps.count(), 3) << "Enter and Escape go to the window without a beep";
}

// Fields made under the Russian locale take its comma: the integer field as a key it lets
// through, the real field as the only separator it reads.
TEST(SpinFieldLocale, FieldsTakeTheLocaleDecimalSeparator) {
    const DefaultLocale russian(QLocale(QLocale::Russian, QLocale::Russia));
    IntegerSpinEdit integer;
    QSignalSpy beeps(&integer, &kavrol::SpinField::refused);
    integer.setRange(10, 200);
    QTest::keyClicks(&integer, QStringLiteral("1,."));
    EXPECT_EQ(integer.text(), QStringLiteral("1,"));
    EXPECT_EQ(beeps.count(), 1);

    RealSpinEdit real;
    real.setRange(0.1L, 1.0L);
    real.setValue(0.8L);
    EXPECT_EQ(real.text(), QStringLiteral("0,80"));
    real.setText(QStringLiteral("0.855"));
    EXPECT_EQ(real.value(), 0.1L) << "a foreign separator does not convert";
    real.setText(QStringLiteral("0,855"));
    EXPECT_EQ(real.value(), 0.855L);
}

TEST_F(FieldTest, AltChordsThatTypeTextAreFilteredLikePlainKeys) {
    typeInto(ui(*window).RefA, QStringLiteral("12"));
    QWidget* keyboard = QApplication::focusWidget();
    ASSERT_EQ(keyboard, ui(*window).RefA) << "keys go to the field itself";
    QSignalSpy beeps(ui(*window).RefA, &kavrol::SpinField::refused);

    chord(keyboard, Qt::Key_X, QStringLiteral("x"), Qt::AltModifier);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("12"));
    EXPECT_EQ(beeps.count(), 1);
    // AltGr arrives as Ctrl+Alt and types a character.
    chord(keyboard, Qt::Key_Q, QStringLiteral("@"), Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("12"));
    EXPECT_EQ(beeps.count(), 2);
    chord(keyboard, Qt::Key_M, QStringLiteral("m"), Qt::MetaModifier);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("12"));
    EXPECT_EQ(beeps.count(), 3);
    // A key the filter takes stays a key the filter takes, with Alt held too.
    chord(keyboard, Qt::Key_3, QStringLiteral("3"), Qt::AltModifier);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("123"));
    EXPECT_EQ(beeps.count(), 3);

    // Shortcuts without text, and Ctrl without Alt, still reach the edit.
    chord(keyboard, Qt::Key_A, QString(QChar(0x01)), Qt::ControlModifier);
    const QLineEdit* edit = ui(*window).RefA->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("123"));
    chord(keyboard, Qt::Key_X, QStringLiteral("x"), Qt::ControlModifier);
    EXPECT_EQ(ui(*window).RefA->text(), QString()) << "Ctrl+X cut the selection";
    chord(keyboard, Qt::Key_V, QStringLiteral("V"), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(beeps.count(), 3);

    // The real field too: Alt+E would be an exponent's letter typed without the filter's consent.
    typeInto(ui(*window).Albedo, QStringLiteral("0.5e1"));
    QSignalSpy albedoBeeps(ui(*window).Albedo, &kavrol::SpinField::refused);
    chord(QApplication::focusWidget(), Qt::Key_E, QStringLiteral("e"), Qt::AltModifier);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0.5e1"));
    EXPECT_EQ(albedoBeeps.count(), 1);
}

TEST_F(FieldTest, AContextMenuOrAnotherWindowLeavesTheFieldUnclamped) {
    typeInto(ui(*window).RefA, QStringLiteral("250"));
    ASSERT_EQ(QApplication::focusWidget(), ui(*window).RefA);

    // A menu pops up over the field, then closes; the field keeps the focus throughout.
    QMenu menu;
    menu.addAction(QStringLiteral("Копировать"));
    menu.popup(ui(*window).RefA->mapToGlobal(QPoint(4, 4)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("250")) << "a popup does not clamp";
    menu.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), ui(*window).RefA);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("250"));

    // Another window becomes active, and then this one again.
    ui(*window).RefA->setText(QStringLiteral("250"));
    QWidget other;
    other.resize(100, 100);
    activate(other);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("250"))
        << "switching windows does not clamp";
    activate(*window);
    EXPECT_EQ(QApplication::focusWidget(), ui(*window).RefA);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("250"));

    // Leaving the field does.
    QTest::keyClick(ui(*window).RefA, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), ui(*window).RefA);
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("200"));
}

// In Arabic locales Qt writes numbers with Arabic-Indic digits, which the fields do not read.
TEST_F(ArabicFieldTest, AlbedoWritesAsciiDigitsWithAnArabicSeparatorAndReadsThemBack) {
    const DefaultLocale arabic(QLocale(QStringLiteral("ar_EG")));
    const QString separator = QLocale().decimalPoint();
    ASSERT_EQ(separator, QString(QChar(0x066B))) << "the Arabic decimal separator";
    auto window = makeWindow();
    activate(*window);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0") + separator + QStringLiteral("80"));
    EXPECT_EQ(ui(*window).Albedo->value(), 0.8L);

    ui(*window).Albedo->setFocus();
    QTest::keyClick(ui(*window).Albedo, Qt::Key_Up);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0") + separator + QStringLiteral("81"));
    EXPECT_EQ(ui(*window).Albedo->value(), 0.81L);
    QTest::keyClick(ui(*window).Albedo, Qt::Key_Down);
    QTest::keyClick(ui(*window).Albedo, Qt::Key_Down);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0") + separator + QStringLiteral("79"));

    QTest::mouseClick(ui(*window).RefCreate, Qt::LeftButton);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(ui(*window).KpdBox->value(), efficiencyWithAlbedo(0.79L));
    // The read-out keeps ASCII digits with the locale's separator as well.
    EXPECT_EQ(ui(*window).KpdBox->text(),
              kavrol::EfficiencyField::format(efficiencyWithAlbedo(0.79L), QLocale::c())
                  .replace(QLatin1Char('.'), separator));
}

TEST_F(ArabicFieldTest, IntegerFieldsWriteAsciiDigitsInAnArabicLocale) {
    const DefaultLocale arabic(QLocale(QStringLiteral("ar_EG")));
    auto window = makeWindow();
    activate(*window);
    EXPECT_EQ(ui(*window).RefB->text(), QStringLiteral("100"));
    ui(*window).RefB->setFocus();
    QTest::keyClick(ui(*window).RefB, Qt::Key_Up);
    EXPECT_EQ(ui(*window).RefB->text(), QStringLiteral("102"));
    EXPECT_EQ(ui(*window).RefB->value(), 102);
    typeInto(ui(*window).RefA, QStringLiteral("250"));
    ui(*window).RefB->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(ui(*window).RefA->text(), QStringLiteral("200"));
    EXPECT_EQ(ui(*window).RefA->value(), 200);
}

} // namespace
