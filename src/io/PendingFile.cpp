// SPDX-License-Identifier: GPL-3.0-or-later
#include "PendingFile.h"

#include "PictureFile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <string_view>

namespace kavrol {

namespace {

[[noreturn]] void Rethrow(const FileError& e, const QString& fullPath) {
    const QString reason = PictureFile::systemReason(e.errorNumber());
    if (e.stage() == FileError::Stage::Create)
        throw SaveError(QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath, reason));
    throw SaveError(QStringLiteral("Stream write error: \"%1\". %2").arg(fullPath, reason));
}

} // namespace

PendingFile::PendingFile(const QString& path)
    : path_(path), fullPath_(PictureFile::checkedFullPath(path)) {
    // A folder of that name would only be refused at the final rename; say so before writing.
    if (QFileInfo(path).isDir())
        throw SaveError(QStringLiteral("Cannot create file \"%1\". %2")
                            .arg(fullPath_, PictureFile::systemReason(EISDIR)));
    try {
        file_ = std::make_unique<AtomicFile>(QFile::encodeName(path).toStdString());
    } catch (const FileError& e) {
        Rethrow(e, fullPath_);
    }
}

PendingFile::~PendingFile() = default;

void PendingFile::commit(const QByteArray& bytes) {
    try {
        file_->write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        file_->commit();
    } catch (const FileError& e) {
        Rethrow(e, fullPath_);
    }
}

} // namespace kavrol
