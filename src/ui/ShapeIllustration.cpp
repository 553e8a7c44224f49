#include "ShapeIllustration.h"

#include "PictureFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
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

} // namespace

QImage ShapeIllustration::load(const QString& name) {
    const QString inWorkingDir = QDir::current().absoluteFilePath(name);
    QFile file(inWorkingDir);
    const int error = openFile(file);
    if (error != 0) {
        // The copy that ships beside the program stands in for a missing one; the report
        // names the working directory, where the user is told to look first.
        const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath(name);
        file.setFileName(besideProgram);
        if (besideProgram == inWorkingDir || openFile(file) != 0)
            throw std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2")
                                         .arg(inWorkingDir, PictureFile::systemReason(error))
                                         .toStdString());
    }
    const QByteArray data = file.readAll();
    QImage image;
    if (file.error() != QFileDevice::NoError || !image.loadFromData(data, "BMP") || image.isNull())
        throw std::runtime_error("Bitmap image is not valid");
    return image;
}

} // namespace kavrol
