// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackgroundJobs.h"
#include "EstimateOptions.h"
#include "PhysicalDesign.h"
#include "SurfaceComparison.h"

#include <QObject>
#include <QString>
#include <cstdint>
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
    // Cancels every job and waits for them (BackgroundJobs): their threads must not outlive
    // the runner.
    ~ComparisonRunner() override = default;

    // Starts comparing the surfaces on design's shape, cancelling the job before it. Returns
    // the new generation.
    std::uint64_t start(const physics::PhysicalDesign& design);
    // Cancels the running job; finished reports it as cancelled.
    void cancel();

    bool busy() const { return jobs_.busy(); }
    // The newest job's fraction done, 0 to 1.
    double progress() const { return jobs_.progress(); }

signals:
    // The newest job ended; outcome says how.
    void finished(const kavrol::ComparisonRunner::Outcome& outcome);

private:
    physics::EstimateOptions options_;
    // A job the user cancelled is still reported, as cancelled, so the window can say so.
    BackgroundJobs<Outcome> jobs_;
};

} // namespace kavrol
