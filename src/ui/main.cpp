// SPDX-License-Identifier: GPL-3.0-or-later
#include "OpticalModel.h"
#include "PictureFile.h"
#include "ProgramInfo.h"
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
#include <optional>
#include <string>
#include <string_view>

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

// The text of --help. Qt's own options (-style, -platform, ...) are passed on to Qt.
std::string usageText() {
    return R"(Usage: kavrol [Qt options]

Opens Kavrol's window: pick the reflector's shape and dimensions, the tube and the distances,
press "Построить" (build) and read how much of the tube's light reaches the water. F2 opens
the analysis window with the physical estimate; a fixture file can be opened there.

Without a display (none of DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM set), kavrol builds
the start-up design instead, prints its efficiency and writes its picture to Kavrol.bmp in
the working folder, or, never replacing a file, to the first free name of Kavrol-2.bmp,
Kavrol-3.bmp, ...

Options:
  -h, --help          this text
  --version           the version and the licence
  -style NAME         a Qt widget style instead of the classic one the layout was made for

Qt's other options, such as -platform or -display, are passed on to Qt. The same builds without
a window, searches and fixtures: kavrol-cli --help. The README, docs/ and examples/ are
installed in )" +
           std::string(kavrol::ProgramInfo::DocumentationFolder()) +
           R"(/.

Exit status: 0 the window was closed or, without a display, the picture written; 1 the
picture or the output could not be written.
)";
}

// --help and --version are answered before anything else starts, display or not, and write no
// file. Returns the exit status when one of them was given.
std::optional<int> answerInformationOptions(int argc, char* argv[]) {
    std::string text;
    for (int i = 1; i < argc && text.empty(); ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--help" || argument == "-h")
            text = usageText();
        else if (argument == "--version")
            text = kavrol::ProgramInfo::VersionText("kavrol");
    }
    if (text.empty())
        return std::nullopt;
    try {
        kavrol::StandardOutput::IgnoreBrokenPipes();
        kavrol::StandardOutput::Write(text);
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
    if (const std::optional<int> status = answerInformationOptions(argc, argv))
        return *status;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    if (!hasDisplay())
        return runWithoutDisplay();
#endif
    const bool ownStyle = styleChosen(argc, argv);
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavrol"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(kavrol::ProgramInfo::Version()));
    // The desktop entry's name, by which docks pair the window with its launcher: Wayland's app id.
    // X11's window class stays "Kavrol", which the entry names as its StartupWMClass.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kavrol.kavrol"));
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
