// SPDX-License-Identifier: GPL-3.0-or-later
// Keyboard focus and the mouse wheel: the scroll box is no Tab stop, and the wheel changes a
// drop-down list only once the list has the focus.
#include "WindowFixture.h"

#include <QApplication>
#include <QScrollArea>
#include <QTest>
#include <QWheelEvent>

namespace {

using FocusAndWheelTest = WindowFixture;

// One notch of the wheel over the middle of widget; returns whether the widget took the event.
bool turnWheel(QWidget* widget, int notches) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

TEST_F(FocusAndWheelTest, TabFromSaveGoesToTheShapeListPastThePicture) {
    auto window = makeWindow(96);
    activate(*window);
    auto* scrollBox = window->findChild<QScrollArea*>(QStringLiteral("ScrollBox1"));
    auto* save = window->findChild<QWidget*>(QStringLiteral("RefSave"));
    auto* shapes = window->findChild<QWidget*>(QStringLiteral("RefTypeBox"));
    ASSERT_TRUE(scrollBox && save && shapes);
    EXPECT_EQ(scrollBox->focusPolicy() & Qt::TabFocus, 0);
    save->setFocus();
    QCoreApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_TRUE(focused == shapes || focused->parentWidget() == shapes)
        << focused->objectName().toStdString();
}

TEST_F(FocusAndWheelTest, TheWheelChangesAListOnlyWithTheFocus) {
    auto window = makeWindow(96);
    activate(*window);
    for (const char* name : {"RefTypeBox", "LampTypeBox", "MBox"}) {
        SCOPED_TRACE(name);
        auto* list = window->findChild<QComboBox*>(QString::fromLatin1(name));
        ASSERT_NE(list, nullptr);
        window->findChild<QWidget*>(QStringLiteral("RefA"))->setFocus();
        QCoreApplication::processEvents();
        ASSERT_FALSE(list->hasFocus());
        const int before = list->currentIndex();
        // Without the focus the list leaves the event to the panel beneath it.
        EXPECT_FALSE(turnWheel(list, before > 0 ? 1 : -1));
        EXPECT_EQ(list->currentIndex(), before);
        list->setFocus();
        QCoreApplication::processEvents();
        ASSERT_TRUE(list->hasFocus());
        turnWheel(list, before > 0 ? 1 : -1);
        EXPECT_NE(list->currentIndex(), before);
    }
}

} // namespace
