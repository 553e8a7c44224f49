// SPDX-License-Identifier: GPL-3.0-or-later
#include "TankRunner.h"

#include "TankScene.h"

namespace kavrol {

namespace {

// Runs on a pool thread; touches nothing but its own copies and the job's flags.
TankRunner::Outcome Estimate(TankRunner::Job job, const JobFlags& flags) {
    TankRunner::Outcome outcome;
    job.settings.cancel = flags.cancel;
    job.settings.progress = flags.progress;
    RunJob(outcome, [&] {
        if (job.fixture) {
            std::vector<physics::TankUnit> units;
            for (const physics::Fixture::Unit& u : job.fixture->units) {
                units.push_back(u.along);
            }
            const physics::TankScene scene(*job.fixture, job.tank, units);
            outcome.estimate = physics::TankEstimator(job.settings).estimate(scene);
        } else {
            const physics::TankScene scene =
                physics::TankScene::FromDesign(job.design, job.tank, job.unit);
            outcome.estimate = physics::TankEstimator(job.settings).estimate(scene);
        }
    });
    return outcome;
}

} // namespace

TankRunner::TankRunner(QObject* parent)
    : QObject(parent), jobs_(this, [this](Outcome& outcome, bool newest, bool cancelledByUser) {
          if (!newest) {
              return;
          }
          // A job cancelled just as it finished has its estimate, but the user asked for none.
          if (cancelledByUser) {
              outcome.cancelled = true;
              outcome.estimate.reset();
          }
          emit finished(outcome);
      }) {}

std::uint64_t TankRunner::start(const Job& job) {
    Job copy = job;
    copy.settings.cancel = nullptr;
    copy.settings.progress = nullptr;
    return jobs_.start([copy](const JobFlags& flags) { return Estimate(copy, flags); });
}

void TankRunner::cancel() {
    jobs_.cancel();
}

} // namespace kavrol
