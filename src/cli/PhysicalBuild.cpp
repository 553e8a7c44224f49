// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhysicalBuild.h"

#include "ChartFile.h"
#include "CuttingTemplate.h"
#include "IrradianceChart.h"
#include "IrradianceCsv.h"
#include "LightEstimator.h"
#include "PhysicalDesignError.h"
#include "PhysicalReport.h"
#include "PictureFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <clocale>

namespace kavrol {

namespace {

// The refusal of a file the physical model cannot draw, in the form of the file system's.
[[noreturn]] void CannotDraw(const QString& path, const std::string& reason) {
    throw SaveError(QStringLiteral("Cannot create file \"%1\". %2")
                        .arg(QFileInfo(path).absoluteFilePath(), QString::fromStdString(reason)));
}

// Charts and the template's PDF need a QApplication; the command line makes one only for them,
// always on the offscreen platform, so that no display is needed.
class ApplicationForFiles {
public:
    ApplicationForFiles() {
        if (QCoreApplication::instance() != nullptr)
            return;
        // The offscreen platform whatever the environment says: an inherited platform without
        // its display (wayland without a compositor) would end the program.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application_.emplace(argc_, argv_);
        // Qt takes the process's locale from the environment; numbers written after this must
        // not follow it (a comma-decimal locale would break the JSON and the CSV).
        std::setlocale(LC_NUMERIC, "C");
        QLocale::setDefault(QLocale::c());
    }

private:
    int argc_ = 1;
    char name_[11] = "kavrol-cli";
    char* argv_[2] = {name_, nullptr};
    std::optional<QApplication> application_;
};

} // namespace

PhysicalBuild::PhysicalBuild(const BuildInputs& inputs, const PhysicalOptions& options)
    : options_(options) {
    try {
        design_ = options.settings.design(inputs);
        if (options.estimate) {
            const physics::LightEstimator estimator(options.settings.estimateOptions(true));
            estimate_ = estimator.estimate(*design_);
        }
    } catch (const physics::PhysicalDesignError& e) {
        refusal_ = e.what();
    }
}

void PhysicalBuild::writeFiles() const {
    const bool drawing = !options_.plotPath.empty() || !options_.templatePath.empty();
    std::optional<ApplicationForFiles> application;
    if (drawing)
        application.emplace();
    if (!options_.plotPath.empty()) {
        const QString path = PictureFile::nameFromBytes(options_.plotPath);
        if (!estimate_)
            CannotDraw(path, refusal());
        const auto chart = IrradianceChart::create(*estimate_);
        ChartFile::write(*chart, path);
    }
    if (!options_.profileCsvPath.empty()) {
        const QString path = PictureFile::nameFromBytes(options_.profileCsvPath);
        if (!estimate_)
            CannotDraw(path, refusal());
        IrradianceCsv::write(*estimate_, path);
    }
    if (!options_.templatePath.empty())
        writeTemplate();
}

void PhysicalBuild::writeTemplate() const {
    const QString path = PictureFile::nameFromBytes(options_.templatePath);
    if (!design_)
        CannotDraw(path, refusal());
    std::optional<CuttingTemplate> drawing;
    try {
        drawing.emplace(*design_);
    } catch (const physics::PhysicalDesignError& e) {
        CannotDraw(path, e.what());
    }
    drawing->write(path);
}

std::string PhysicalBuild::text() const {
    if (!options_.estimate)
        return {};
    if (!estimate_)
        return PhysicalReport::refusedText(refusal());
    std::string report = PhysicalReport::text(*estimate_);
    const PhysicalSettings& settings = options_.settings;
    if (settings.surfaceGiven()) {
        const physics::ReflectorSurface surface = settings.surface();
        report += PhysicalReport::surfaceText(settings.surfaceName(), surface.diffuseShare,
                                              surface.glossSpreadDeg);
    }
    return report;
}

void PhysicalBuild::writeJson(JsonWriter& json) const {
    if (!options_.estimate)
        return;
    json.key("physical").beginObject();
    if (!estimate_) {
        json.member("refused", refusal());
    } else {
        PhysicalReport::writeMembers(json, *estimate_);
        const PhysicalSettings& settings = options_.settings;
        if (settings.surfaceGiven()) {
            const physics::ReflectorSurface surface = settings.surface();
            PhysicalReport::writeSurface(json, settings.surfaceName(), surface.diffuseShare,
                                         surface.glossSpreadDeg);
        }
    }
    json.endObject();
}

} // namespace kavrol
