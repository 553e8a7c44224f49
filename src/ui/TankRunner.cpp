// SPDX-License-Identifier: GPL-3.0-or-later
#include "TankRunner.h"

#include "EstimateCancelled.h"
#include "TankScene.h"

#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <exception>

namespace kavrol {

namespace {

// Runs on a pool thread; touches nothing but its own copies and the two shared flags.
TankRunner::Outcome Estimate(std::uint64_t generation, TankRunner::Job job,
                             std::shared_ptr<std::atomic<bool>> cancel,
                             std::shared_ptr<std::atomic<double>> progress) {
    TankRunner::Outcome outcome;
    outcome.generation = generation;
    job.settings.cancel = cancel.get();
    job.settings.progress = [progress](double done) { progress->store(done); };
    try {
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
    } catch (const physics::EstimateCancelled&) {
        outcome.cancelled = true;
    } catch (const std::exception& error) {
        outcome.failure = QString::fromUtf8(error.what());
    }
    return outcome;
}

} // namespace

TankRunner::TankRunner(QObject* parent) : QObject(parent) {}

TankRunner::~TankRunner() {
    for (Running& job : jobs_) {
        job.cancel->store(true);
    }
    for (Running& job : jobs_) {
        job.watcher->disconnect(this);
        job.watcher->waitForFinished();
        delete job.watcher;
    }
}

std::uint64_t TankRunner::start(const Job& job) {
    if (const Running* running = find(running_)) {
        running->cancel->store(true);
    }
    Running run;
    run.generation = ++generation_;
    run.cancel = std::make_shared<std::atomic<bool>>(false);
    run.progress = std::make_shared<std::atomic<double>>(0.0);
    run.watcher = new QFutureWatcher<Outcome>(this);
    QFutureWatcher<Outcome>* watcher = run.watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] { jobEnded(watcher); });
    Job copy = job;
    copy.settings.cancel = nullptr;
    copy.settings.progress = nullptr;
    watcher->setFuture(
        QtConcurrent::run(Estimate, run.generation, std::move(copy), run.cancel, run.progress));
    jobs_.push_back(std::move(run));
    running_ = generation_;
    return generation_;
}

const TankRunner::Running* TankRunner::find(std::uint64_t generation) const {
    for (const Running& job : jobs_) {
        if (job.generation == generation) {
            return &job;
        }
    }
    return nullptr;
}

void TankRunner::cancel() {
    if (const Running* job = find(running_)) {
        job->cancel->store(true);
        cancelledByUser_ = running_;
    }
}

double TankRunner::progress() const {
    const Running* job = find(running_);
    return job != nullptr ? job->progress->load() : 0.0;
}

void TankRunner::jobEnded(QFutureWatcher<Outcome>* watcher) {
    const auto it = std::find_if(jobs_.begin(), jobs_.end(),
                                 [watcher](const Running& job) { return job.watcher == watcher; });
    if (it == jobs_.end()) {
        return;
    }
    Outcome outcome = watcher->result();
    jobs_.erase(it);
    watcher->deleteLater();
    if (outcome.generation != running_) {
        return;
    }
    running_ = 0;
    // A job cancelled just as it finished has its estimate, but the user asked for none.
    if (outcome.generation == cancelledByUser_) {
        outcome.cancelled = true;
        outcome.estimate.reset();
    }
    emit finished(outcome);
}

} // namespace kavrol
