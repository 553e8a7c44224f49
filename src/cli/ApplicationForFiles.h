// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <optional>

namespace kavrol {

// Charts, floor maps and the template's PDF need a QApplication; the command line makes one
// only for them, always on the offscreen platform, so that no display is needed, and keeps the
// C numeric locale after it, so that numbers written later never follow the environment's.
// Nothing is made when an application object exists already.
class ApplicationForFiles {
public:
    ApplicationForFiles();
    ApplicationForFiles(const ApplicationForFiles&) = delete;
    ApplicationForFiles& operator=(const ApplicationForFiles&) = delete;

private:
    int argc_ = 1;
    char name_[11] = "kavrol-cli";
    char* argv_[2] = {name_, nullptr};
    std::optional<QApplication> application_;
};

} // namespace kavrol
