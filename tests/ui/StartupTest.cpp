// SPDX-License-Identifier: GPL-3.0-or-later
// The window as it first appears: controls, texts, geometry, tab order and the first build.
#include "CompletingComboBox.h"
#include "EfficiencyField.h"
#include "IntegerSpinEdit.h"
#include "OpticalModel.h"
#include "PictureFile.h"
#include "RealSpinEdit.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

using kavrol::TMainFrm;

namespace {

using StartupTest = WindowFixture;

QStringList items(const QComboBox* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->itemText(i);
    return result;
}

TEST_F(StartupTest, WindowHasItsCaptionSizeAndBorder) {
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("\"Kavrol\""));
    EXPECT_EQ(window->size(), QSize(1050, 840));
    EXPECT_EQ(window->minimumSize(), QSize(1050, 840));
    EXPECT_EQ(window->maximumSize(), QSize(1050, 840));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(window->isVisible()) << "the window is shown by the program, after Init";
}

TEST_F(StartupTest, ControlsStartWithTheirDefaults) {
    auto window = makeWindow();
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(items(ui(*window).RefTypeBox),
              (QStringList{QStringLiteral("Трапеция"), QStringLiteral("Парабола"),
                           QStringLiteral("ZeFo")}));
    EXPECT_EQ(ui(*window).RefTypeBox->currentIndex(), 1);
    EXPECT_EQ(items(ui(*window).LampTypeBox),
              (QStringList{QStringLiteral("Т4"), QStringLiteral("Т5"), QStringLiteral("Т8")}));
    EXPECT_EQ(ui(*window).LampTypeBox->currentIndex(), 1);
    EXPECT_EQ(items(ui(*window).MBox),
              (QStringList{QStringLiteral("1:1"), QStringLiteral("2:1"), QStringLiteral("3:1")}));
    EXPECT_EQ(ui(*window).MBox->currentIndex(), 2);
    EXPECT_EQ(ui(*window).Albedo->text(), QStringLiteral("0.80"));

    struct Field {
        kavrol::IntegerSpinEdit* field;
        int minimum, maximum, step, initial;
    };
    for (const Field& f :
         {Field{ui(*window).RefA, 20, 200, 2, 200}, Field{ui(*window).RefB, 10, 200, 2, 100},
          Field{ui(*window).RefC, 10, 200, 2, 50}, Field{ui(*window).Lamp, 10, 100, 1, 50},
          Field{ui(*window).AquaW, 100, 1000, 1, 500},
          Field{ui(*window).LampH, 50, 1000, 1, 200}}) {
        SCOPED_TRACE(f.field->objectName().toStdString());
        EXPECT_EQ(f.field->minimum(), f.minimum);
        EXPECT_EQ(f.field->maximum(), f.maximum);
        EXPECT_EQ(f.field->singleStep(), f.step);
        EXPECT_EQ(f.field->text(), QString::number(f.initial));
    }
    EXPECT_EQ(ui(*window).Albedo->minimum(), 0.1L);
    EXPECT_EQ(ui(*window).Albedo->maximum(), 1.0L);
    EXPECT_EQ(ui(*window).Albedo->singleStep(), 0.01L);
    EXPECT_TRUE(ui(*window).GridVisible->isChecked());
    EXPECT_TRUE(ui(*window).LampVisible->isChecked());
    EXPECT_TRUE(ui(*window).RayVisible->isChecked());
    EXPECT_FALSE(ui(*window).RefC->isEnabled()) << "Init disables C for the parabola";
    EXPECT_FALSE(ui(*window).KpdBox->isEnabled());
}

