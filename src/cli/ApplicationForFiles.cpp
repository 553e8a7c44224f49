// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationForFiles.h"

#include <QLocale>
#include <clocale>

namespace kavrol {

ApplicationForFiles::ApplicationForFiles() {
    if (QCoreApplication::instance() != nullptr)
        return;
    // The offscreen platform whatever the environment says: an inherited platform without its
    // display (wayland without a compositor) would end the program.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application_.emplace(argc_, argv_);
    // Qt takes the process's locale from the environment; numbers written after this must not
    // follow it (a comma-decimal locale would break the JSON and the CSV).
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
}

} // namespace kavrol
