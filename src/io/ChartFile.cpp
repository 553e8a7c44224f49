// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChartFile.h"

#include "PictureFile.h"
#include "WholeFile.h"

#include <QBuffer>
#include <QChart>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <stdexcept>

namespace kavrol::ChartFile {

namespace {

// Lends the chart to a scene of its own for as long as it lives.
class SceneLoan {
public:
    SceneLoan(QChart& chart, QSize size) : chart_(chart) {
        if (chart.scene() != nullptr) {
            throw std::logic_error("A chart shown in a view cannot be rendered to a file");
        }
        scene_.addItem(&chart_);
        chart_.resize(QSizeF(size));
        if (QGraphicsLayout* layout = chart_.layout()) {
            layout->activate();
        }
        scene_.setSceneRect(QRectF(QPointF(0, 0), QSizeF(size)));
    }
    ~SceneLoan() { scene_.removeItem(&chart_); }
    SceneLoan(const SceneLoan&) = delete;
    SceneLoan& operator=(const SceneLoan&) = delete;

    void draw(QPainter& painter, QSize size) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        scene_.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)),
                      QRectF(QPointF(0, 0), QSizeF(size)));
    }

private:
    QChart& chart_;
    QGraphicsScene scene_;
};

} // namespace

std::optional<Format> formatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        return Format::Png;
    }
    if (suffix == QLatin1String("svg")) {
        return Format::Svg;
    }
    return std::nullopt;
}

QByteArray render(QChart& chart, Format format, QSize size) {
    SceneLoan loan(chart, size);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (format == Format::Png) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            loan.draw(painter, size);
        }
        image.save(&buffer, "PNG");
        return bytes;
    }
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(chart.title());
    generator.setDescription(QStringLiteral("Kavrol"));
    {
        QPainter painter(&generator);
        loan.draw(painter, size);
    }
    return bytes;
}

void checkName(const QString& path) {
    if (!formatOf(path)) {
        throw SaveError(
            QStringLiteral("Cannot create file \"%1\". The name must end in .png or .svg")
                .arg(QFileInfo(path).absoluteFilePath()));
    }
}

void write(QChart& chart, const QString& path, QSize size) {
    checkName(path);
    WholeFile::write(path, render(chart, *formatOf(path), size));
}

} // namespace kavrol::ChartFile
