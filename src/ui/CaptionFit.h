// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace kavrol {

// Captions that do not fit their box get a smaller font instead of being cut off: a face wider
// than the one the window was laid out for would otherwise lose the ends of the longer
// captions.
namespace CaptionFit {

// The captions are shrunk in quarter points, down to this size at most.
constexpr double SmallestPointSize = 5.0;

// The width in pixels that widget's caption, label text or widest list item lacks in its box
// by the style's own margins; 0 when it fits, and for widgets without a caption.
int shortfall(const QWidget& widget);

// Shrinks the font of every widget under root (root included) whose caption does not fit until
// it does. The fields inside a shrunk group box keep the font they had.
void shrinkToFit(QWidget& root);

} // namespace CaptionFit

} // namespace kavrol
