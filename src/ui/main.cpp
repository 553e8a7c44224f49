#include "EfficiencyField.h"
#include "OpticalModel.h"
#include "PictureFile.h"
#include "TMainFrm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLocale>
#include <cstdio>
#include <exception>

namespace {

// Without a display there is no window to show; the default design is built as the command
// line would build it, so that starting the program still yields its answer and its picture.
int runWithoutDisplay() {
    std::fputs("No display available: building the default design without the window.\n", stderr);
    try {
        kavrol::OpticalModel model(96);
        model.PaintRef(kavrol::BuildInputs{});
        std::printf(
            "%s\n",
            kavrol::EfficiencyField::format(model.efficiency(), QLocale::c()).toUtf8().constData());
        kavrol::PictureFile::save(model.workImage(), QStringLiteral("Kavrol.bmp"));
        std::printf("Picture written to Kavrol.bmp\n");
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[]) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!hasDisplay())
        return runWithoutDisplay();
#endif
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavrol"));
    kavrol::TMainFrm MainFrm;
    QApplication::setWindowIcon(MainFrm.windowIcon());
    MainFrm.centreOnScreen();
    MainFrm.show();
    return QApplication::exec();
}
