// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EstimateOptions.h"
#include "PhysicalDesign.h"
#include "PhysicalEstimate.h"
#include "Scene.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

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
    // Cancels every job and waits for them: their threads must not outlive the runner.
    ~EstimateRunner() override;

    // Starts estimating design and cancels the job before it. Returns the new generation.
    std::uint64_t start(const physics::PhysicalDesign& design);
    // The same for a scene of several tubes (a whole fixture).
    std::uint64_t start(const physics::Scene& scene);
    // Cancels the running job without starting another.
    void cancel();

    // True while the newest job runs.
    bool busy() const { return running_ != 0; }
    // The newest job's fraction done, 0 to 1.
    double progress() const;
    std::uint64_t generation() const { return generation_; }
    // Jobs that ended cancelled since the runner was made.
    int cancelledJobs() const { return cancelledJobs_; }

signals:
    // The newest job ended; outcome.estimate or outcome.failure says how.
    void finished(const kavrol::EstimateRunner::Outcome& outcome);

private:
    struct Job {
        std::uint64_t generation = 0;
        std::shared_ptr<std::atomic<bool>> cancel;
        std::shared_ptr<std::atomic<double>> progress;
        QFutureWatcher<Outcome>* watcher = nullptr;
    };
    template <typename Subject> std::uint64_t launch(const Subject& subject);
    void jobEnded(QFutureWatcher<Outcome>* watcher);
    const Job* find(std::uint64_t generation) const;

    physics::EstimateOptions options_;
    std::vector<Job> jobs_;     // running, the newest last
    std::uint64_t running_ = 0; // the newest job's generation while it runs, else 0
    std::uint64_t generation_ = 0;
    int cancelledJobs_ = 0;
};

} // namespace kavrol
