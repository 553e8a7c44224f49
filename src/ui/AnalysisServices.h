// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateOptions.h"

#include <QString>
#include <functional>

class QWidget;

namespace kavrol {

// What the analysis window asks of its surroundings; empty members get the real thing, tests
// put their own in.
struct AnalysisServices {
    // Runs a save dialog with this caption, filter and proposed name (a full path once a
    // folder of that kind of file has been used); returns the chosen path or an empty string
    // when the user cancels.
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter,
                          const QString& fileName)>
        saveDialog;
    // Runs an open dialog with this caption and filter, opening in folder (empty: the working
    // directory); returns the chosen path or an empty string when the user cancels.
    std::function<QString(QWidget* parent, const QString& caption, const QString& filter,
                          const QString& folder)>
        openDialog;
    // Asks whether the existing file at path is to be replaced; true replaces it.
    std::function<bool(const QString& path)> confirmReplace;
    // Shows an error's text to the user (ErrorReport's message box).
    std::function<void(const QString& text)> reportError;
    // How the physical estimate runs: its tolerance and bins (cancel and progress are the
    // window's own).
    physics::EstimateOptions estimate;
};

} // namespace kavrol
