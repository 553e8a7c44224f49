// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace kavrol {

// The pictures of the reflector shapes, bitmap files that ship with the program.
class ShapeIllustration {
public:
    // The file of a shape: 0 trapezoid, 1 parabola, 2 "ZeFo"; empty for any other index.
    static QString fileName(int shape);

    // Where the pictures that ship with the program are looked for after the working
    // directory: the folder of the executable (a build puts them there), then share/kavrol/
    // beside the executable's bin/ folder (an install puts them there, wherever it is moved).
    static QStringList shippedFolders();

    // Reads the named bitmap, looking first in the current working directory and then in the
    // shipped folders in turn. Throws std::runtime_error with the text the user is shown:
    // "Cannot open file "<cwd>/<name>". <reason>" when the file opens in neither place, and
    // "Bitmap image is not valid" when it opens but holds no bitmap.
    static QImage load(const QString& name);
};

} // namespace kavrol
