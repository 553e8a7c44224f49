// SPDX-License-Identifier: GPL-3.0-or-later
// The drop-down lists: completion, closing runs the illustration handler, the picture files.
#include "CompletingComboBox.h"
#include "EfficiencyField.h"
#include "IntegerSpinEdit.h"
#include "OpticalModel.h"
#include "ShapeIllustration.h"
#include "WindowFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

using ListTest = WindowFixture;

// Types text key by key, letters outside ASCII too.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

const QString ShapePictures[] = {QStringLiteral("Трапеция.bmp"), QStringLiteral("Парабола.bmp"),
                                 QStringLiteral("ZeFo.bmp")};

QString missing(const QString& folder, const QString& name) {
    return QStringLiteral("Cannot open file \"%1/%2\". No such file or directory.")
        .arg(folder, name);
}

TEST_F(ListTest, EachShapeLoadsItsPictureAndSetsC) {
    copyShapePictures();
    auto window = makeWindow();
    const QImage scene = shownScene(*window);
    const double efficiency = ui(*window).KpdBox->value();

    for (int shape : {0, 1, 2}) {
        SCOPED_TRACE(shape);
        ui(*window).RefTypeBox->setCurrentIndex(shape);
        openAndClose(ui(*window).RefTypeBox);
        EXPECT_EQ(shownIllustration(*window), resourcePicture(ShapePictures[shape]));
        EXPECT_EQ(ui(*window).RefC->isEnabled(), shape != 1) << "C is for the parabola only";
    }

    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_EQ(shownScene(*window), scene) << "closing a list never builds";
    EXPECT_EQ(ui(*window).KpdBox->value(), efficiency);
}

TEST_F(ListTest, SelectionWithoutTheDropDownDoesNotLoad) {
    copyShapePictures();
    auto window = makeWindow();
    const QImage before = shownIllustration(*window);
    ui(*window).RefTypeBox->setCurrentIndex(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(shownIllustration(*window), before);
    EXPECT_FALSE(ui(*window).RefC->isEnabled());
}

TEST_F(ListTest, ClosingTheLampListReloadsTheShapePicture) {
    copyShapePictures();
    auto window = makeWindow();
    ui(*window).RefTypeBox->setCurrentIndex(2);
    openAndClose(ui(*window).RefTypeBox);
    ASSERT_EQ(shownIllustration(*window), resourcePicture(QStringLiteral("ZeFo.bmp")));

    // The file changes on disk; closing the lamp list, unchanged, reads it again.
    ASSERT_TRUE(QFile::remove(workPath(QStringLiteral("ZeFo.bmp"))));
    ASSERT_TRUE(QFile::copy(workPath(QStringLiteral("Трапеция.bmp")),
                            workPath(QStringLiteral("ZeFo.bmp"))));
    ui(*window).RefC->setEnabled(false);
    openAndClose(ui(*window).LampTypeBox);
    EXPECT_EQ(shownIllustration(*window), resourcePicture(QStringLiteral("Трапеция.bmp")));
    EXPECT_TRUE(ui(*window).RefC->isEnabled());
    EXPECT_EQ(ui(*window).LampTypeBox->currentIndex(), 1);

    ASSERT_TRUE(QFile::remove(workPath(QStringLiteral("ZeFo.bmp"))));
    ASSERT_TRUE(QFile::copy(workPath(QStringLiteral("Парабола.bmp")),
                            workPath(QStringLiteral("ZeFo.bmp"))));
    openAndClose(ui(*window).MBox);
    EXPECT_EQ(shownIllustration(*window), resourcePicture(QStringLiteral("Парабола.bmp")));
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

TEST_F(ListTest, MissingPicturesAreReportedWithTheFullPath) {
    auto window = makeWindow();
    const QImage before = shownIllustration(*window);
    const QString folder = QDir::currentPath();

    ui(*window).RefTypeBox->setCurrentIndex(0);
    openAndClose(ui(*window).RefTypeBox);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], missing(folder, QStringLiteral("Трапеция.bmp")));
    EXPECT_FALSE(ui(*window).RefC->isEnabled()) << "C keeps its state when the load fails";
    EXPECT_EQ(shownIllustration(*window), before);

    openAndClose(ui(*window).LampTypeBox);
    ui(*window).RefTypeBox->setCurrentIndex(2);
    openAndClose(ui(*window).MBox);
    ui(*window).RefTypeBox->setCurrentIndex(1);
    openAndClose(ui(*window).RefTypeBox);
    ASSERT_EQ(errors_.size(), 4);
    EXPECT_EQ(errors_[1], missing(folder, QStringLiteral("Трапеция.bmp")));
    EXPECT_EQ(errors_[2], missing(folder, QStringLiteral("ZeFo.bmp")));
    EXPECT_EQ(errors_[3], missing(folder, QStringLiteral("Парабола.bmp")));

    // The build still reads C, greyed out or not.
    ui(*window).RefTypeBox->setCurrentIndex(0);
    window->PaintRef();
    EXPECT_EQ(errors_.size(), 4);
    EXPECT_EQ(window->model()->quantities().RefCPx, 50);
}

