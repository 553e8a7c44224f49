// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResourceLimits.h"

#include "FastEvaluator.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace kavrol::ResourceLimits {

namespace {

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 19)) >> 20) + " MB";
}

// MemAvailable from /proc/meminfo; 0 when unknown.
std::uint64_t MachineAvailable() {
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        std::uint64_t kilobytes = 0;
        if (fields >> key >> kilobytes && key == "MemAvailable:")
            return kilobytes * 1024;
    }
    return 0;
}

// The first number in a file, or 0 when there is none ("max" included).
std::uint64_t NumberIn(const std::string& path) {
    std::ifstream in(path);
    std::uint64_t value = 0;
    return in >> value ? value : 0;
}

// The room left under this process's cgroup memory limit (version 2, else version 1); 0 when
// there is no limit or it is unknown.
std::uint64_t CgroupAvailable() {
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line)) {
        std::string base;
        if (line.rfind("0::", 0) == 0) {
            base = "/sys/fs/cgroup" + line.substr(3);
            const std::uint64_t limit = NumberIn(base + "/memory.max");
            if (limit == 0)
                continue;
            const std::uint64_t used = NumberIn(base + "/memory.current");
            return limit > used ? limit - used : 1;
        }
        const auto colon = line.find(':');
        const auto second = line.find(':', colon + 1);
        if (colon == std::string::npos || second == std::string::npos)
            continue;
        const std::string controllers = line.substr(colon + 1, second - colon - 1);
        if (controllers.find("memory") == std::string::npos)
            continue;
        base = "/sys/fs/cgroup/memory" + line.substr(second + 1);
        const std::uint64_t limit = NumberIn(base + "/memory.limit_in_bytes");
        // Version 1 states "no limit" as a number near 2^63.
        if (limit == 0 || limit >= (std::uint64_t(1) << 62))
            continue;
        const std::uint64_t used = NumberIn(base + "/memory.usage_in_bytes");
        return limit > used ? limit - used : 1;
    }
    return 0;
}

// The address space left under RLIMIT_AS (ulimit -v); 0 when there is no limit.
std::uint64_t AddressSpaceAvailable() {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 0;
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    const std::uint64_t used = pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return limit.rlim_cur > used ? limit.rlim_cur - used : 1;
}

std::string ThreadWord(int n) {
    return std::to_string(n) + (n == 1 ? " thread" : " threads");
}

} // namespace

std::uint64_t AvailableMemory() {
    std::uint64_t available = 0;
    for (const std::uint64_t bound :
         {MachineAvailable(), CgroupAvailable(), AddressSpaceAvailable()})
        if (bound != 0 && (available == 0 || bound < available))
            available = bound;
    return available;
}

ThreadPlan PlanThreads(int asked, int cores, int dotsPerInch, std::uint64_t available) {
    return PlanThreads(asked, cores, FastEvaluator::MemoryNeed(dotsPerInch),
                       " at " + std::to_string(dotsPerInch) + " dpi", available);
}

std::string ThreadsNotStarted(int ran, int asked, const std::string& reason) {
    return "only " + ThreadWord(ran) + " of " + std::to_string(asked) + " could start (" + reason +
           "); the search ran on with " + (ran == 1 ? "it" : "them");
}

ThreadPlan PlanThreads(int asked, int cores, std::uint64_t each, const std::string& what,
                       std::uint64_t available) {
    ThreadPlan plan;
    plan.threads = std::max(1, asked > 0 ? asked : cores);
    if (available == 0 || each == 0)
        return plan;
    // Half of what is available, so that the rest of the machine keeps room too.
    const auto fit = static_cast<int>(std::min<std::uint64_t>(available / 2 / each, 1u << 16));
    // One thread always runs; when even that one does not fit, its failure says so.
    if (std::max(1, fit) >= plan.threads)
        return plan;
    const int wanted = plan.threads;
    plan.threads = std::max(1, fit);
    plan.note = "using " + std::to_string(plan.threads) + " thread" +
                (plan.threads == 1 ? "" : "s") + ", not " + std::to_string(wanted) +
                ": each needs about " + Megabytes(each) + what + " and " + Megabytes(available) +
                " of memory is available";
    return plan;
}

ThreadPlan PlanEstimateThreads(int asked) {
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return PlanThreads(asked, cores, EstimateThreadBytes, " for its stack and estimate",
                       AvailableMemory());
}

std::string OutOfMemory(int dotsPerInch, bool search) {
    if (!search)
        return "out of memory building a picture at " + std::to_string(dotsPerInch) +
               " dpi; a lower --dpi needs less";
    return "out of memory: each search thread needs about " +
           Megabytes(FastEvaluator::MemoryNeed(dotsPerInch)) + " at " +
           std::to_string(dotsPerInch) + " dpi; use fewer --threads or a lower --dpi";
}

std::string WaterOutOfPicture(int dotsPerInch) {
    return "at " + std::to_string(dotsPerInch) +
           " dpi the water line lies below the picture's bottom edge, so no ray can reach the "
           "water and the efficiency is 0; a higher --dpi or shorter distances bring it in";
}

} // namespace kavrol::ResourceLimits
