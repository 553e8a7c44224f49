// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComparisonRunner.h"

namespace kavrol {

namespace {

// Runs on a pool thread; touches nothing but its own copies and the job's flags.
ComparisonRunner::Outcome Compare(const physics::PhysicalDesign& design,
                                  physics::EstimateOptions options, const JobFlags& flags) {
    ComparisonRunner::Outcome outcome;
    options.cancel = flags.cancel;
    options.progress = flags.progress;
    RunJob(outcome, [&] { outcome.rows = physics::SurfaceComparison::Compare(design, options); });
    return outcome;
}

} // namespace

ComparisonRunner::ComparisonRunner(physics::EstimateOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)),
      jobs_(this, [this](Outcome& outcome, bool newest, bool cancelledByUser) {
          if (!newest) {
              return;
          }
          // A job cancelled just as it finished has its rows, but the user asked for none.
          if (cancelledByUser) {
              outcome.cancelled = true;
              outcome.rows.clear();
          }
          emit finished(outcome);
      }) {
    options_.cancel = nullptr;
    options_.progress = nullptr;
}

std::uint64_t ComparisonRunner::start(const physics::PhysicalDesign& design) {
    return jobs_.start([design, options = options_](const JobFlags& flags) {
        return Compare(design, options, flags);
    });
}

void ComparisonRunner::cancel() {
    jobs_.cancel();
}

} // namespace kavrol
