// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

class QChart;

namespace kavrol::ChartFile {

enum class Format { Png, Svg };

// The size a chart is written at unless the caller asks otherwise, in pixels (PNG) or user
// units (SVG).
inline constexpr QSize DefaultSize{900, 560};

// The format a file name asks for by its ending, ".png" or ".svg" in any letter case.
std::optional<Format> formatOf(const QString& path);

// Throws the SaveError write() gives for a name whose ending names no format.
void checkName(const QString& path);

// The chart drawn at size as a PNG image or an SVG document. The chart must not sit in a scene
// (a view's); it is put in one of its own for the drawing and taken out again. Needs a
// QApplication; without a display use the offscreen platform (QT_QPA_PLATFORM=offscreen).
QByteArray render(QChart& chart, Format format, QSize size = DefaultSize);

// Writes the chart whole or not at all (WholeFile) in the format its name asks for. Throws
// SaveError "Cannot create file "<full path>". The name must end in .png or .svg" for any other
// name, and as WholeFile::write for the file system's refusals.
void write(QChart& chart, const QString& path, QSize size = DefaultSize);

} // namespace kavrol::ChartFile
