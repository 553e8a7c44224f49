// SPDX-License-Identifier: GPL-3.0-or-later
#include "EstimateRunner.h"

#include "LightEstimator.h"
#include "PhysicalDesignError.h"

#include <type_traits>

namespace kavrol {

namespace {

// Runs on a pool thread; touches nothing but its own copies and the job's flags. The subject is
// a design or a scene.
template <typename Subject>
EstimateRunner::Outcome Estimate(const Subject& subject, physics::EstimateOptions options,
                                 const JobFlags& flags) {
    EstimateRunner::Outcome outcome;
    if constexpr (std::is_same_v<Subject, physics::PhysicalDesign>) {
        outcome.design = subject;
    }
    options.cancel = flags.cancel;
    options.progress = flags.progress;
    RunJob(outcome, [&] { outcome.estimate = physics::LightEstimator(options).estimate(subject); });
    return outcome;
}

} // namespace

EstimateRunner::EstimateRunner(physics::EstimateOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)),
      jobs_(this, [this](Outcome& outcome, bool newest, bool) {
          if (outcome.cancelled) {
              ++cancelledJobs_;
          }
          if (newest) {
              emit finished(outcome);
          }
      }) {
    options_.cancel = nullptr;
    options_.progress = nullptr;
}

std::uint64_t EstimateRunner::start(const physics::PhysicalDesign& design) {
    return launch(design);
}

std::uint64_t EstimateRunner::start(const physics::Scene& scene) {
    return launch(scene);
}

template <typename Subject> std::uint64_t EstimateRunner::launch(const Subject& subject) {
    return jobs_.start([subject, options = options_](const JobFlags& flags) {
        return Estimate(subject, options, flags);
    });
}

void EstimateRunner::cancel() {
    jobs_.drop();
}

} // namespace kavrol
