// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShapeIllustration.h"

#include "PictureFile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace kavrol {

QString ShapeIllustration::fileName(int shape) {
    switch (shape) {
    case 0:
        return QStringLiteral("Трапеция.bmp");
    case 1:
        return QStringLiteral("Парабола.bmp");
    case 2:
        return QStringLiteral("ZeFo.bmp");
    default:
        return {};
    }
}

namespace {

// Opens the file for reading; on failure returns the system's error number.
int openFile(QFile& file) {
    errno = 0;
    if (file.open(QIODevice::ReadOnly))
        return 0;
    if (errno != 0)
        return errno;
    return QFileInfo(file.fileName()).isDir() ? EISDIR : EACCES;
}

std::uint32_t little(const QByteArray& data, qsizetype at, int bytes) {
    std::uint32_t value = 0;
    for (int k = bytes - 1; k >= 0; --k)
        value = (value << 8) | static_cast<std::uint8_t>(data[at + k]);
    return value;
}

// Whether the file is a bitmap whose header is one of the known layouts and, when its rows are
// stored uncompressed, holds every row that the header announces. The codec accepts a file cut
// short, or a header it does not know, and leaves the pixels it could not read as whatever memory
// held; such files are refused here.
bool isWholeBitmap(const QByteArray& data) {
    if (data.size() < 18 || !data.startsWith("BM"))
        return false;
    const std::uint32_t headerSize = little(data, 14, 4);
    const bool core = headerSize == 12;
    const bool known = core || headerSize == 40 || headerSize == 52 || headerSize == 56 ||
                       headerSize == 64 || headerSize == 108 || headerSize == 124;
    if (!known || data.size() < 14 + static_cast<qsizetype>(headerSize))
        return false;
    const std::int64_t width =
        core ? little(data, 18, 2) : static_cast<std::int32_t>(little(data, 18, 4));
    const std::int64_t height =
        core ? little(data, 20, 2) : static_cast<std::int32_t>(little(data, 22, 4));
    const std::int64_t depth = little(data, core ? 24 : 28, 2);
    const std::uint32_t compression = core ? 0 : little(data, 30, 4);
    if (width <= 0 || height == 0 || depth <= 0 || depth > 32)
        return false;
    // Run-length rows (BI_RLE8, BI_RLE4) are left to the codec.
    if (compression == 1 || compression == 2)
        return true;
    // BI_RGB, BI_BITFIELDS and BI_ALPHABITFIELDS store the rows as they are.
    if (compression != 0 && compression != 3 && compression != 6)
        return false;
    const std::int64_t stride = (width * depth + 31) / 32 * 4;
    const std::int64_t rows = height < 0 ? -height : height;
    const std::int64_t offset = little(data, 10, 4);
    if (offset < 14 + static_cast<std::int64_t>(headerSize) || offset > data.size())
        return false;
    // rows * stride <= size - offset, without forming the product.
    return rows <= (data.size() - offset) / stride;
}

// Decodes a bitmap into a picture cleared beforehand, so that pixels the file leaves unset (run-
// length rows that stop short or skip ahead) come out as colour 0 and never as stale memory. The
// codec fills a picture of the right size and format that it is given instead of making one.
bool decodeCleared(const QByteArray& data, QImage& image) {
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&buffer, "BMP");
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (!size.isValid() || size.isEmpty() || format == QImage::Format_Invalid)
        return false;
    // The codec's own allocation limit, applied before the picture is made here.
    const std::int64_t bytes = std::int64_t{size.width()} * size.height() *
                               QImage::toPixelFormat(format).bitsPerPixel() / 8;
    const int limit = QImageReader::allocationLimit();
    if (limit > 0 && bytes > std::int64_t{limit} * 1024 * 1024)
        return false;
    QImage cleared(size, format);
    if (cleared.isNull())
        return false;
    cleared.fill(0);
    if (!reader.read(&cleared) || cleared.isNull())
        return false;
    image = cleared;
    return true;
}

} // namespace

QStringList ShapeIllustration::shippedFolders() {
    const QString program = QCoreApplication::applicationDirPath();
    return {program, QDir::cleanPath(program + QStringLiteral("/../share/kavrol"))};
}

QImage ShapeIllustration::load(const QString& name) {
    const QString inWorkingDir = QDir::current().absoluteFilePath(name);
    QFile file(inWorkingDir);
    const int error = openFile(file);
    if (error != 0) {
        // The copies that ship with the program stand in for a missing one; the report names
        // the working directory, where the user is told to look first.
        bool found = false;
        for (const QString& folder : shippedFolders()) {
            const QString shipped = QDir(folder).filePath(name);
            file.setFileName(shipped);
            if (shipped != inWorkingDir && openFile(file) == 0) {
                found = true;
                break;
            }
        }
        if (!found)
            throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2")
                                         .arg(inWorkingDir, PictureFile::systemReason(error))
                                         .toStdString());
    }
    const QByteArray data = file.readAll();
    QImage image;
    if (file.error() != QFileDevice::NoError || !isWholeBitmap(data) || !decodeCleared(data, image))
        throw std::runtime_error("Bitmap image is not valid");
    return image;
}

} // namespace kavrol
