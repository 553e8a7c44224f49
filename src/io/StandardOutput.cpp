// SPDX-License-Identifier: GPL-3.0-or-later
#include "StandardOutput.h"

#include "FileError.h"

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace kavrol::StandardOutput {

void Write(std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("cannot write standard output: " +
                                     FileError::Reason(n < 0 ? errno : EIO));
        done += static_cast<std::size_t>(n);
    }
}

void IgnoreBrokenPipes() {
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace kavrol::StandardOutput
