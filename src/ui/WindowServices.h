// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace kavrol {

// What the main window asks of its surroundings. Every member may be left empty to get the
// real thing; tests put their own in to run the window without a screen or a user.
struct WindowServices {
    // Runs the save-picture dialog with this filter and proposed file name and returns the
    // chosen path, or an empty string when the user cancels.
    std::function<QString(QWidget* parent, const QString& filter, const QString& fileName)>
        saveDialog;
    // Shows an error's text to the user (the message box of ErrorReport).
    std::function<void(const QString& text)> reportError;
    // The screen's density in dots per inch; 0 reads it from the screen.
    int dotsPerInch = 0;
};

} // namespace kavrol
