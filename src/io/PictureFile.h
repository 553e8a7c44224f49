// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Canvas.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <stdexcept>
#include <string>

namespace kavrol {

// A failure to write the picture file; the text is what the window shows. The detail names the
// file and the system's reason in every case, for the command line.
class SaveError : public std::runtime_error {
public:
    explicit SaveError(const QString& message, const QString& detail = QString())
        : std::runtime_error(message.toStdString()),
          detail_(detail.isEmpty() ? message.toStdString() : detail.toStdString()) {}

    const std::string& detail() const { return detail_; }

private:
    std::string detail_;
};

// Writing and reading the scene picture as an uncompressed BMP file, through Qt's image codec
// (Qt's GUI module only, no display needed).
namespace PictureFile {

// The picture as an opaque 32-bit image with every colour exact.
QImage toImage(const Canvas& canvas);

// The picture's density as a BMP header records it: pixels per metre, rounded to the nearest
// (96 dots per inch give 3780). An inch is 0.0254 m exactly.
int pixelsPerMetre(int dotsPerInch);

// Writes the picture to path as a 24-bit BMP file, replacing any file of that name whole or not at
// all (see AtomicFile); the header records the density the picture was drawn for.
// Throws SaveError "Cannot create file "<full path>". <reason>" when the file cannot be created
// or put in place, and "Stream write error" (detail "Cannot write file "<full path>". <reason>")
// when writing fails part-way; the old file is then untouched.
void save(const Canvas& canvas, const QString& path, int dotsPerInch);

// Writes the picture to path like save(), but only when nothing of that name exists yet; the
// check and the putting in place are one step, so a file made meanwhile is not replaced either.
// Returns false, writing nothing, when the name is taken.
bool saveIfNew(const Canvas& canvas, const QString& path, int dotsPerInch);

// The n-th name tried for a new picture: "<stem>.bmp" for 1, "<stem>-<n>.bmp" from 2 on.
QString numberedName(const QString& stem, int n);

// Writes the picture into folder under the first of "<stem>.bmp", "<stem>-2.bmp",
// "<stem>-3.bmp", ... that is not taken, so that no existing file is replaced. Returns the name
// written, without the folder. Throws SaveError as save() does.
QString saveUnderFreeName(const Canvas& canvas, const QDir& folder, const QString& stem,
                          int dotsPerInch);

// A file name given as bytes (a command-line argument) as the QString that names that very file.
// Throws SaveError "Cannot create file ..." when the bytes are not valid in the local encoding,
// since any conversion would name another file, and for "-" and any name of the program's
// standard output (/dev/stdout, or the file it is redirected to), which carries the report.
QString nameFromBytes(const std::string& bytes);

// The save dialog's name rule: ".bmp" is appended unless the name already ends in it, in any
// letter case.
QString withBmpExtension(const QString& name);

// The full path of a name that may reach the system. Throws SaveError "Cannot create file ..."
// for names that must not: one holding a NUL (the system would see it cut short) or an empty one.
QString checkedFullPath(const QString& path);

// The system's description of an error number, without trailing full stops and blanks.
QString systemReason(int errorNumber);

} // namespace PictureFile

} // namespace kavrol
