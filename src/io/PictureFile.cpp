#include "PictureFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <cerrno>
#include <cstring>
#include <limits>

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
    QString reason = QString::fromLocal8Bit(std::strerror(errorNumber));
    while (!reason.isEmpty() &&
           (reason.endsWith(QLatin1Char('.')) || reason.endsWith(QLatin1Char(' '))))
        reason.chop(1);
    return reason;
}

namespace {

[[noreturn]] void CannotCreate(const QString& fullPath, int errorNumber) {
    throw SaveError(
        QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath, systemReason(errorNumber)));
}

// The full path of a name that may reach the system; throws for names that must not.
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

void writeOpened(QFile& file, const Canvas& canvas, int dotsPerInch) {
    QImageWriter writer(&file, "bmp");
    // Qt's own default would be the screen's density, or 100 dots per inch without a screen.
    QImage image = toImage(canvas);
    image.setDotsPerMeterX(pixelsPerMetre(dotsPerInch));
    image.setDotsPerMeterY(pixelsPerMetre(dotsPerInch));
    const bool written = writer.write(image);
    const bool flushed = written && file.flush();
    file.close();
    if (!written || !flushed || file.error() != QFileDevice::NoError)
        throw SaveError(QStringLiteral("Stream write error"));
}

} // namespace

int pixelsPerMetre(int dotsPerInch) {
    // dots per inch * 10000 / 254, rounded; the remainder is never exactly half, 254 being even
    // and the dividend a multiple of 10000.
    return static_cast<int>((static_cast<long long>(dotsPerInch) * 10000 + 127) / 254);
}

void save(const Canvas& canvas, const QString& path, int dotsPerInch) {
    const QString fullPath = checkedFullPath(path);
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        CannotCreate(fullPath, errno != 0 ? errno : EACCES);
    writeOpened(file, canvas, dotsPerInch);
}

bool saveIfNew(const Canvas& canvas, const QString& path, int dotsPerInch) {
    const QString fullPath = checkedFullPath(path);
    QFile file(path);
    errno = 0;
    // NewOnly creates the file exclusively: it fails on any existing entry, a dangling link too.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (errno == EEXIST)
            return false;
        CannotCreate(fullPath, errno != 0 ? errno : EACCES);
    }
    writeOpened(file, canvas, dotsPerInch);
    return true;
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
    return name;
}

QString withBmpExtension(const QString& name) {
    if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive))
        return name;
    return name + QStringLiteral(".bmp");
}

} // namespace kavrol::PictureFile
