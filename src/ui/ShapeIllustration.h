#pragma once

#include <QImage>
#include <QString>

namespace kavrol {

// The pictures of the reflector shapes, bitmap files that ship beside the program.
class ShapeIllustration {
public:
    // The file of a shape: 0 trapezoid, 1 parabola, 2 "ZeFo"; empty for any other index.
    static QString fileName(int shape);

    // Reads the named bitmap, looking first in the current working directory and then in the
    // folder of the executable. Throws std::runtime_error with the text the user is shown:
    // "Cannot open file "<cwd>/<name>". <reason>" when the file opens in neither place, and
    // "Bitmap image is not valid" when it opens but holds no bitmap.
    static QImage load(const QString& name);
};

} // namespace kavrol
