// SPDX-License-Identifier: GPL-3.0-or-later
#include "ComparisonRunner.h"

#include "EstimateCancelled.h"

#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <exception>

namespace kavrol {

namespace {

// Runs on a pool thread; touches nothing but its own copies and the two shared flags.
ComparisonRunner::Outcome Compare(std::uint64_t generation, physics::PhysicalDesign design,
                                  physics::EstimateOptions options,
                                  std::shared_ptr<std::atomic<bool>> cancel,
                                  std::shared_ptr<std::atomic<double>> progress) {
    ComparisonRunner::Outcome outcome;
    outcome.generation = generation;
    options.cancel = cancel.get();
    options.progress = [progress](double done) { progress->store(done); };
    try {
        outcome.rows = physics::SurfaceComparison::Compare(design, options);
    } catch (const physics::EstimateCancelled&) {
        outcome.cancelled = true;
    } catch (const std::exception& error) {
        outcome.failure = QString::fromUtf8(error.what());
    }
    return outcome;
}

} // namespace

ComparisonRunner::ComparisonRunner(physics::EstimateOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    options_.cancel = nullptr;
    options_.progress = nullptr;
}

ComparisonRunner::~ComparisonRunner() {
    for (Job& job : jobs_) {
        job.cancel->store(true);
    }
    for (Job& job : jobs_) {
        job.watcher->disconnect(this);
        job.watcher->waitForFinished();
        delete job.watcher;
    }
}

std::uint64_t ComparisonRunner::start(const physics::PhysicalDesign& design) {
    if (const Job* job = find(running_)) {
        job->cancel->store(true);
    }
    Job job;
    job.generation = ++generation_;
    job.cancel = std::make_shared<std::atomic<bool>>(false);
    job.progress = std::make_shared<std::atomic<double>>(0.0);
    job.watcher = new QFutureWatcher<Outcome>(this);
    QFutureWatcher<Outcome>* watcher = job.watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] { jobEnded(watcher); });
    watcher->setFuture(
        QtConcurrent::run(Compare, job.generation, design, options_, job.cancel, job.progress));
    jobs_.push_back(std::move(job));
    running_ = generation_;
    return generation_;
}

const ComparisonRunner::Job* ComparisonRunner::find(std::uint64_t generation) const {
    for (const Job& job : jobs_) {
        if (job.generation == generation) {
            return &job;
        }
    }
    return nullptr;
}

void ComparisonRunner::cancel() {
    if (const Job* job = find(running_)) {
        job->cancel->store(true);
        cancelledByUser_ = running_;
    }
}

double ComparisonRunner::progress() const {
    const Job* job = find(running_);
    return job != nullptr ? job->progress->load() : 0.0;
}

void ComparisonRunner::jobEnded(QFutureWatcher<Outcome>* watcher) {
    const auto it = std::find_if(jobs_.begin(), jobs_.end(),
                                 [watcher](const Job& job) { return job.watcher == watcher; });
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
    // A job cancelled just as it finished has its rows, but the user asked for none.
    if (outcome.generation == cancelledByUser_) {
        outcome.cancelled = true;
        outcome.rows.clear();
    }
    emit finished(outcome);
}

} // namespace kavrol
