// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <vector>

namespace kavrol {

// A drawing on a page in millimetres from the page's top left corner, y downward: what the
// cutting template's SVG and PDF writers both draw, so the two files cannot differ.
struct TemplateDrawing {
    struct Stroke {
        std::vector<QPointF> points; // an open polyline
        double width = 0.25;
        bool dashed = false;
        QString id; // names the element in the SVG; may be empty
    };
    struct Circle {
        QPointF centre;
        double radius = 1.0;
        double width = 0.25;
    };
    enum class Anchor { Start, Middle, End };
    struct Label {
        QPointF at;        // the baseline's start, middle or end, as anchor says
        double size = 3.5; // the font's em in millimetres
        QString text;
        Anchor anchor = Anchor::Start;
        QString id;
    };

    QSizeF page;
    QString title;
    std::vector<Stroke> strokes;
    std::vector<Circle> circles;
    std::vector<Label> labels;
};

} // namespace kavrol