TEST_F(ListTest, AFileThatIsNoBitmapIsReported) {
    copyShapePictures();
    auto window = makeWindow();
    const QImage before = shownIllustration(*window);
    QFile broken(workPath(QStringLiteral("Трапеция.bmp")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("BM this is not a bitmap");
    broken.close();
    ui(*window).RefTypeBox->setCurrentIndex(0);
    openAndClose(ui(*window).RefTypeBox);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QStringLiteral("Bitmap image is not valid."));
    EXPECT_EQ(shownIllustration(*window), before);
    EXPECT_FALSE(ui(*window).RefC->isEnabled());
}

TEST_F(ListTest, AnUnreadableNameGivesTheSystemReason) {
    // A folder under the picture's name opens as no file.
    ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("ZeFo.bmp")));
    try {
        kavrol::ShapeIllustration::load(QStringLiteral("ZeFo.bmp"));
        FAIL() << "a folder must not load";
    } catch (const std::runtime_error& error) {
        const QString text = QString::fromUtf8(error.what());
        EXPECT_TRUE(text.startsWith(
            QStringLiteral("Cannot open file \"%1/ZeFo.bmp\". ").arg(QDir::currentPath())))
            << error.what();
        EXPECT_FALSE(text.endsWith(QLatin1Char('.')));
    }
}

TEST_F(ListTest, TypingCompletesAnItemOrSelectsNone) {
    copyShapePictures();
    auto window = makeWindow();
    activate(*window);
    kavrol::CompletingComboBox* list = ui(*window).RefTypeBox;
    list->setFocus();
    list->lineEdit()->selectAll();
    typeText(list->lineEdit(), QStringLiteral("z"));
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(list->currentText(), QStringLiteral("ZeFo"));
    EXPECT_EQ(list->lineEdit()->selectedText(), QStringLiteral("eFo"));

    list->lineEdit()->selectAll();
    typeText(list->lineEdit(), QStringLiteral("Пир"));
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(list->currentText(), QStringLiteral("Пир")) << "the typed text stays";

    // A list without a selection loads nothing when it closes.
    const QImage before = shownIllustration(*window);
    const bool cEnabled = ui(*window).RefC->isEnabled();
    openAndClose(list);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(shownIllustration(*window), before);
    EXPECT_EQ(ui(*window).RefC->isEnabled(), cEnabled);
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();

    list->lineEdit()->selectAll();
    typeText(list->lineEdit(), QStringLiteral("Тр"));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(list->currentText(), QStringLiteral("Трапеция"));
}

TEST_F(ListTest, ABuildWithNoScaleSelectedFailsAndKeepsThePicture) {
    auto window = makeWindow();
    activate(*window);
    const QImage scene = shownScene(*window);
    const double efficiency = ui(*window).KpdBox->value();
    ui(*window).RayVisible->setChecked(false);
    ui(*window).MBox->setFocus();
    ui(*window).MBox->lineEdit()->selectAll();
    typeText(ui(*window).MBox->lineEdit(), QStringLiteral("5"));
    ASSERT_EQ(ui(*window).MBox->currentIndex(), -1);
    window->PaintRef();
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_[0], QStringLiteral("Division by zero."));
    EXPECT_EQ(shownScene(*window), scene);
    EXPECT_EQ(ui(*window).KpdBox->value(), efficiency);
}

// Shows a list's drop-down and waits until it can take clicks: Qt ignores a release that comes
// within a double-click interval of the opening.
QWidget* openDropDown(kavrol::CompletingComboBox* list) {
    list->showPopup();
    QWidget* popup = list->view()->window();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(popup));
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    EXPECT_EQ(QApplication::activePopupWidget(), popup);
    return popup;
}

// Every way a drop-down can close runs the handler once, after the selection it made.
class ListCloseTest : public ListTest {
protected:
    void SetUp() override {
        ListTest::SetUp();
        copyShapePictures();
        window_ = makeWindow();
        activate(*window_);
        list_ = ui(*window_).RefTypeBox;
        closes_ = std::make_unique<QSignalSpy>(list_, &kavrol::CompletingComboBox::dropDownClosed);
    }
    void TearDown() override {
        closes_.reset();
        window_.reset();
        ListTest::TearDown();
    }
    // Lets the deferred report run, and anything else that is queued.
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    // The drop-down closed, reported closing once, and the shape's picture and C were loaded.
    void expectClosedAndLoaded(const QWidget* popup, int shape) {
        settle();
        EXPECT_FALSE(popup->isVisible());
        EXPECT_EQ(list_->currentIndex(), shape);
        EXPECT_EQ(closes_->count(), 1);
        EXPECT_EQ(shownIllustration(*window_), resourcePicture(ShapePictures[shape]));
        EXPECT_EQ(ui(*window_).RefC->isEnabled(), shape != 1);
        EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    }

