// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the lamp along the tank from the options and its estimate; the report and files.
#include "TankBuild.h"

#include "ApplicationForFiles.h"
#include "FixtureError.h"
#include "FloorMap.h"
#include "PhysicalDesignError.h"
#include "PhysicalReport.h"
#include "PictureFile.h"
#include "TankEstimator.h"
#include "TankScene.h"

#include <QFileInfo>
#include <algorithm>

namespace kavrol {

namespace {

namespace D = InputDomain;

} // namespace

// --- The lamp along the tank from the options and its estimate ---

TankBuild::TankBuild(const BuildInputs& inputs, const PhysicalSettings& settings,
                     const TankOptions& options)
    : options_(options) {
    if (!options.enabled)
        return;
    const std::string word =
        options.tubeModel.empty()
            ? std::string(
                  D::DefaultTubeModel[static_cast<std::size_t>(std::clamp(inputs.tube, 0, 2))])
            : options.tubeModel;
    const D::TubeModel& model = *D::FindTubeModel(word);
    // Photons: given, or made from the lumens (given or the model's).
    const double lumens = options.lumens > 0.0 ? options.lumens : model.lumens;
    const double flux = options.photonFlux > 0.0
                            ? options.photonFlux
                            : lumens * options.photonFactor * options.outputFactor;
    const double lit = options.litLength > 0 ? options.litLength : model.litLengthMm;
    tube_.model = options.photonFlux > 0.0 ? word + " (photon output given)"
                  : options.lumens > 0.0   ? word + " (lumens given)"
                                           : word;
    tube_.litLength = lit;
    physics::TankUnit unit;
    unit.centre = options.tubeCentre >= 0 ? options.tubeCentre : options.tankLength / 2.0;
    unit.litLength = lit;
    unit.reflectorLength = options.reflectorLength > 0 ? options.reflectorLength : lit;
    unit.closedLow = unit.closedHigh = options.closedEnds;
    unit.photonFlux = flux;
    centre_ = unit.centre;
    if (settings.surfaceGiven()) {
        surface_ = SurfaceLine{settings.surfaceName(), settings.surface()};
    }
    physics::Tank tank;
    tank.length = options.tankLength;
    tank.waterDepth = options.waterDepth;
    tank.attenuationPerM = options.attenuation;
    try {
        const physics::PhysicalDesign design = settings.design(inputs);
        radius_ = design.tubeRadius;
        const physics::TankScene scene = physics::TankScene::FromDesign(design, tank, unit);
        physics::TankEstimator::Settings s;
        s.tolerance = settings.tolerance;
        s.cellsX = options.cellsX;
        s.cellsZ = options.cellsZ;
        s.levels = {options.levels[0], options.levels[1]};
        estimate_ = physics::TankEstimator(s).estimate(scene);
    } catch (const physics::PhysicalDesignError& e) {
        refusal_ = e.what();
    } catch (const physics::FixtureError& e) {
        refusal_ = e.what();
    }
}

// --- The report and files ---

std::string TankBuild::text() const {
    if (!options_.enabled)
        return {};
    if (!estimate_)
        return TankReport::refusedText(*refusal_);
    std::string report = TankReport::text(*estimate_, tube_);
    if (surface_)
        report += PhysicalReport::surfaceText(surface_->name, surface_->surface.diffuseShare,
                                              surface_->surface.glossSpreadDeg);
    return report;
}

void TankBuild::writeJson(JsonWriter& json) const {
    if (!options_.enabled)
        return;
    if (!estimate_) {
        TankReport::writeRefusedMember(json, *refusal_);
        return;
    }
    json.key("tank").beginObject();
    TankReport::writeMembers(json, *estimate_);
    if (surface_)
        PhysicalReport::writeSurface(json, surface_->name, surface_->surface.diffuseShare,
                                     surface_->surface.glossSpreadDeg);
    json.endObject();
}

// The map's text needs a QApplication, made here as for the physical estimate's charts.
void TankBuild::writeFiles(const std::string& plotPath, const std::string& csvPath) const {
    if (!options_.enabled)
        return;
    const auto refuse = [&](const std::string& name) {
        const QString path = PictureFile::nameFromBytes(name);
        throw SaveError(QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(QFileInfo(path).absoluteFilePath(),
                                 QString::fromStdString(refusal_.value_or(""))));
    };
    if (!plotPath.empty()) {
        if (!estimate_)
            refuse(plotPath);
        const ApplicationForFiles application;
        FloorMap::write(
            *estimate_,
            {{0.0, radius_, centre_ - tube_.litLength / 2.0, centre_ + tube_.litLength / 2.0}},
            PictureFile::nameFromBytes(plotPath));
    }
    if (!csvPath.empty()) {
        if (!estimate_)
            refuse(csvPath);
        FloorMap::writeCsv(*estimate_, PictureFile::nameFromBytes(csvPath));
    }
}

} // namespace kavrol