TEST_F(StartupTest, TextsAreRussianAsWritten) {
    auto window = makeWindow();
    EXPECT_EQ(ui(*window).GroupBox1->title(), QStringLiteral("Геометрические размеры, мм"));
    EXPECT_EQ(ui(*window).GroupBox2->title(), QStringLiteral("Форма отражателя"));
    EXPECT_EQ(ui(*window).GroupBox3->title(), QStringLiteral("Расстояние до центра лампы, мм"));
    EXPECT_EQ(ui(*window).GroupBox4->title(), QStringLiteral("Тип лампы"));
    EXPECT_EQ(ui(*window).GroupBox5->title(), QStringLiteral("Параметры аквариума, мм"));
    EXPECT_EQ(ui(*window).GroupBox6->title(), QStringLiteral("Отображать"));
    EXPECT_EQ(ui(*window).GroupBox7->title(), QStringLiteral("Масштаб"));
    EXPECT_EQ(ui(*window).GroupBox8->title(), QStringLiteral("Альбедо отражателя"));
    EXPECT_EQ(ui(*window).GroupBox9->title(), QStringLiteral("КПД"));
    EXPECT_EQ(ui(*window).RefCreate->text(), QStringLiteral("Построить"));
    EXPECT_EQ(ui(*window).RefSave->text(), QStringLiteral("Сохранить"));
    EXPECT_EQ(ui(*window).GridVisible->text(), QStringLiteral("Сетку"));
    EXPECT_EQ(ui(*window).LampVisible->text(), QStringLiteral("Лампу"));
    EXPECT_EQ(ui(*window).RayVisible->text(), QStringLiteral("Лучи"));
    EXPECT_EQ(ui(*window).Label1->text(), QStringLiteral("A:"));
    EXPECT_EQ(ui(*window).Label2->text(), QStringLiteral("B:"));
    EXPECT_EQ(ui(*window).Label3->text(), QStringLiteral("C:"));
    EXPECT_EQ(ui(*window).Label4->text(), QStringLiteral("Ширина"));
    EXPECT_EQ(ui(*window).StaticText1->text(), QStringLiteral("От центра лампы до воды"));
}

TEST_F(StartupTest, ControlsSitWhereTheLayoutPutsThem) {
    auto window = makeWindow();
    const std::vector<std::pair<QWidget*, QRect>> expected = {
        {ui(*window).RefType, {8, 8, 193, 177}},      {ui(*window).GroupBox2, {8, 192, 193, 49}},
        {ui(*window).GroupBox8, {8, 248, 193, 49}},   {ui(*window).GroupBox1, {8, 304, 193, 81}},
        {ui(*window).GroupBox4, {8, 392, 193, 49}},   {ui(*window).GroupBox3, {8, 448, 193, 49}},
        {ui(*window).GroupBox7, {8, 504, 193, 49}},   {ui(*window).GroupBox6, {8, 560, 193, 41}},
        {ui(*window).GroupBox5, {8, 608, 193, 97}},   {ui(*window).GroupBox9, {8, 712, 193, 49}},
        {ui(*window).RefCreate, {8, 768, 193, 25}},   {ui(*window).RefSave, {8, 800, 193, 25}},
        {ui(*window).ScrollBox1, {210, 0, 840, 840}}, {ui(*window).RefTypeBox, {8, 16, 177, 21}},
        {ui(*window).Albedo, {8, 16, 177, 21}},       {ui(*window).RefA, {24, 16, 49, 22}},
        {ui(*window).RefB, {128, 16, 49, 22}},        {ui(*window).RefC, {24, 48, 49, 22}},
        {ui(*window).LampTypeBox, {8, 16, 177, 21}},  {ui(*window).Lamp, {8, 16, 177, 22}},
        {ui(*window).MBox, {8, 16, 177, 21}},         {ui(*window).GridVisible, {8, 16, 57, 17}},
        {ui(*window).LampVisible, {72, 16, 57, 17}},  {ui(*window).RayVisible, {136, 16, 49, 17}},
        {ui(*window).AquaW, {56, 16, 129, 22}},       {ui(*window).LampH, {8, 64, 177, 22}},
        {ui(*window).KpdBox, {8, 16, 177, 21}},       {ui(*window).Label1, {8, 18, 15, 16}},
        {ui(*window).Label2, {110, 18, 15, 16}},      {ui(*window).Label3, {8, 51, 15, 16}},
        {ui(*window).Label4, {8, 20, 46, 13}},        {ui(*window).StaticText1, {8, 45, 159, 17}},
    };
    for (const auto& [widget, rect] : expected) {
        SCOPED_TRACE(widget->objectName().toStdString());
        EXPECT_EQ(widget->geometry(), rect);
    }
    EXPECT_EQ(ui(*window).RefA->parentWidget(), ui(*window).GroupBox1);
    EXPECT_EQ(ui(*window).KpdBox->parentWidget(), ui(*window).GroupBox9);
    EXPECT_EQ(ui(*window).LampH->parentWidget(), ui(*window).GroupBox5);
    EXPECT_EQ(ui(*window).ScrollBox1->widget(), ui(*window).Ref);
}

