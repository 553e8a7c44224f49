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
    CliProcess(const std::vector<std::string>& args, const std::filesystem::path& folder,
               const std::filesystem::path& outPath) {
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
    void signal(int number) const { ::kill(pid_, number); }

    // Waits for the end: the exit status (-1 when a signal ended it) and standard error.
    CliRun wait() {
        CliRun run;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.err = Slurp(err_);
        return run;
    }

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
        if (posix_spawn(&pid_, KAVROL_CLI_PATH, &actions, nullptr, raw.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }

    pid_t pid_ = -1;
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
