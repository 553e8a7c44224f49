// SPDX-License-Identifier: GPL-3.0-or-later
#include "OpticalModel.h"
#include "PictureFile.h"
#include "QtTranslations.h"
#include "Report.h"
#include "StandardOutput.h"
#include "TMainFrm.h"

#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <cstdio>
#include <exception>
#include <iostream>

namespace {

// Without a display there is no window to show. The default design is then built as the
// command line builds it, its report printed and its picture written, so that starting the
// program still yields Kavrol's answer. The picture goes under a name not yet taken, since
// "Kavrol.bmp" is also the name the save dialog proposes and may hold a picture the user saved.
int runWithoutDisplay() {
    std::cerr << "kavrol: no display found; building the default design without the window\n";
    try {
        constexpr int dotsPerInch = 96;
        kavrol::OpticalModel model(dotsPerInch);
        model.PaintRef(kavrol::BuildInputs{});
        const QString written = kavrol::PictureFile::saveUnderFreeName(
            model.workImage(), QDir::current(), QStringLiteral("Kavrol"), dotsPerInch);
        // A full disk or a closed pipe on standard output is a failure, not a success.
        kavrol::StandardOutput::IgnoreBrokenPipes();
        kavrol::StandardOutput::Write(kavrol::Report::text(model) + "Picture written to " +
                                      written.toLocal8Bit().toStdString() + '\n');
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "kavrol: " << error.what() << '\n';
        return 1;
    }
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

bool styleChosen(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "-style" || argument.startsWith("-style=") || argument == "--style")
            return true;
    }
    return !qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE");
}

} // namespace

int main(int argc, char* argv[]) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!hasDisplay())
        return runWithoutDisplay();
#endif
    const bool ownStyle = styleChosen(argc, argv);
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavrol"));
    // Qt's own dialogs and buttons speak Russian as the windows do; without the translations
    // installed they stay English.
    kavrol::QtTranslations::installRussian();
    // The window's sizes were laid out for group boxes with their caption on the frame line,
    // as Qt's classic style draws them.
    if (!ownStyle) {
        if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows")))
            QApplication::setStyle(classic);
    }
    kavrol::TMainFrm MainFrm;
    QApplication::setWindowIcon(MainFrm.windowIcon());
    MainFrm.centreOnScreen();
    MainFrm.show();
    return QApplication::exec();
}
