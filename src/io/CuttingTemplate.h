// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Fixture.h"
#include "PhysicalDesign.h"
#include "TemplateDrawing.h"

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <utility>
#include <vector>

namespace kavrol {

namespace physics {
class ReflectorCurve;
}

// The reflector's profile at 1:1 on paper, for cutting and bending sheet metal: the exact
// curve of the physical model at true size, the centre line, the tube's circle and axis, a tick
// every 10 mm of length along the curve numbered from the centre, the flat sheet's width (the
// curve's length), A, B and C (a profile of points: its width and depth), and a 100 mm bar to check
// the print's scale. The page is the smallest of A4 and A3 that holds it with margins, landscape
// when only that fits or when the drawing is wider than tall; a drawing too big for A3 gets a page
// of its own size, up to A0 (what a plotter takes). A template that A0 cannot hold, or whose
// flat sheet is longer than kLongestSheetMm, is refused with its sizes rather than drawn at
// any size (see docs/fixture.md).
class CuttingTemplate {
public:
    enum class Paper { A4, A3, Custom };
    struct Page {
        Paper paper = Paper::A4;
        bool landscape = false;
        QSizeF sizeMm; // width and height as printed
    };
    static constexpr double kMarginMm = 15.0;
    // The largest page a template is drawn on, A0 upright, in millimetres.
    static constexpr QSizeF kLargestPageMm{841.0, 1189.0};
    // The longest flat sheet a template is drawn for: ticks every 10 mm make a thousand labels.
    static constexpr double kLongestSheetMm = 10000.0;

    // Throws PhysicalDesignError when the design cannot exist or the template is too large.
    explicit CuttingTemplate(const physics::PhysicalDesign& design);
    // A fixture unit's profile of points with its tube, drawn as the physical model joins the
    // points and labelled with `name`, its width and its depth instead of A, B and C. Throws
    // PhysicalDesignError for a unit of the three shapes, a curve that cannot be drawn or a
    // template too large.
    CuttingTemplate(const physics::Fixture::Unit& unit, const QString& name);

    // The page for a drawing of this size (millimetres, margins not included).
    static Page ChoosePage(QSizeF drawingMm);

    double sheetWidthMm() const { return sheetWidth_; }
    const Page& page() const { return page_; }
    const TemplateDrawing& drawing() const { return drawing_; }

    // The template as an SVG document whose width and height are in millimetres and whose user
    // unit is the millimetre; the curve is the polyline with id "curve", the sheet's width the
    // text with id "sheet-width".
    QByteArray svg() const;
    // The template as a one-page PDF document of the chosen page size (Qt's PDF writer).
    QByteArray pdf() const;

    // Write whole or not at all (WholeFile); throw SaveError as it does.
    void writeSvg(const QString& path) const;
    void writePdf(const QString& path) const;
    // Writes SVG or PDF as the name ends (".svg" or ".pdf", any letter case); throws SaveError
    // "Cannot create file "<full path>". The name must end in .svg or .pdf" otherwise.
    void write(const QString& path) const;
    // Throws the SaveError write() gives for a name that ends in neither.
    static void CheckName(const QString& path);

private:
    // The drawing and the page for a curve; `heading` holds the first lines of the notes with
    // their ids.
    void layOut(const physics::ReflectorCurve& curve, double tubeRadius, double lampDistance,
                const std::vector<std::pair<QString, QString>>& heading, const QString& title);

    double sheetWidth_ = 0.0;
    Page page_;
    TemplateDrawing drawing_;
};

} // namespace kavrol
