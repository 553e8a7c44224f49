#pragma once

#include <QByteArray>
#include <QString>

namespace kavrol::WholeFile {

// Writes bytes to path whole or not at all. A regular file (new or replaced) is written to a
// temporary file in the same folder and renamed over the name, so a failure never leaves a
// half-written file under it; a device or pipe that already exists is written directly, since
// renaming over it would replace it. Throws SaveError (PictureFile.h):
//   "Cannot create file "<full path>". <reason>" when the file cannot be created, and
//   "Stream write error: "<full path>". <reason>" when writing or the final rename fails.
void write(const QString& path, const QByteArray& bytes);

} // namespace kavrol::WholeFile
