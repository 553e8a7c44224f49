// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "PhysicalDesign.h"
#include "Tank.h"
#include "TankEstimate.h"
#include "TankEstimator.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kavrol {

// Runs the whole tank's estimate on Qt's thread pool, one lamp after another, as
// EstimateRunner runs the cross-section's: starting a new job or cancelling sets the running
// one's cancel flag, and only the newest job's estimate or failure is reported.
class TankRunner : public QObject {
    Q_OBJECT
public:
    // What the estimate takes: the design's cross-section, the tank and the tube along it; or
    // a fixture's units over its own tank (`tank` then a copy of the fixture's).
    struct Job {
        physics::PhysicalDesign design;
        physics::Tank tank;
        physics::TankUnit unit;
        std::optional<physics::Fixture> fixture;
        physics::TankEstimator::Settings settings; // cancel and progress are the runner's own
    };
    // What a job found: the estimate, or the reason there is none.
    struct Outcome {
        std::uint64_t generation = 0;
        std::optional<physics::TankEstimate> estimate;
        QString failure;        // the tank's or the estimate's error, in English, when it failed
        bool cancelled = false; // cancelled by the user, or outdated by a newer job
    };

    explicit TankRunner(QObject* parent = nullptr);
    // Cancels every job and waits for them: their threads must not outlive the runner.
    ~TankRunner() override;

    // Starts the job, cancelling the one before it. Returns the new generation.
    std::uint64_t start(const Job& job);
    // Cancels the running job; finished reports it as cancelled.
    void cancel();

    bool busy() const { return running_ != 0; }
    // The newest job's fraction done, 0 to 1.
    double progress() const;

signals:
    // The newest job ended; outcome says how.
    void finished(const kavrol::TankRunner::Outcome& outcome);

private:
    struct Running {
        std::uint64_t generation = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
        std::shared_ptr<std::atomic<double>> progress;
        QFutureWatcher<Outcome>* watcher = nullptr;
    };
    void jobEnded(QFutureWatcher<Outcome>* watcher);
    const Running* find(std::uint64_t generation) const;

    std::vector<Running> jobs_; // running, the newest last
    std::uint64_t running_ = 0; // the newest job's generation while it runs, else 0
    // A job the user cancelled is still reported, as cancelled, so the page can say so.
    std::uint64_t cancelledByUser_ = 0;
    std::uint64_t generation_ = 0;
};

} // namespace kavrol
