// SPDX-License-Identifier: GPL-3.0-or-later
#include "PictureFile.h"

#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QImageWriter>
#include <cerrno>
#include <exception>
#include <limits>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace kavrol::PictureFile {

QImage toImage(const Canvas& canvas) {
    QImage image(canvas.width(), canvas.height(), QImage::Format_RGB32);
    const auto& pixels = canvas.pixels();
    for (int y = 0; y < canvas.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const Rgb* source =
            pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width());
        for (int x = 0; x < canvas.width(); ++x)
            row[x] = 0xFF000000u | source[x];
    }
    return image;
}

QString systemReason(int errorNumber) {
    return QString::fromLocal8Bit(FileError::Reason(errorNumber).c_str());
}

namespace {

[[noreturn]] void CannotCreate(const QString& fullPath, int errorNumber) {
    throw SaveError(
        QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath, systemReason(errorNumber)));
}

// Qt's image writer over an AtomicFile; the file's failure is kept to be thrown after the writer.
class AtomicDevice : public QIODevice {
public:
    explicit AtomicDevice(AtomicFile& file) : file_(file) { open(QIODevice::WriteOnly); }
    std::exception_ptr failure() const { return failure_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        try {
            file_.write(std::string_view(data, static_cast<std::size_t>(size)));
        } catch (...) {
            failure_ = std::current_exception();
            return -1;
        }
        return size;
    }

private:
    AtomicFile& file_;
    std::exception_ptr failure_;
};

// The window's messages for the file's failures; the detail names the file in each.
[[noreturn]] void Translate(const FileError& e, const QString& fullPath) {
    if (e.stage() == FileError::Stage::Create)
        CannotCreate(fullPath, e.errorNumber());
    throw SaveError(QStringLiteral("Stream write error"),
                    QStringLiteral("Cannot write file \"%1\". %2")
                        .arg(fullPath, systemReason(e.errorNumber())));
}

// Writes the picture into file and commits it; false when the name was taken meanwhile.
bool writeWhole(AtomicFile& file, const Canvas& canvas, int dotsPerInch) {
    AtomicDevice device(file);
    QImageWriter writer(&device, "bmp");
    // Qt's own default would be the screen's density, or 100 dots per inch without a screen.
    QImage image = toImage(canvas);
    image.setDotsPerMeterX(pixelsPerMetre(dotsPerInch));
    image.setDotsPerMeterY(pixelsPerMetre(dotsPerInch));
    const bool written = writer.write(image);
    if (device.failure())
        std::rethrow_exception(device.failure());
    if (!written)
        throw FileError(FileError::Stage::Write, file.path(), EIO);
    return file.commit();
}

} // namespace

QString checkedFullPath(const QString& path) {
    // No file name can hold a NUL character: the system would see the name cut short there and
    // create another file. The message shows the NUL as U+FFFD so that its text stays whole.
    if (path.contains(QChar(0))) {
        QString shown = path;
        shown.replace(QChar(0), QChar(QChar::ReplacementCharacter));
        CannotCreate(QFileInfo(shown).absoluteFilePath(), EINVAL);
    }
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    // An empty name never reaches the system; it answers such a name with ENOENT.
    if (path.isEmpty())
        CannotCreate(fullPath, ENOENT);
    return fullPath;
}

int pixelsPerMetre(int dotsPerInch) {
    // dots per inch * 10000 / 254, rounded; the remainder is never exactly half, 254 being even
    // and the dividend a multiple of 10000.
    return static_cast<int>((static_cast<long long>(dotsPerInch) * 10000 + 127) / 254);
}

void save(const Canvas& canvas, const QString& path, int dotsPerInch) {
    const QString fullPath = checkedFullPath(path);
    try {
        AtomicFile file(QFile::encodeName(path).toStdString());
        writeWhole(file, canvas, dotsPerInch);
    } catch (const FileError& e) {
        Translate(e, fullPath);
    }
}

bool saveIfNew(const Canvas& canvas, const QString& path, int dotsPerInch) {
    const QString fullPath = checkedFullPath(path);
    try {
        AtomicFile file(QFile::encodeName(path).toStdString(), AtomicFile::Existing::Keep);
        return !file.taken() && writeWhole(file, canvas, dotsPerInch);
    } catch (const FileError& e) {
        Translate(e, fullPath);
    }
}

QString numberedName(const QString& stem, int n) {
    if (n <= 1)
        return stem + QStringLiteral(".bmp");
    return QStringLiteral("%1-%2.bmp").arg(stem).arg(n);
}

QString saveUnderFreeName(const Canvas& canvas, const QDir& folder, const QString& stem,
                          int dotsPerInch) {
    for (int n = 1; n < std::numeric_limits<int>::max(); ++n) {
        const QString name = numberedName(stem, n);
        if (saveIfNew(canvas, folder.filePath(name), dotsPerInch))
            return name;
    }
    CannotCreate(folder.absoluteFilePath(numberedName(stem, std::numeric_limits<int>::max())),
                 EEXIST);
}

QString nameFromBytes(const std::string& bytes) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(bytes));
    // A name that is not valid in the local encoding would be written under another name.
    if (QFile::encodeName(name).toStdString() != bytes)
        CannotCreate(QFileInfo(name).absoluteFilePath(), EILSEQ);
    // Standard output carries the report: a file written there would be mixed into it or, where
    // the output is redirected to a file, replace that file and lose the report.
    if (bytes == "-")
        throw SaveError(QStringLiteral("Cannot create file \"%1\". \"-\" does not stand for the "
                                       "standard output, which carries the report; give the "
                                       "file a name of its own")
                            .arg(QFileInfo(name).absoluteFilePath()));
    struct stat output {};
    struct stat named {};
    if (::fstat(STDOUT_FILENO, &output) == 0 && ::stat(bytes.c_str(), &named) == 0 &&
        output.st_dev == named.st_dev && output.st_ino == named.st_ino)
        throw SaveError(QStringLiteral("Cannot create file \"%1\". It is the standard output, "
                                       "which carries the report; give the file a name of its "
                                       "own")
                            .arg(QFileInfo(name).absoluteFilePath()));
    return name;
}

QString withBmpExtension(const QString& name) {
    if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive))
        return name;
    return name + QStringLiteral(".bmp");
}

} // namespace kavrol::PictureFile
