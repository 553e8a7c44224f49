// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackgroundJobs.h"
#include "EstimateOptions.h"
#include "PhysicalDesign.h"
#include "PhysicalEstimate.h"
#include "Scene.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

namespace kavrol {

// Runs physical estimates on Qt's thread pool, one design after another: starting a new one
// cancels the one still running (through the estimator's cancel flag), and only the newest
// job's result or failure is reported. Every job carries a generation number; a job that ends
// after a newer one started is dropped whatever it found.
class EstimateRunner : public QObject {
    Q_OBJECT
public:
    // What a job found: the estimate, or the reason there is none.
    struct Outcome {
        std::uint64_t generation = 0;
        physics::PhysicalDesign design; // the design estimated; default for a scene
        std::optional<physics::PhysicalEstimate> estimate;
        QString failure;        // the design's or the estimate's error, when it failed
        bool cancelled = false; // a newer job (or the runner's end) stopped it
    };

    explicit EstimateRunner(physics::EstimateOptions options, QObject* parent = nullptr);
    // Cancels every job and waits for them (BackgroundJobs): their threads must not outlive
    // the runner.
    ~EstimateRunner() override = default;

    // Starts estimating design and cancels the job before it. Returns the new generation.
    std::uint64_t start(const physics::PhysicalDesign& design);
    // The same for a scene of several tubes (a whole fixture).
    std::uint64_t start(const physics::Scene& scene);
    // Cancels the running job without starting another.
    void cancel();

    // True while the newest job runs.
    bool busy() const { return jobs_.busy(); }
    // The newest job's fraction done, 0 to 1.
    double progress() const { return jobs_.progress(); }
    std::uint64_t generation() const { return jobs_.generation(); }
    // Jobs that ended cancelled since the runner was made.
    int cancelledJobs() const { return cancelledJobs_; }

signals:
    // The newest job ended; outcome.estimate or outcome.failure says how.
    void finished(const kavrol::EstimateRunner::Outcome& outcome);

private:
    template <typename Subject> std::uint64_t launch(const Subject& subject);

    physics::EstimateOptions options_;
    int cancelledJobs_ = 0;
    BackgroundJobs<Outcome> jobs_;
};

} // namespace kavrol
