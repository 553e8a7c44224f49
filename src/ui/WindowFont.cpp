// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>

namespace kavrol::WindowFont {

namespace {

// Sizes are searched in quarter points, from 6 to 10 points.
constexpr double Step = 0.25;
constexpr double SmallestSize = 6.0;
constexpr double LargestSize = 10.0;

} // namespace

const QStringList& preferredFamilies() {
    static const QStringList families = {
        QStringLiteral("MS Sans Serif"),
        QStringLiteral("Microsoft Sans Serif"),
        QStringLiteral("DejaVu Sans Condensed"),
        QStringLiteral("Liberation Sans Narrow"),
        QStringLiteral("Nimbus Sans Narrow"),
        QStringLiteral("Arial Narrow"),
        QStringLiteral("Liberation Sans"),
        QStringLiteral("Nimbus Sans"),
        QStringLiteral("Arial"),
        QStringLiteral("DejaVu Sans"),
    };
    return families;
}

QString family() {
    const QStringList installed = QFontDatabase::families();
    for (const QString& candidate : preferredFamilies()) {
        if (installed.contains(candidate, Qt::CaseInsensitive))
            return candidate;
    }
    return QGuiApplication::font().family();
}

int designTextHeight(const QFont& font) {
    // An image of the design density measures the font as a 96 dots per inch screen shows it,
    // whatever screen the program runs on. 3780 pixels per metre are 96 dots per inch.
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(3780);
    device.setDotsPerMeterY(3780);
    return QFontMetrics(font, &device).height();
}

double designPointSize(const QString& family) {
    QFont probe(family);
    const auto heightAt = [&](double size) {
        probe.setPointSizeF(size);
        return designTextHeight(probe);
    };
    double best = 0;
    // Outward from the nominal size, so that the nearest size of the right height wins.
    for (double offset = 0; offset <= LargestSize - SmallestSize; offset += Step) {
        for (const double size : {WindowPointSize - offset, WindowPointSize + offset}) {
            if (size < SmallestSize || size > LargestSize)
                continue;
            const int height = heightAt(size);
            if (height == DesignTextHeight)
                return size;
            if (height < DesignTextHeight && size > best)
                best = size;
        }
    }
    return best > 0 ? best : WindowPointSize;
}

QFont font(double nominalPointSize, bool bold) {
    const QString chosen = family();
    QFont result(chosen);
    result.setPointSizeF(nominalPointSize * designPointSize(chosen) / WindowPointSize);
    result.setBold(bold);
    return result;
}

} // namespace kavrol::WindowFont
