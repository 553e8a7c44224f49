// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateOptions.h"
#include "PhysicalDesign.h"
#include "SurfaceComparison.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace kavrol {

// Runs the comparison of surface presets on Qt's thread pool, one design after another, as
// EstimateRunner runs estimates: starting a new comparison or cancelling sets the running one's
// cancel flag, and only the newest job's rows or failure are reported.
class ComparisonRunner : public QObject {
    Q_OBJECT
public:
    // What a job found: the ranked rows, or the reason there are none.
    struct Outcome {
        std::uint64_t generation = 0;
        std::vector<physics::SurfaceComparison::Row> rows;
        QString failure;        // the design's or the estimate's error, when it failed
        bool cancelled = false; // cancelled, or outdated by a newer job
    };

    explicit ComparisonRunner(physics::EstimateOptions options, QObject* parent = nullptr);
    // Cancels every job and waits for them: their threads must not outlive the runner.
    ~ComparisonRunner() override;

    // Starts comparing the surfaces on design's shape, cancelling the job before it. Returns
    // the new generation.
    std::uint64_t start(const physics::PhysicalDesign& design);
    // Cancels the running job; finished reports it as cancelled.
    void cancel();

    bool busy() const { return running_ != 0; }
    // The newest job's fraction done, 0 to 1.
    double progress() const;

signals:
    // The newest job ended; outcome says how.
    void finished(const kavrol::ComparisonRunner::Outcome& outcome);

private:
    struct Job {
        std::uint64_t generation = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
        std::shared_ptr<std::atomic<double>> progress;
        QFutureWatcher<Outcome>* watcher = nullptr;
    };
    void jobEnded(QFutureWatcher<Outcome>* watcher);
    const Job* find(std::uint64_t generation) const;

    physics::EstimateOptions options_;
    std::vector<Job> jobs_;     // running, the newest last
    std::uint64_t running_ = 0; // the newest job's generation while it runs, else 0
    // A job the user cancelled is still reported, as cancelled, so the window can say so.
    std::uint64_t cancelledByUser_ = 0;
    std::uint64_t generation_ = 0;
};

} // namespace kavrol
