#include "WholeFile.h"

#include "PictureFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <sys/stat.h>

namespace kavrol::WholeFile {

namespace {

[[noreturn]] void CannotCreate(const QString& fullPath, int errorNumber) {
    throw SaveError(QStringLiteral("Cannot create file \"%1\". %2")
                        .arg(fullPath, PictureFile::systemReason(errorNumber)));
}

[[noreturn]] void CannotWrite(const QString& fullPath, int errorNumber) {
    throw SaveError(QStringLiteral("Stream write error: \"%1\". %2")
                        .arg(fullPath, PictureFile::systemReason(errorNumber)));
}

// The number errno holds after a failed call, or fallback when the call left it unset.
int ErrorOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

// True when path names something that exists and is neither a regular file nor a folder
// (following links): a terminal, /dev/null, a named pipe.
bool IsSpecialFile(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return false;
    }
    return !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

void WriteDirectly(const QString& path, const QString& fullPath, const QByteArray& bytes) {
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        CannotCreate(fullPath, ErrorOr(EACCES));
    }
    errno = 0;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    const int reason = ErrorOr(EIO);
    file.close();
    if (!written) {
        CannotWrite(fullPath, reason);
    }
}

} // namespace

void write(const QString& path, const QByteArray& bytes) {
    // The same refusals as the picture's: a NUL would cut the name short, and an empty name never
    // reaches the system, which answers it with ENOENT.
    if (path.contains(QChar(0))) {
        QString shown = path;
        shown.replace(QChar(0), QChar(QChar::ReplacementCharacter));
        CannotCreate(QFileInfo(shown).absoluteFilePath(), EINVAL);
    }
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    if (path.isEmpty()) {
        CannotCreate(fullPath, ENOENT);
    }
    if (QFileInfo(path).isDir()) {
        CannotCreate(fullPath, EISDIR);
    }
    if (IsSpecialFile(path)) {
        WriteDirectly(path, fullPath, bytes);
        return;
    }
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        CannotCreate(fullPath, ErrorOr(EACCES));
    }
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const int reason = ErrorOr(EIO);
        file.cancelWriting();
        CannotWrite(fullPath, reason);
    }
    errno = 0;
    if (!file.commit()) {
        CannotWrite(fullPath, ErrorOr(EIO));
    }
}

} // namespace kavrol::WholeFile
