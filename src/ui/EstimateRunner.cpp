// SPDX-License-Identifier: GPL-3.0-or-later
#include "EstimateRunner.h"

#include "EstimateCancelled.h"
#include "LightEstimator.h"
#include "PhysicalDesignError.h"

#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <exception>
#include <type_traits>

namespace kavrol {

namespace {

// Runs on a pool thread; touches nothing but its own copies and the two shared flags. The
// subject is a design or a scene.
template <typename Subject>
EstimateRunner::Outcome
Estimate(std::uint64_t generation, Subject subject, physics::EstimateOptions options,
         std::shared_ptr<std::atomic<bool>> cancel, std::shared_ptr<std::atomic<double>> progress) {
    EstimateRunner::Outcome outcome;
    outcome.generation = generation;
    if constexpr (std::is_same_v<Subject, physics::PhysicalDesign>) {
        outcome.design = subject;
    }
    options.cancel = cancel.get();
    options.progress = [progress](double done) { progress->store(done); };
    try {
        outcome.estimate = physics::LightEstimator(options).estimate(subject);
    } catch (const physics::EstimateCancelled&) {
        outcome.cancelled = true;
    } catch (const std::exception& error) {
        outcome.failure = QString::fromUtf8(error.what());
    }
    return outcome;
}

} // namespace

EstimateRunner::EstimateRunner(physics::EstimateOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    options_.cancel = nullptr;
    options_.progress = nullptr;
}

EstimateRunner::~EstimateRunner() {
    for (Job& job : jobs_) {
        job.cancel->store(true);
    }
    for (Job& job : jobs_) {
        job.watcher->disconnect(this);
        job.watcher->waitForFinished();
        delete job.watcher;
    }
}

std::uint64_t EstimateRunner::start(const physics::PhysicalDesign& design) {
    return launch(design);
}

std::uint64_t EstimateRunner::start(const physics::Scene& scene) {
    return launch(scene);
}

template <typename Subject> std::uint64_t EstimateRunner::launch(const Subject& subject) {
    cancel();
    Job job;
    job.generation = ++generation_;
    job.cancel = std::make_shared<std::atomic<bool>>(false);
    job.progress = std::make_shared<std::atomic<double>>(0.0);
    job.watcher = new QFutureWatcher<Outcome>(this);
    QFutureWatcher<Outcome>* watcher = job.watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] { jobEnded(watcher); });
    watcher->setFuture(QtConcurrent::run(Estimate<Subject>, job.generation, subject, options_,
                                         job.cancel, job.progress));
    jobs_.push_back(std::move(job));
    running_ = generation_;
    return generation_;
}

const EstimateRunner::Job* EstimateRunner::find(std::uint64_t generation) const {
    for (const Job& job : jobs_) {
        if (job.generation == generation) {
            return &job;
        }
    }
    return nullptr;
}

void EstimateRunner::cancel() {
    if (const Job* job = find(running_)) {
        job->cancel->store(true);
    }
    running_ = 0;
}

double EstimateRunner::progress() const {
    const Job* job = find(running_);
    return job != nullptr ? job->progress->load() : 0.0;
}

void EstimateRunner::jobEnded(QFutureWatcher<Outcome>* watcher) {
    const auto it = std::find_if(jobs_.begin(), jobs_.end(),
                                 [watcher](const Job& job) { return job.watcher == watcher; });
    if (it == jobs_.end()) {
        return;
    }
    const Outcome outcome = watcher->result();
    jobs_.erase(it);
    watcher->deleteLater();
    if (outcome.cancelled) {
        ++cancelledJobs_;
    }
    if (outcome.generation == running_) {
        running_ = 0;
        emit finished(outcome);
    }
}

} // namespace kavrol
