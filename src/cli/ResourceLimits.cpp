// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResourceLimits.h"

#include "FastEvaluator.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kavrol::ResourceLimits {

namespace {

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 19)) >> 20) + " MB";
}

} // namespace

std::uint64_t AvailableMemory() {
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

ThreadPlan PlanThreads(int asked, int cores, int dotsPerInch, std::uint64_t available) {
    ThreadPlan plan;
    plan.threads = std::max(1, asked > 0 ? asked : cores);
    const std::uint64_t each = FastEvaluator::MemoryNeed(dotsPerInch);
    if (available == 0 || each == 0)
        return plan;
    // Half of what is available, so that the rest of the machine keeps room too.
    const auto fit = static_cast<int>(std::min<std::uint64_t>(available / 2 / each, 1u << 16));
    if (fit >= plan.threads)
        return plan;
    const int wanted = plan.threads;
    plan.threads = std::max(1, fit);
    plan.note = "using " + std::to_string(plan.threads) + " thread" +
                (plan.threads == 1 ? "" : "s") + ", not " + std::to_string(wanted) +
                ": each needs about " + Megabytes(each) + " at " + std::to_string(dotsPerInch) +
                " dpi and " + Megabytes(available) + " of memory is available";
    return plan;
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
