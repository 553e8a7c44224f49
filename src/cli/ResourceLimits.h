// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace kavrol {

// What the machine allows the command line: threads within the memory available, and the
// messages for a run that exceeds it or cannot deliver anything.
namespace ResourceLimits {

// The memory available to new work, in bytes: the least of what the machine has available
// (MemAvailable), the room under this process's cgroup memory limit and the address space left
// under its RLIMIT_AS (ulimit -v); 0 when none of them is known.
std::uint64_t AvailableMemory();

// The threads a search runs with: those asked (0: one per core), at most as many as half the
// available memory holds evaluators at this density, and at least 1. The note says why when
// fewer than asked are used; it is empty otherwise.
struct ThreadPlan {
    int threads = 1;
    std::string note;
};
ThreadPlan PlanThreads(int asked, int cores, int dotsPerInch, std::uint64_t available);
// The same for threads that each need `each` bytes; `what` follows the size in the note
// (" at 600 dpi").
ThreadPlan PlanThreads(int asked, int cores, std::uint64_t each, const std::string& what,
                       std::uint64_t available);

// What a thread making physical estimates needs without pictures: its stack (8 MB by default)
// and the estimate's own tables and lists.
inline constexpr std::uint64_t EstimateThreadBytes = 16u << 20;
// The threads of such a search: as PlanThreads over this machine's cores and available memory.
ThreadPlan PlanEstimateThreads(int asked);

// The note for a search some of whose threads the system refused to start.
std::string ThreadsNotStarted(int ran, int asked, const std::string& reason);

// The message for memory exhausted at a density, by the single build or by a search.
std::string OutOfMemory(int dotsPerInch, bool search);

// The message for a water line below the picture's bottom edge.
std::string WaterOutOfPicture(int dotsPerInch);

} // namespace ResourceLimits

} // namespace kavrol
