// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackgroundJobs.h"
#include "Fixture.h"
#include "PhysicalDesign.h"
#include "Tank.h"
#include "TankEstimate.h"
#include "TankEstimator.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

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
    // Cancels every job and waits for them (BackgroundJobs): their threads must not outlive
    // the runner.
    ~TankRunner() override = default;

    // Starts the job, cancelling the one before it. Returns the new generation.
    std::uint64_t start(const Job& job);
    // Cancels the running job; finished reports it as cancelled.
    void cancel();

    bool busy() const { return jobs_.busy(); }
    // The newest job's fraction done, 0 to 1.
    double progress() const { return jobs_.progress(); }

signals:
    // The newest job ended; outcome says how.
    void finished(const kavrol::TankRunner::Outcome& outcome);

private:
    // A job the user cancelled is still reported, as cancelled, so the page can say so.
    BackgroundJobs<Outcome> jobs_;
};

} // namespace kavrol