TEST_F(StartupTest, TabGoesThroughTheControlsInTheirOrder) {
    auto window = makeWindow();
    activate(*window);
    // C is disabled for the parabola and so left out; enabled, it comes after B.
    ui(*window).RefB->setFocus();
    QCoreApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* afterB = QApplication::focusWidget();
    EXPECT_TRUE(afterB == ui(*window).Lamp || afterB->parentWidget() == ui(*window).Lamp);
    ui(*window).RefC->setEnabled(true);
    // The scroll box around the picture is no Tab stop: the focus there would show nowhere.
    const std::vector<QWidget*> controls = {
        ui(*window).RefA,       ui(*window).RefB,        ui(*window).RefC,
        ui(*window).Lamp,       ui(*window).RefCreate,   ui(*window).GridVisible,
        ui(*window).RayVisible, ui(*window).LampVisible, ui(*window).RefSave,
        ui(*window).RefTypeBox, ui(*window).LampTypeBox, ui(*window).MBox,
        ui(*window).Albedo,     ui(*window).AquaW,       ui(*window).LampH};
    const auto control = [&](QWidget* focused) -> QWidget* {
        for (QWidget* w = focused; w != nullptr; w = w->parentWidget())
            for (QWidget* c : controls)
                if (w == c)
                    return c;
        return focused;
    };
    ui(*window).RefA->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(control(QApplication::focusWidget()), ui(*window).RefA);
    for (std::size_t i = 1; i <= controls.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* expected = controls[i % controls.size()];
        ASSERT_EQ(control(QApplication::focusWidget()), expected)
            << "after " << controls[i - 1]->objectName().toStdString() << " came "
            << (QApplication::focusWidget()
                    ? QApplication::focusWidget()->objectName().toStdString()
                    : std::string("nothing"));
    }
}

TEST_F(StartupTest, FirstBuildShowsTheDefaultDesignLikeTheCommandLine) {
    auto window = makeWindow(96);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    ASSERT_NE(window->model(), nullptr);

    // The command line builds the same design from BuildInputs' defaults.
    kavrol::OpticalModel headless(96);
    headless.PaintRef(kavrol::BuildInputs{});
    EXPECT_EQ(ui(*window).KpdBox->value(), headless.efficiency());
    EXPECT_EQ(ui(*window).KpdBox->text(), kavrol::EfficiencyField::format(headless.efficiency()));
    EXPECT_EQ(ui(*window).Ref->size(), QSize(820, 820));
    EXPECT_EQ(shownScene(*window), kavrol::PictureFile::toImage(headless.shownImage()));
    EXPECT_EQ(window->model()->quantities().Scale, 1);
    EXPECT_EQ(window->model()->quantities().RefAPx, 200);
}

