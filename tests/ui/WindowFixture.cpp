// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

void WindowFixture::SetUp() {
    ASSERT_TRUE(folder_.isValid());
    savedDirectory_ = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder_.path()));
}

void WindowFixture::TearDown() {
    QDir::setCurrent(savedDirectory_);
}

std::unique_ptr<kavrol::TMainFrm> WindowFixture::makeWindow(int dotsPerInch) {
    kavrol::WindowServices services;
    services.reportError = [this](const QString& text) { errors_ << text; };
    services.saveDialog = [this](QWidget*, const QString& filter, const QString& fileName) {
        dialogCalls_.push_back({filter, fileName});
        return dialogAnswer_;
    };
    services.dotsPerInch = dotsPerInch;
    return std::make_unique<kavrol::TMainFrm>(services);
}

void WindowFixture::activate(QWidget& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

void WindowFixture::copyShapePictures() {
    for (const char* name : {"Трапеция.bmp", "Парабола.bmp", "ZeFo.bmp"}) {
        const QString file = QString::fromUtf8(name);
        QFile::remove(workPath(file));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KAVROL_RESOURCES_DIR "/") + file, workPath(file)))
            << file.toStdString();
    }
}

void WindowFixture::openAndClose(kavrol::CompletingComboBox* list) {
    list->showPopup();
    QCoreApplication::processEvents();
    list->hidePopup();
    QCoreApplication::processEvents();
}

QImage WindowFixture::resourcePicture(const QString& name) {
    QImage image(QStringLiteral(KAVROL_RESOURCES_DIR "/") + name, "BMP");
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage WindowFixture::shownIllustration(const kavrol::TMainFrm& window) {
    return ui(window).RefType->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage WindowFixture::shownScene(const kavrol::TMainFrm& window) {
    return ui(window).Ref->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

QString WindowFixture::workPath(const QString& name) const {
    return folder_.filePath(name);
}
