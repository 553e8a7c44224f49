// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AtomicFile.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace kavrol {

// A file whose name is checked and whose temporary file is made now, to be written whole
// later: a long run checks its output before it starts instead of failing at its end. Throws
// SaveError as WholeFile::write does (PictureFile.h):
//   "Cannot create file "<full path>". <reason>" when the file cannot be created, and
//   "Stream write error: "<full path>". <reason>" when writing or the final rename fails.
// Left uncommitted, the old file stays as it was and the temporary file goes.
class PendingFile {
public:
    explicit PendingFile(const QString& path);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    void commit(const QByteArray& bytes);

private:
    QString path_;
    QString fullPath_;
    std::unique_ptr<AtomicFile> file_;
};

} // namespace kavrol
