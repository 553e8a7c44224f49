// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CliRun.h"

#include <chrono>
#include <csignal>
#include <thread>

namespace kavrol::test {

// kavrol-cli running beside the test: started with exactly these arguments in folder, its
// standard output going to outPath (a file, a device or a FIFO) or to the descriptor outFd, and
// standard error to a file in folder, read by wait().
class CliProcess {
public:
    // With inheritSignals, the signals the test ignores stay ignored in the program, as nohup
    // leaves them.
    CliProcess(const std::vector<std::string>& args, const std::filesystem::path& folder,
               const std::filesystem::path& outPath, bool inheritSignals = false)
        : inheritSignals_(inheritSignals) {
        start(args, folder, [&](posix_spawn_file_actions_t& actions) {
            posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        });
    }
    CliProcess(const std::vector<std::string>& args, const std::filesystem::path& folder,
               int outFd) {
        start(args, folder, [&](posix_spawn_file_actions_t& actions) {
            posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        });
    }
    ~CliProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        std::filesystem::remove(err_);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // Sends a signal while the program runs; never to a process group (pid 0 or -1).
    void signal(int number) const {
        if (pid_ > 0)
            ::kill(pid_, number);
    }

    // True once the program has ended; it is not waited for again.
    bool finished() {
        if (pid_ > 0 && ::waitpid(pid_, &status_, WNOHANG) == pid_)
            pid_ = 0;
        return pid_ == 0;
    }

    // Waits for the end: the exit status (-1 when a signal ended it) and standard error.
    CliRun wait() {
        CliRun run;
        if (pid_ > 0)
            ::waitpid(pid_, &status_, 0);
        pid_ = -1;
        run.status = WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
        run.err = Slurp(err_);
        return run;
    }

    // The size of a temporary file the program is writing for `name` in `folder`, named
    // (".NAME-XXXXXXXX.tmp") or unnamed (O_TMPFILE, seen through the program's descriptors as
    // "FOLDER/#INODE (deleted)"); 0 when there is none, or it is still empty.
    std::uintmax_t temporaryFileSize(const std::filesystem::path& folder,
                                     const std::string& name) const {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            if (entry.path().filename().string().rfind("." + name + "-", 0) == 0)
                return std::max<std::uintmax_t>(entry.file_size(error), 1);
        if (pid_ <= 0)
            return 0;
        const std::filesystem::path fds = "/proc/" + std::to_string(pid_) + "/fd";
        for (const auto& entry : std::filesystem::directory_iterator(fds, error)) {
            const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
            if (target.rfind((folder / "#").string(), 0) == 0)
                return std::filesystem::file_size(entry.path(), error);
        }
        return 0;
    }

    // The signal that ended the program after wait(), or 0.
    int endingSignal() const { return WIFSIGNALED(status_) ? WTERMSIG(status_) : 0; }

private:
    template <class Output>
    void start(const std::vector<std::string>& args, const std::filesystem::path& folder,
               Output output) {
        err_ = folder / ("kavrol-cli-" + std::to_string(::getpid()) + ".err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        output(actions);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        std::vector<std::string> argv{KAVROL_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> raw;
        for (auto& a : argv)
            raw.push_back(a.data());
        raw.push_back(nullptr);
        // The signals the tests send act as they would from a shell, even when the test itself
        // was started ignoring them.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            sigaddset(&defaults, number);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        if (!inheritSignals_)
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        if (posix_spawn(&pid_, KAVROL_CLI_PATH, &actions, &attributes, raw.data(), environ) != 0)
            pid_ = -1;
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }

    bool inheritSignals_ = false;
    pid_t pid_ = -1;
    int status_ = 0;
    std::filesystem::path err_;
};

// Waits up to limit for a condition, polling every 10 ms; its last answer.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace kavrol::test
