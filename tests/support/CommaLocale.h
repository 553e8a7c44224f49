// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace kavrol::test {

// Sets the process's LC_NUMERIC to a locale that writes a decimal comma, made with localedef
// into a scratch folder (Debian's locales package holds its sources), and restores "C" when it
// goes out of scope. active() is false when no such locale could be made.
class CommaLocale {
public:
    CommaLocale() {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                             ("kavrol-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + folder.string() + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            ::setenv("LOCPATH", folder.c_str(), 1);
            active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        }
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 0.5);
        active_ = active_ && std::string(probe) == "0,5";
        folder_ = folder;
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, "C");
        ::unsetenv("LOCPATH");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const { return active_; }

private:
    std::filesystem::path folder_;
    bool active_ = false;
};

} // namespace kavrol::test
