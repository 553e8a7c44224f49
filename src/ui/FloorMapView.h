// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FloorMap.h"
#include "TankEstimate.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

namespace kavrol {

// The floor map of the whole tank on screen: the picture the files hold (colour map, colour
// bar, outline, tubes, contour lines), with Russian words, scaled to the widget, and the PPFD
// of the cell under the mouse.
class FloorMapView : public QWidget {
    Q_OBJECT
public:
    // A point of the floor and its cell: millimetres across (x, from the centre line) and
    // along (z, from one end glass), PPFD and its bound in umol m^-2 s^-1.
    struct Reading {
        double xMm = 0.0;
        double zMm = 0.0;
        double ppfd = 0.0;
        double error = 0.0;
    };

    explicit FloorMapView(QWidget* parent = nullptr);

    // Shows the estimate's floor with these tubes; clear() leaves a note instead.
    void setMap(const physics::TankEstimate& estimate, std::vector<FloorMap::TubeSpan> tubes);
    void clear(const QString& note);
    bool hasMap() const { return estimate_.has_value(); }

    // The floor's point under a position of the widget, none off the floor or without a map.
    std::optional<Reading> readingAt(QPointF position) const;
    // The reading in words: "поперёк 10 мм, вдоль 600 мм: 63,5 ± 0,3 мкмоль/(м²·с)".
    static QString describe(const Reading& reading);

    // The map's words in Russian with the locale's decimal separator.
    static FloorMap::Captions captions();

    QSize sizeHint() const override { return {540, 300}; }
    QSize minimumSizeHint() const override { return {360, 200}; }

signals:
    // The text of the cell under the mouse; empty when it leaves the floor.
    void hovered(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // From the picture's pixels to the widget's: scaled to fit, centred.
    QTransform pictureToWidget() const;

    std::optional<physics::TankEstimate> estimate_;
    std::vector<FloorMap::TubeSpan> tubes_;
    QString note_;
};

} // namespace kavrol