// The window's texts are Russian, the efficiency's tool tip too.
TEST_F(StartupTest, EfficiencyToolTipGivesTheFiveSharesInRussian) {
    auto window = makeWindow(96);
    ASSERT_NE(window->model(), nullptr);
    const kavrol::LossBreakdown& losses = window->model()->losses();
    const double rays = kavrol::OpticalModel::RayCount;
    const std::vector<std::pair<QString, double>> shares = {
        {QStringLiteral("В воду"), losses.delivered},
        {QStringLiteral("Поглощено отражателем"), losses.absorbed},
        {QStringLiteral("Отражено поверхностью воды"), losses.reflectedAtWater},
        {QStringLiteral("Вернулось в лампу"), losses.returnedToTube},
        {QStringLiteral("Ушло мимо"), losses.escaped},
    };
    const QString tip = ui(*window).KpdBox->toolTip();
    QStringList lines = tip.split(QLatin1Char('\n'));
    // The last line tells how to open the analysis window; the key's name is Latin.
    ASSERT_EQ(lines.size(), 6) << tip.toStdString();
    EXPECT_EQ(lines.takeLast(), QStringLiteral("Анализ: клавиша F2 или правая кнопка мыши"));
    for (std::size_t i = 0; i < shares.size(); ++i) {
        const auto& [what, share] = shares[i];
        EXPECT_EQ(
            lines[static_cast<qsizetype>(i)],
            QStringLiteral("%1: %2 %").arg(what, QString::number(share / rays * 100, 'f', 1)));
    }
    EXPECT_FALSE(
        lines.join(QLatin1Char('\n')).contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
        << "no English words: " << tip.toStdString();
    EXPECT_GT(losses.delivered, 0.0);
    EXPECT_EQ(ui(*window).GroupBox9->toolTip(), tip);
}

TEST_F(StartupTest, EfficiencyToolTipWritesAsciiDigitsWithTheLocaleSeparator) {
    const DefaultLocale arabic(QLocale(QStringLiteral("ar_EG")));
    auto window = makeWindow(96);
    ASSERT_NE(window->model(), nullptr);
    const double share = window->model()->losses().delivered / kavrol::OpticalModel::RayCount;
    const QString first = ui(*window).KpdBox->toolTip().split(QLatin1Char('\n')).constFirst();
    EXPECT_EQ(first, QStringLiteral("В воду: %1 %")
                         .arg(QString::number(share * 100, 'f', 1)
                                  .replace(QLatin1Char('.'), QLocale().decimalPoint())));
}

TEST_F(StartupTest, DefaultIllustrationIsTheEmbeddedParabola) {
    auto window = makeWindow();
    const QImage embedded(QStringLiteral(":/kavrol/default_shape.bmp"));
    ASSERT_FALSE(embedded.isNull());
    EXPECT_EQ(shownIllustration(*window), embedded.convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(ui(*window).RefType->hasScaledContents());
}

TEST_F(StartupTest, DenserScreenGivesALargerPictureAndScrollBars) {
    auto window = makeWindow(144);
    ASSERT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(window->model()->quantities().PixelsPerMm, 6);
    EXPECT_EQ(window->model()->workImage().width(), 1220);
    EXPECT_EQ(ui(*window).Ref->size(), QSize(1220, 1220));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(ui(*window).ScrollBox1->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(ui(*window).ScrollBox1->verticalScrollBar()->isVisible());
}

// The window still comes up; Build and Save then say the picture could not be created.
TEST_F(StartupTest, AFailingStartIsReportedAndTheWindowStillComesUp) {
    auto window = makeWindow(5000);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QStringLiteral("dots per inch must lie between 1 and 1200."));
    EXPECT_EQ(window->model(), nullptr);
    activate(*window);
    QTest::mouseClick(ui(*window).RefCreate, Qt::LeftButton);
    ASSERT_EQ(errors_.size(), 2);
    EXPECT_EQ(errors_[1], QStringLiteral("The picture could not be created."));

    dialogAnswer_ = workPath(QStringLiteral("scene"));
    QTest::mouseClick(ui(*window).RefSave, Qt::LeftButton);
    ASSERT_EQ(errors_.size(), 3);
    EXPECT_EQ(errors_[2], QStringLiteral("The picture could not be created."));
    EXPECT_TRUE(dialogCalls_.empty()) << "no file name is asked for a picture that is not there";
    EXPECT_TRUE(QDir(folder_.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(StartupTest, ExitReleasesTheModelAndBuildAndSaveSaySo) {
    auto window = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_TRUE(window->close());
    EXPECT_EQ(window->model(), nullptr);
    window->PaintRef();
    dialogAnswer_ = workPath(QStringLiteral("scene"));
    window->SaveAs();
    EXPECT_EQ(errors_, (QStringList{QStringLiteral("The picture has been released."),
                                    QStringLiteral("The picture has been released.")}));
    EXPECT_TRUE(dialogCalls_.empty());
    EXPECT_TRUE(QDir(folder_.path()).entryList(QDir::Files).isEmpty());
}

} // namespace
