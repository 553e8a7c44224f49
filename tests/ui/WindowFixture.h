// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CompletingComboBox.h"
#include "TMainFrm.h"
#include "WindowControls.h"

#include <QImage>
#include <QLocale>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

// Failed comparisons show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Makes a locale the default for the life of the guard; the tests otherwise run in the C locale.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(QLocale::c()); }
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;
};

// A window whose errors and save dialog are caught by the test, run in an empty temporary
// working directory.
class WindowFixture : public ::testing::Test {
protected:
    struct DialogCall {
        QString filter;
        QString fileName;
    };

    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<kavrol::TMainFrm> makeWindow(int dotsPerInch = 0);
    // Shows the window and gives it the keyboard focus.
    void activate(QWidget& window);
    // Copies the shape pictures into the working directory.
    void copyShapePictures();
    // Opens and closes a list's drop-down and lets the close be handled.
    static void openAndClose(kavrol::CompletingComboBox* list);
    static QImage resourcePicture(const QString& name);
    static QImage shownIllustration(const kavrol::TMainFrm& window);
    // What the view shows, as an opaque image.
    static QImage shownScene(const kavrol::TMainFrm& window);
    QString workPath(const QString& name) const;

    QTemporaryDir folder_;
    QString savedDirectory_;
    QStringList errors_;
    std::vector<DialogCall> dialogCalls_;
    QString dialogAnswer_;
};
