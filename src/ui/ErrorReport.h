// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace kavrol {

// The window's one error channel: every handler that fails ends in this message box.
class ErrorReport {
public:
    // The box's title, the program's name.
    static QString title();
    // A full stop is appended when the text's last character comes after the full stop in
    // character order, so texts ending in a full stop, a quote or a bracket are left alone.
    static QString withFullStop(const QString& text);
    // The box as it is shown: stop icon, one OK button, the program's title.
    static std::unique_ptr<QMessageBox> createBox(QWidget* parent, const QString& text);
    // Shows the box modally and returns when the user has closed it.
    static void show(QWidget* parent, const QString& text);
};

} // namespace kavrol
