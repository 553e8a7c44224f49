// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateCancelled.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace kavrol {

// What a job sees of its runner while it runs on a pool thread: the flag that asks it to stop
// and where its fraction done (0 to 1) goes.
struct JobFlags {
    const std::atomic<bool>* cancel = nullptr;
    std::function<void(double)> progress;
};

// A job's work on its pool thread, with the one way every runner ends it: a stop it saw marks the
// outcome cancelled, any other failure leaves its message in the outcome for the window. Outcome
// needs `cancelled` and `failure` members.
template <typename Outcome, typename Work> void RunJob(Outcome& outcome, Work work) {
    try {
        work();
    } catch (const physics::EstimateCancelled&) {
        outcome.cancelled = true;
    } catch (const std::exception& error) {
        outcome.failure = QString::fromUtf8(error.what());
    }
}

// The bookkeeping every background runner of the window shares: jobs run one after another on
// Qt's thread pool, each with a generation number, its own cancel flag and progress; starting a
// new job cancels the newest one still running, and every job's end comes back on the owner's
// thread, saying whether it was the newest (the only one whose result the window shows) and
// whether the user cancelled it. The destructor cancels every job and waits for it: no job's
// thread outlives its runner. Outcome needs a `generation` member, which is set here.
template <typename Outcome> class BackgroundJobs {
public:
    // Called on the owner's thread as each job ends.
    using Ended = std::function<void(Outcome& outcome, bool newest, bool cancelledByUser)>;

    BackgroundJobs(QObject* owner, Ended ended) : owner_(owner), ended_(std::move(ended)) {}
    ~BackgroundJobs() {
        for (Job& job : jobs_)
            job.cancel->store(true);
        for (Job& job : jobs_) {
            job.watcher->disconnect(owner_);
            job.watcher->waitForFinished();
            delete job.watcher;
        }
    }
    BackgroundJobs(const BackgroundJobs&) = delete;
    BackgroundJobs& operator=(const BackgroundJobs&) = delete;

    // Cancels the newest job and starts work(flags) as the new newest. Returns its generation.
    std::uint64_t start(std::function<Outcome(const JobFlags&)> work) {
        if (const Job* running = find(running_))
            running->cancel->store(true);
        Job job;
        job.generation = ++generation_;
        job.cancel = std::make_shared<std::atomic<bool>>(false);
        job.progress = std::make_shared<std::atomic<double>>(0.0);
        job.watcher = new QFutureWatcher<Outcome>(owner_);
        QFutureWatcher<Outcome>* watcher = job.watcher;
        QObject::connect(watcher, &QFutureWatcherBase::finished, owner_,
                         [this, watcher] { jobEnded(watcher); });
        watcher->setFuture(
            QtConcurrent::run(Run, job.generation, std::move(work), job.cancel, job.progress));
        jobs_.push_back(std::move(job));
        running_ = generation_;
        return generation_;
    }

    // Asks the newest job to stop; its end is still reported, as cancelled by the user.
    void cancel() {
        if (const Job* job = find(running_)) {
            job->cancel->store(true);
            cancelledByUser_ = running_;
        }
    }
    // Asks the newest job to stop and reports its end as no longer the newest.
    void drop() {
        if (const Job* job = find(running_))
            job->cancel->store(true);
        running_ = 0;
    }

    // True while the newest job runs.
    bool busy() const { return running_ != 0; }
    std::uint64_t generation() const { return generation_; }
    // The newest job's fraction done, 0 to 1; 0 while none runs.
    double progress() const {
        const Job* job = find(running_);
        return job != nullptr ? job->progress->load() : 0.0;
    }

private:
    struct Job {
        std::uint64_t generation = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
        std::shared_ptr<std::atomic<double>> progress;
        QFutureWatcher<Outcome>* watcher = nullptr;
    };

    // Runs on a pool thread; touches nothing but its own copies and the two shared flags.
    static Outcome Run(std::uint64_t generation, std::function<Outcome(const JobFlags&)> work,
                       std::shared_ptr<std::atomic<bool>> cancel,
                       std::shared_ptr<std::atomic<double>> progress) {
        JobFlags flags;
        flags.cancel = cancel.get();
        flags.progress = [progress](double done) { progress->store(done); };
        Outcome outcome = work(flags);
        outcome.generation = generation;
        return outcome;
    }

    const Job* find(std::uint64_t generation) const {
        for (const Job& job : jobs_)
            if (job.generation == generation)
                return &job;
        return nullptr;
    }

    void jobEnded(QFutureWatcher<Outcome>* watcher) {
        const auto it = std::find_if(jobs_.begin(), jobs_.end(),
                                     [watcher](const Job& job) { return job.watcher == watcher; });
        if (it == jobs_.end())
            return;
        Outcome outcome = watcher->result();
        jobs_.erase(it);
        watcher->deleteLater();
        const bool newest = outcome.generation == running_;
        if (newest)
            running_ = 0;
        ended_(outcome, newest, outcome.generation == cancelledByUser_);
    }

    QObject* owner_;
    Ended ended_;
    std::vector<Job> jobs_;     // running, the newest last
    std::uint64_t running_ = 0; // the newest job's generation while it runs, else 0
    std::uint64_t cancelledByUser_ = 0;
    std::uint64_t generation_ = 0;
};

} // namespace kavrol
