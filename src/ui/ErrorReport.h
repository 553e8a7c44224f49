// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <exception>
#include <memory>
#include <utility>

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

    // The windows' one guard around a handler: a failure's message (in English, as thrown) goes
    // to report instead of escaping into Qt's event loop.
    template <typename Handler, typename Report>
    static void Guarded(Handler&& handler, Report&& report) {
        try {
            std::forward<Handler>(handler)();
        } catch (const std::exception& error) {
            std::forward<Report>(report)(QString::fromUtf8(error.what()));
        }
    }
};

} // namespace kavrol
