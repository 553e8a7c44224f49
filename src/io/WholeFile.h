// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace kavrol::WholeFile {

// Writes bytes to path whole or not at all, through AtomicFile (links followed, the old file's
// mode kept, devices and pipes written in place). Throws SaveError (PictureFile.h):
//   "Cannot create file "<full path>". <reason>" when the file cannot be created, and
//   "Stream write error: "<full path>". <reason>" when writing or the final rename fails.
void write(const QString& path, const QByteArray& bytes);

} // namespace kavrol::WholeFile
