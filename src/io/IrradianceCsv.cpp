// SPDX-License-Identifier: GPL-3.0-or-later
#include "IrradianceCsv.h"

#include "WholeFile.h"

namespace kavrol::IrradianceCsv {

namespace {

QByteArray number(double value) {
    return QByteArray::number(value, 'g', 17);
}

} // namespace

QByteArray text(const physics::PhysicalEstimate& estimate) {
    QByteArray out("left_mm,right_mm,centre_mm,relative,share_per_mm\n");
    const std::size_t bins = std::min(estimate.relative.size(), estimate.perMm.size());
    for (std::size_t b = 0; b < bins && b + 1 < estimate.edgesMm.size(); ++b) {
        const double left = estimate.edgesMm[b];
        const double right = estimate.edgesMm[b + 1];
        out += number(left) + ',' + number(right) + ',' + number(0.5 * (left + right)) + ',' +
               number(estimate.relative[b]) + ',' + number(estimate.perMm[b]) + '\n';
    }
    return out;
}

void write(const physics::PhysicalEstimate& estimate, const QString& path) {
    WholeFile::write(path, text(estimate));
}

} // namespace kavrol::IrradianceCsv
