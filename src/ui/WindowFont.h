// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace kavrol {

// The window's face and sizes. The layout was drawn for a classic 8-point face whose text height
// is 13 pixels at 96 dots per inch; the face chosen here is sized to that text height, so that
// the laid-down line spacing holds whatever face the desktop provides.
namespace WindowFont {

// The design density and the text height of the 8-point window font at that density.
constexpr int DesignDotsPerInch = 96;
constexpr int DesignTextHeight = 13;
// The window font's nominal size and that of the bold dimension labels (A:, B:, C:).
constexpr double WindowPointSize = 8.0;
constexpr double LabelPointSize = 10.0;

// The faces tried, best first: the classic face, then narrow faces (the captions were laid out
// for a face narrower than most of today's), then regular ones.
const QStringList& preferredFamilies();

// The first of preferredFamilies() that is installed; the application's default family when
// none is.
QString family();

// The text height (ascent plus descent, in pixels) of font at the design density.
int designTextHeight(const QFont& font);

// The point size, in quarter points, at which family's text height at the design density is
// DesignTextHeight: the nearest such size to WindowPointSize, or the largest size below it
// when the face never reaches that height exactly.
double designPointSize(const QString& family);

// The window font scaled from the nominal size by the chosen face's design point size.
QFont font(double nominalPointSize, bool bold);

} // namespace WindowFont

} // namespace kavrol
