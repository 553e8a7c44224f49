// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ComparisonRunner.h"
#include "EstimateOptions.h"
#include "PhysicalDesign.h"
#include "ReflectorSurface.h"
#include "SurfaceComparison.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <string_view>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kavrol {

class RealSpinEdit;

// The analysis window's page about the reflector's sheet: the surface the window's estimate
// takes (a preset of the input table, the perfect mirror or figures of the user's own, with
// the preset's typical albedo as a hint; the albedo itself stays the main window's), and the
// comparison of every preset on the current shape, computed in the background on demand.
class SurfaceSection : public QWidget {
    Q_OBJECT
public:
    explicit SurfaceSection(physics::EstimateOptions options, QWidget* parent = nullptr);
    ~SurfaceSection() override;

    // The surface chosen now: the mirror until the user picks another.
    physics::ReflectorSurface surface() const { return surface_; }
    // The chosen entry's name in the list.
    QString surfaceCaption() const;
    // The chosen entry's command-line word: a preset's, "mirror" or "custom".
    std::string_view surfaceWord() const;
    // The design the comparison takes its shape and albedo from (its surface is the section's
    // own); none while the window shows no build. A design differing in more than its surface
    // makes a comparison on show or under way outdated.
    void setDesign(const std::optional<physics::PhysicalDesign>& design);
    bool comparing() const { return runner_.busy(); }
    // The rows on show, best first; empty until a comparison ends.
    const std::vector<physics::SurfaceComparison::Row>& comparison() const { return rows_; }

public slots:
    // Chooses the list's entry: 0 the mirror, then the presets in the table's order, last the
    // user's own figures.
    void choose(int entry);
    // Starts comparing the surfaces on the current design; cancels the comparison under way.
    void compare();
    void cancelComparison();

signals:
    // The chosen surface changed: the window estimates again.
    void surfaceChanged();
    // A comparison ended: its rows, its failure or its cancelling is on show.
    void comparisonShown();

private:
    void createChooser();
    void createComparison();
    void readFields();
    void showFields();
    void showHint();
    void showComparison(const ComparisonRunner::Outcome& outcome);
    void markChosen();
    void clearComparison(const QString& note);
    void showProgress();

    physics::ReflectorSurface surface_;
    int entry_ = 0;
    bool writingFields_ = false; // the section writes the fields itself: not the user's figures
    std::optional<physics::PhysicalDesign> design_;
    std::vector<physics::SurfaceComparison::Row> rows_;
    // What the page says once the comparison under way has stopped: cancelled by the user, or
    // outdated by another design.
    QString cancelNote_;
    ComparisonRunner runner_;

    QComboBox* presets_ = nullptr;
    QLabel* hint_ = nullptr;
    RealSpinEdit* diffuse_ = nullptr;
    RealSpinEdit* gloss_ = nullptr;
    QTimer* fieldsTimer_ = nullptr;
    QPushButton* compareButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QLabel* comparisonNote_ = nullptr;
    QTableWidget* table_ = nullptr;
};

} // namespace kavrol
