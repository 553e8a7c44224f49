// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeFile.h"

#include "AtomicFile.h"
#include "PictureFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <string_view>

namespace kavrol::WholeFile {

void write(const QString& path, const QByteArray& bytes) {
    const QString fullPath = PictureFile::checkedFullPath(path);
    // A folder of that name would only be refused at the final rename; say so before writing.
    if (QFileInfo(path).isDir())
        throw SaveError(QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(fullPath, PictureFile::systemReason(EISDIR)));
    try {
        WriteFileWhole(QFile::encodeName(path).toStdString(),
                       std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const FileError& e) {
        const QString reason = PictureFile::systemReason(e.errorNumber());
        if (e.stage() == FileError::Stage::Create)
            throw SaveError(QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath, reason));
        throw SaveError(QStringLiteral("Stream write error: \"%1\". %2").arg(fullPath, reason));
    }
}

} // namespace kavrol::WholeFile