    std::unique_ptr<kavrol::TMainFrm> window_;
    kavrol::CompletingComboBox* list_ = nullptr;
    std::unique_ptr<QSignalSpy> closes_;
};

TEST_F(ListCloseTest, EscapeClosesAndLoadsTheCurrentShape) {
    list_->setCurrentIndex(2);
    QWidget* popup = openDropDown(list_);
    QTest::keyClick(list_->view(), Qt::Key_Escape);
    expectClosedAndLoaded(popup, 2);
}

// Qt closes the drop-down first and applies the item chosen with Enter afterwards.
TEST_F(ListCloseTest, EnterOnAnItemSelectsItBeforeTheHandlerRuns) {
    QWidget* popup = openDropDown(list_);
    list_->view()->setCurrentIndex(list_->model()->index(0, 0));
    QTest::keyClick(list_->view(), Qt::Key_Return);
    expectClosedAndLoaded(popup, 0);
}

TEST_F(ListCloseTest, ClickingAnItemSelectsItBeforeTheHandlerRuns) {
    QWidget* popup = openDropDown(list_);
    QAbstractItemView* view = list_->view();
    const QPoint item = view->visualRect(list_->model()->index(0, 0)).center();
    QTest::mouseMove(view->viewport(), item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item);
    expectClosedAndLoaded(popup, 0);
}

TEST_F(ListCloseTest, ClickingOutsideClosesAndLoadsTheCurrentShape) {
    list_->setCurrentIndex(0);
    QWidget* popup = openDropDown(list_);
    // The illustration, well away from the list and its drop-down.
    QTest::mouseClick(popup, Qt::LeftButton, {},
                      popup->mapFromGlobal(ui(*window_).RefType->mapToGlobal(QPoint(96, 40))));
    expectClosedAndLoaded(popup, 0);
}

TEST_F(ListCloseTest, APopupClosedFromOutsideTheListIsReported) {
    list_->setCurrentIndex(2);
    QWidget* popup = openDropDown(list_);
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    // As when the system dismisses the popup: the list's own hidePopup() is not called.
    QApplication::activePopupWidget()->close();
    expectClosedAndLoaded(popup, 2);

    // Opening again and closing through the list reports the second close-up once too.
    list_->setCurrentIndex(1);
    openDropDown(list_);
    list_->hidePopup();
    list_->hidePopup();
    settle();
    EXPECT_EQ(closes_->count(), 2);
    EXPECT_FALSE(ui(*window_).RefC->isEnabled());
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
}

TEST_F(ListCloseTest, HidingTheWindowWithoutAnOpenDropDownReportsNothing) {
    list_->setCurrentIndex(0);
    window_->hide();
    settle();
    EXPECT_EQ(closes_->count(), 0);
}

TEST_F(ListTest, DeletingBackToTheStartOfAnItemSelectsIt) {
    auto window = makeWindow();
    activate(*window);
    kavrol::CompletingComboBox* list = ui(*window).RefTypeBox;
    QLineEdit* edit = list->lineEdit();
    list->setFocus();
    edit->selectAll();
    typeText(edit, QStringLiteral("z"));
    ASSERT_EQ(list->currentText(), QStringLiteral("ZeFo"));
    // Backspace removes the completed "eFo"; "Z" still begins "ZeFo".
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(list->currentText(), QStringLiteral("Z"));
    EXPECT_EQ(list->currentIndex(), 2);

    edit->selectAll();
    typeText(edit, QStringLiteral("Па"));
    ASSERT_EQ(list->currentIndex(), 1);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(list->currentText(), QStringLiteral("Па")) << "a deletion does not complete again";
    EXPECT_EQ(list->currentIndex(), 1);
    typeText(edit, QStringLiteral("x"));
    EXPECT_EQ(list->currentIndex(), -1);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(list->currentText(), QStringLiteral("Па"));
    EXPECT_EQ(list->currentIndex(), 1);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(list->currentText(), QStringLiteral("П"));
    EXPECT_EQ(list->currentIndex(), 1);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(list->currentText(), QString());
    EXPECT_EQ(list->currentIndex(), -1) << "an empty text chooses nothing";

    // Delete after the cursor, case-insensitive, the first item that fits.
    kavrol::CompletingComboBox* lamps = ui(*window).LampTypeBox;
    lamps->setFocus();
    lamps->lineEdit()->selectAll();
    typeText(lamps->lineEdit(), QStringLiteral("т8"));
    ASSERT_EQ(lamps->currentIndex(), 2);
    lamps->lineEdit()->setCursorPosition(1);
    QTest::keyClick(lamps->lineEdit(), Qt::Key_Delete);
    EXPECT_EQ(lamps->currentText(), QStringLiteral("Т"));
    EXPECT_EQ(lamps->currentIndex(), 0);
}

} // namespace
