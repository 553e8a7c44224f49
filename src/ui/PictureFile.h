#pragma once

#include "Canvas.h"

#include <QImage>
#include <QString>
#include <stdexcept>
#include <string>

namespace kavrol {

// A failure to write the picture file; the text is what the user is shown.
class SaveError : public std::runtime_error {
public:
    explicit SaveError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Writing and reading the scene picture as an uncompressed BMP file, through Qt's image codec
// (Qt's GUI module only, no display needed).
namespace PictureFile {

// The picture as an opaque 32-bit image with every colour exact.
QImage toImage(const Canvas& canvas);

// Writes the picture to path as a 24-bit BMP file, replacing any file of that name.
// Throws SaveError "Cannot create file "<full path>". <reason>" when the file cannot be created
// and "Stream write error" when writing fails part-way.
void save(const Canvas& canvas, const QString& path);

// A file name given as bytes (a command-line argument) as the QString that names that very file.
// Throws SaveError "Cannot create file ..." when the bytes are not valid in the local encoding,
// since any conversion would name another file.
QString nameFromBytes(const std::string& bytes);

// The save dialog's name rule: ".bmp" is appended unless the name already ends in it, in any
// letter case.
QString withBmpExtension(const QString& name);

// The system's description of an error number, without trailing full stops and blanks.
QString systemReason(int errorNumber);

} // namespace PictureFile

} // namespace kavrol
