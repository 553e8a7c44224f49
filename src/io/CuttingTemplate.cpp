// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: the profile (x across, y down); the notes and the scale bar; the page and
// the placing; the SVG writer; the PDF writer; files.
#include "CuttingTemplate.h"

#include "NumberText.h"
#include "PhysicalDesignError.h"
#include "PictureFile.h"
#include "ReflectorCurve.h"
#include "Scene.h"
#include "WholeFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRectF>
#include <QXmlStreamWriter>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace kavrol {

namespace {

constexpr double kTickStep = 10.0; // mm of curve length between ticks
constexpr double kLabelSize = 2.2;
constexpr double kNoteSize = 3.5;
constexpr double kNoteSpacing = 6.0;
constexpr double kScaleBar = 100.0;
const QString kFontFamily = QStringLiteral("DejaVu Sans");

// A rough width of a label for laying out the page; the fonts' real advance is a little less.
double EstimatedWidth(const TemplateDrawing::Label& label) {
    return 0.6 * label.size * static_cast<double>(label.text.size());
}

QRectF LabelBox(const TemplateDrawing::Label& label) {
    const double width = EstimatedWidth(label);
    double left = label.at.x();
    if (label.anchor == TemplateDrawing::Anchor::Middle) {
        left -= width / 2.0;
    } else if (label.anchor == TemplateDrawing::Anchor::End) {
        left -= width;
    }
    return {left, label.at.y() - label.size, width, label.size * 1.25};
}

// QRectF::united skips empty rectangles, so single points are gathered by hand.
QRectF Bounds(const TemplateDrawing& drawing) {
    double left = std::numeric_limits<double>::infinity();
    double top = left;
    double right = -left;
    double bottom = -left;
    const auto add = [&](const QRectF& r) {
        left = std::min(left, r.left());
        top = std::min(top, r.top());
        right = std::max(right, r.right());
        bottom = std::max(bottom, r.bottom());
    };
    for (const auto& stroke : drawing.strokes) {
        for (const QPointF& p : stroke.points) {
            add(QRectF(p, QSizeF(0.0, 0.0)));
        }
    }
    for (const auto& circle : drawing.circles) {
        add(QRectF(circle.centre - QPointF(circle.radius, circle.radius),
                   QSizeF(2 * circle.radius, 2 * circle.radius)));
    }
    for (const auto& label : drawing.labels) {
        add(LabelBox(label));
    }
    return left <= right ? QRectF(QPointF(left, top), QPointF(right, bottom)) : QRectF();
}

void Shift(TemplateDrawing& drawing, QPointF by) {
    for (auto& stroke : drawing.strokes) {
        for (QPointF& p : stroke.points) {
            p += by;
        }
    }
    for (auto& circle : drawing.circles) {
        circle.centre += by;
    }
    for (auto& label : drawing.labels) {
        label.at += by;
    }
}

// --- The profile: x across from the centre line, y down from the reflector's top line ---

void AddTicks(const physics::ReflectorCurve& curve, TemplateDrawing& drawing) {
    const int first = static_cast<int>(std::ceil(curve.leftS() / kTickStep - 1e-9));
    const int last = static_cast<int>(std::floor(curve.rightS() / kTickStep + 1e-9));
    for (int k = first; k <= last; ++k) {
        const double s = k * kTickStep;
        const physics::ReflectorCurve::Station at = curve.at(s);
        const double length = k % 5 == 0 ? 5.0 : 3.0;
        const QPointF foot(at.x, at.y);
        const QPointF normal(at.nx, at.ny);
        // Ids name the side and the number: "tick-l20", "tick-0", "tick-r20".
        const int number = std::abs(k) * static_cast<int>(kTickStep);
        const QString id = k == 0  ? QStringLiteral("tick-0")
                           : k < 0 ? QStringLiteral("tick-l%1").arg(number)
                                   : QStringLiteral("tick-r%1").arg(number);
        drawing.strokes.push_back({{foot, foot + length * normal}, 0.2, false, id});
        const QPointF label = foot + (length + 0.6 + kLabelSize * 0.6) * normal;
        drawing.labels.push_back({label + QPointF(0.0, kLabelSize * 0.35),
                                  kLabelSize,
                                  QString::number(number),
                                  TemplateDrawing::Anchor::Middle,
                                  {}});
    }
}

void AddProfile(const physics::ReflectorCurve& curve, double radius, double lampDistance,
                TemplateDrawing& drawing) {
    TemplateDrawing::Stroke line;
    line.id = QStringLiteral("curve");
    line.width = 0.35;
    for (const auto& p : curve.points()) {
        line.points.emplace_back(p.x, p.y);
    }
    drawing.strokes.push_back(std::move(line));
    AddTicks(curve, drawing);

    const QPointF axis(0.0, lampDistance);
    double deepest = lampDistance + radius;
    for (const auto& p : curve.points()) {
        deepest = std::max(deepest, p.y);
    }
    drawing.strokes.push_back(
        {{QPointF(0.0, -8.0), QPointF(0.0, deepest + 6.0)}, 0.18, true, QStringLiteral("centre")});
    drawing.circles.push_back({axis, radius, 0.25});
    const double reach = radius + 4.0;
    drawing.strokes.push_back(
        {{axis - QPointF(reach, 0.0), axis + QPointF(reach, 0.0)}, 0.18, false, {}});
    drawing.strokes.push_back(
        {{axis - QPointF(0.0, reach), axis + QPointF(0.0, reach)}, 0.18, false, {}});
}

// --- The notes and the scale bar, from top = 0 down ---

QString ShapeName(physics::ReflectorShape shape) {
    switch (shape) {
    case physics::ReflectorShape::Trapezoid:
        return QStringLiteral("Трапеция");
    case physics::ReflectorShape::Parabola:
        return QStringLiteral("Парабола");
    case physics::ReflectorShape::TwinArc:
        return QStringLiteral("ZeFo");
    }
    return {};
}

QString LengthText(double value, int decimals) {
    return NumberText::fixed(value, value == std::round(value) ? 0 : decimals) +
           QStringLiteral(" мм");
}

// The lines above the ones every template shares: for a shape its name, A, B and C.
std::vector<std::pair<QString, QString>> ShapeLines(const physics::PhysicalDesign& design) {
    const auto mm = [](double value) { return LengthText(value, 1); };
    const QString c = design.shape == physics::ReflectorShape::Parabola
                          ? QStringLiteral("C — нет у параболы")
                          : QStringLiteral("C = ") + mm(design.c);
    return {
        {QStringLiteral("Шаблон отражателя «%1», масштаб 1:1").arg(ShapeName(design.shape)), {}},
        {QStringLiteral("A = %1, B = %2, %3").arg(mm(design.a), mm(design.b), c), {}},
    };
}

TemplateDrawing Notes(std::vector<std::pair<QString, QString>> lines, double sheetWidth,
                      double tubeRadius, double lampDistance, bool fromLeftRim) {
    const auto mm = [](double value) { return LengthText(value, 1); };
    lines.push_back(
        {QStringLiteral("Ширина листа (длина кривой): %1 мм").arg(NumberText::fixed(sheetWidth, 1)),
         QStringLiteral("sheet-width")});
    lines.push_back({fromLeftRim ? QStringLiteral("Метки через 10 мм по длине кривой, счёт от "
                                                  "левого края: ось лампы вне профиля")
                                 : QStringLiteral("Метки через 10 мм по длине кривой, счёт от "
                                                  "середины"),
                     {}});
    lines.push_back({QStringLiteral("Лампа Ø%1, ось на %2 ниже верхней линии")
                         .arg(mm(2.0 * tubeRadius), mm(lampDistance)),
                     {}});
    TemplateDrawing notes;
    double y = kNoteSize;
    for (const auto& [text, id] : lines) {
        notes.labels.push_back(
            {QPointF(0.0, y), kNoteSize, text, TemplateDrawing::Anchor::Start, id});
        y += kNoteSpacing;
    }
    // The bar with a tick every 10 mm; its length is what a ruler must read on the print.
    y += 4.0;
    notes.strokes.push_back(
        {{QPointF(0.0, y), QPointF(kScaleBar, y)}, 0.3, false, QStringLiteral("scale-bar")});
    for (int i = 0; i <= 10; ++i) {
        const double tick = i % 5 == 0 ? 3.0 : 1.5;
        notes.strokes.push_back(
            {{QPointF(i * 10.0, y - tick), QPointF(i * 10.0, y)}, 0.2, false, {}});
    }
    notes.labels.push_back({QPointF(kScaleBar + 3.0, y),
                            kNoteSize,
                            QStringLiteral("100 мм — проверьте масштаб печати"),
                            TemplateDrawing::Anchor::Start,
                            {}});
    return notes;
}

// --- The page ---

QSizeF PaperSize(CuttingTemplate::Paper paper) {
    return paper == CuttingTemplate::Paper::A4 ? QSizeF(210.0, 297.0) : QSizeF(297.0, 420.0);
}

bool Holds(QSizeF page, QSizeF drawing) {
    const double room = 2.0 * CuttingTemplate::kMarginMm;
    return drawing.width() <= page.width() - room && drawing.height() <= page.height() - room;
}

// --- The SVG writer ---

QString Mm(double value) {
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(QLatin1Char('0'))) {
        text.chop(1);
    }
    if (text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString Points(const std::vector<QPointF>& points) {
    QStringList pairs;
    pairs.reserve(static_cast<qsizetype>(points.size()));
    for (const QPointF& p : points) {
        pairs << Mm(p.x()) + QLatin1Char(',') + Mm(p.y());
    }
    return pairs.join(QLatin1Char(' '));
}

QString AnchorName(TemplateDrawing::Anchor anchor) {
    switch (anchor) {
    case TemplateDrawing::Anchor::Start:
        return QStringLiteral("start");
    case TemplateDrawing::Anchor::Middle:
        return QStringLiteral("middle");
    case TemplateDrawing::Anchor::End:
        return QStringLiteral("end");
    }
    return {};
}

// --- The PDF writer: QPdfWriter's device pixels, converted from millimetres here ---

class PdfPen {
public:
    explicit PdfPen(QPainter& painter, double pixelsPerMm)
        : painter_(painter), scale_(pixelsPerMm) {}

    QPointF at(QPointF mm) const { return mm * scale_; }

    void stroke(const TemplateDrawing::Stroke& stroke) {
        QPen pen(Qt::black, stroke.width * scale_);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::RoundJoin);
        if (stroke.dashed) {
            // Dashes of 3 mm with 1.5 mm gaps, in units of the pen's width.
            pen.setDashPattern({3.0 / stroke.width, 1.5 / stroke.width});
        }
        painter_.setPen(pen);
        QPolygonF polygon;
        for (const QPointF& p : stroke.points) {
            polygon << at(p);
        }
        painter_.drawPolyline(polygon);
    }

    void circle(const TemplateDrawing::Circle& circle) {
        painter_.setPen(QPen(Qt::black, circle.width * scale_));
        painter_.setBrush(Qt::NoBrush);
        const double r = circle.radius * scale_;
        painter_.drawEllipse(at(circle.centre), r, r);
    }

    void label(const TemplateDrawing::Label& label) {
        QFont font(kFontFamily);
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(label.size * scale_))));
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        const double width = QFontMetricsF(font, painter_.device()).horizontalAdvance(label.text);
        QPointF base = at(label.at);
        if (label.anchor == TemplateDrawing::Anchor::Middle) {
            base.rx() -= width / 2.0;
        } else if (label.anchor == TemplateDrawing::Anchor::End) {
            base.rx() -= width;
        }
        painter_.drawText(base, label.text);
    }

private:
    QPainter& painter_;
    double scale_;
};

} // namespace

// A number for a message, with one decimal at most, whatever the locale.
std::string MessageNumber(double value) {
    char text[64];
    const double rounded = std::round(value * 10.0) / 10.0;
    const int decimals = rounded == std::round(rounded) ? 0 : 1;
    const auto end =
        std::to_chars(text, text + sizeof text, rounded, std::chars_format::fixed, decimals);
    return std::string(text, end.ptr);
}

std::string MessageMm(double value) {
    return MessageNumber(value) + " mm";
}

// Refuses a template that the largest page cannot hold, before anything is drawn at its size.
void RefuseOversized(QSizeF drawingMm, double sheetMm) {
    const QSizeF largest = CuttingTemplate::kLargestPageMm;
    const double room = 2.0 * CuttingTemplate::kMarginMm;
    const QSizeF needed(drawingMm.width() + room, drawingMm.height() + room);
    const bool fits = (needed.width() <= largest.width() && needed.height() <= largest.height()) ||
                      (needed.width() <= largest.height() && needed.height() <= largest.width());
    const std::string page = "the largest page, A0 (" + MessageNumber(largest.width()) + " × " +
                             MessageMm(largest.height()) + ")";
    if (!fits) {
        throw physics::PhysicalDesignError(
            "The cutting template does not fit " + page + ": its drawing needs " +
            MessageNumber(needed.width()) + " × " + MessageMm(needed.height()) +
            " with its margins, for a flat sheet " + MessageMm(sheetMm) + " long");
    }
    if (!(sheetMm <= CuttingTemplate::kLongestSheetMm)) {
        throw physics::PhysicalDesignError("The cutting template is not drawn: its flat sheet is " +
                                           MessageMm(sheetMm) + " long, more than the " +
                                           MessageMm(CuttingTemplate::kLongestSheetMm) +
                                           " a template on " + page + " is drawn for");
    }
}

CuttingTemplate::Page CuttingTemplate::ChoosePage(QSizeF drawingMm) {
    const bool wide = drawingMm.width() > drawingMm.height();
    for (const Paper paper : {Paper::A4, Paper::A3}) {
        const QSizeF upright = PaperSize(paper);
        const QSizeF turned = upright.transposed();
        const bool portraitHolds = Holds(upright, drawingMm);
        const bool landscapeHolds = Holds(turned, drawingMm);
        if (landscapeHolds && (wide || !portraitHolds)) {
            return {paper, true, turned};
        }
        if (portraitHolds) {
            return {paper, false, upright};
        }
    }
    const double room = 2.0 * kMarginMm;
    const QSizeF own(std::ceil(drawingMm.width() + room), std::ceil(drawingMm.height() + room));
    return {Paper::Custom, own.width() > own.height(), own};
}

CuttingTemplate::CuttingTemplate(const physics::PhysicalDesign& design) {
    physics::Scene::FromDesign(design); // refuses designs that cannot exist
    layOut(physics::ReflectorCurve::FromDesign(design), design.tubeRadius, design.lampDistance,
           ShapeLines(design),
           QStringLiteral("Шаблон отражателя «%1»").arg(ShapeName(design.shape)));
}

CuttingTemplate::CuttingTemplate(const physics::Fixture::Unit& unit, const QString& name) {
    if (!(std::isfinite(unit.tubeRadius) && unit.tubeRadius > 0.0 &&
          std::isfinite(unit.lampDistance))) {
        throw physics::PhysicalDesignError("The tube's radius and distance must be finite");
    }
    const physics::Fixture::Reflector& r = unit.reflector;
    if (!r.hasProfile) {
        throw physics::PhysicalDesignError("The unit's reflector is no profile of points");
    }
    // The points' box and the polyline through them are within the curve's, so a profile they
    // already make too large is refused before the curve is sampled at its full length.
    double pointsLeft = std::numeric_limits<double>::infinity();
    double pointsTop = pointsLeft;
    double pointsRight = -pointsLeft;
    double pointsBottom = -pointsLeft;
    double polyline = 0.0;
    for (std::size_t i = 0; i < r.points.size(); ++i) {
        const physics::Fixture::Point& p = r.points[i];
        pointsLeft = std::min(pointsLeft, p.x);
        pointsRight = std::max(pointsRight, p.x);
        pointsTop = std::min(pointsTop, p.y);
        pointsBottom = std::max(pointsBottom, p.y);
        if (i > 0) {
            polyline += std::hypot(p.x - r.points[i - 1].x, p.y - r.points[i - 1].y);
        }
    }
    if (!r.points.empty()) {
        RefuseOversized(QSizeF(pointsRight - pointsLeft, pointsBottom - pointsTop), polyline);
    }
    const physics::ReflectorCurve curve = physics::ReflectorCurve::FromProfile(r.points, r.join);
    double left = std::numeric_limits<double>::infinity();
    double top = left;
    double right = -left;
    double bottom = -left;
    for (const auto& p : curve.points()) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    const QString join = r.join == physics::Fixture::Join::Smooth
                             ? QStringLiteral("плавный профиль по точкам")
                             : QStringLiteral("профиль по точкам, прямые между ними");
    layOut(curve, unit.tubeRadius, unit.lampDistance,
           {{QStringLiteral("Шаблон отражателя: %1, масштаб 1:1").arg(name), {}},
            {QStringLiteral("%1: ширина %2, глубина %3")
                 .arg(join, LengthText(right - left, 1), LengthText(bottom - top, 1)),
             QStringLiteral("profile-size")}},
           QStringLiteral("Шаблон отражателя: %1").arg(name));
}

void CuttingTemplate::layOut(const physics::ReflectorCurve& curve, double tubeRadius,
                             double lampDistance,
                             const std::vector<std::pair<QString, QString>>& heading,
                             const QString& title) {
    sheetWidth_ = curve.length();

    TemplateDrawing profile;
    AddProfile(curve, tubeRadius, lampDistance, profile);
    TemplateDrawing notes =
        Notes(heading, sheetWidth_, tubeRadius, lampDistance, curve.fromLeftRim());
    const QRectF profileBox = Bounds(profile);
    const QRectF notesBox = Bounds(notes);
    constexpr double kGap = 10.0;
    const QSizeF whole(std::max(profileBox.width(), notesBox.width()),
                       profileBox.height() + kGap + notesBox.height());
    RefuseOversized(whole, sheetWidth_);
    page_ = ChoosePage(whole);

    // The profile centred across the page at the top margin, the notes below it at the left of
    // the whole drawing.
    const double left = (page_.sizeMm.width() - whole.width()) / 2.0;
    const double top = std::max(kMarginMm, (page_.sizeMm.height() - whole.height()) / 2.0);
    Shift(profile, QPointF(left + (whole.width() - profileBox.width()) / 2.0 - profileBox.left(),
                           top - profileBox.top()));
    Shift(notes,
          QPointF(left - notesBox.left(), top + profileBox.height() + kGap - notesBox.top()));

    drawing_ = std::move(profile);
    drawing_.page = page_.sizeMm;
    drawing_.title = title;
    for (auto& stroke : notes.strokes) {
        drawing_.strokes.push_back(std::move(stroke));
    }
    for (auto& label : notes.labels) {
        drawing_.labels.push_back(std::move(label));
    }
}

QByteArray CuttingTemplate::svg() const {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("svg"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
    const QSizeF page = drawing_.page;
    xml.writeAttribute(QStringLiteral("width"), Mm(page.width()) + QStringLiteral("mm"));
    xml.writeAttribute(QStringLiteral("height"), Mm(page.height()) + QStringLiteral("mm"));
    xml.writeAttribute(QStringLiteral("viewBox"),
                       QStringLiteral("0 0 %1 %2").arg(Mm(page.width()), Mm(page.height())));
    xml.writeTextElement(QStringLiteral("title"), drawing_.title);
    xml.writeStartElement(QStringLiteral("g"));
    xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("none"));
    xml.writeAttribute(QStringLiteral("stroke"), QStringLiteral("black"));
    for (const auto& stroke : drawing_.strokes) {
        xml.writeEmptyElement(QStringLiteral("polyline"));
        if (!stroke.id.isEmpty()) {
            xml.writeAttribute(QStringLiteral("id"), stroke.id);
        }
        xml.writeAttribute(QStringLiteral("stroke-width"), Mm(stroke.width));
        if (stroke.dashed) {
            xml.writeAttribute(QStringLiteral("stroke-dasharray"), QStringLiteral("3 1.5"));
        }
        xml.writeAttribute(QStringLiteral("points"), Points(stroke.points));
    }
    for (const auto& circle : drawing_.circles) {
        xml.writeEmptyElement(QStringLiteral("circle"));
        xml.writeAttribute(QStringLiteral("cx"), Mm(circle.centre.x()));
        xml.writeAttribute(QStringLiteral("cy"), Mm(circle.centre.y()));
        xml.writeAttribute(QStringLiteral("r"), Mm(circle.radius));
        xml.writeAttribute(QStringLiteral("stroke-width"), Mm(circle.width));
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("g"));
    xml.writeAttribute(QStringLiteral("font-family"), kFontFamily + QStringLiteral(", sans-serif"));
    xml.writeAttribute(QStringLiteral("fill"), QStringLiteral("black"));
    for (const auto& label : drawing_.labels) {
        xml.writeStartElement(QStringLiteral("text"));
        if (!label.id.isEmpty()) {
            xml.writeAttribute(QStringLiteral("id"), label.id);
        }
        xml.writeAttribute(QStringLiteral("x"), Mm(label.at.x()));
        xml.writeAttribute(QStringLiteral("y"), Mm(label.at.y()));
        xml.writeAttribute(QStringLiteral("font-size"), Mm(label.size));
        xml.writeAttribute(QStringLiteral("text-anchor"), AnchorName(label.anchor));
        xml.writeCharacters(label.text);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray CuttingTemplate::pdf() const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(drawing_.title);
        writer.setCreator(QStringLiteral("Kavrol"));
        // Page sizes are stated upright; the orientation turns them.
        const QSizeF upright(std::min(page_.sizeMm.width(), page_.sizeMm.height()),
                             std::max(page_.sizeMm.width(), page_.sizeMm.height()));
        const QPageSize size = page_.paper == Paper::A4 ? QPageSize(QPageSize::A4)
                               : page_.paper == Paper::A3
                                   ? QPageSize(QPageSize::A3)
                                   : QPageSize(upright, QPageSize::Millimeter);
        writer.setPageLayout(
            QPageLayout(size, page_.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                        QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        QPainter painter(&writer);
        painter.setRenderHint(QPainter::Antialiasing);
        PdfPen pen(painter, writer.resolution() / 25.4);
        for (const auto& stroke : drawing_.strokes) {
            pen.stroke(stroke);
        }
        for (const auto& circle : drawing_.circles) {
            pen.circle(circle);
        }
        for (const auto& label : drawing_.labels) {
            pen.label(label);
        }
    }
    return bytes;
}

// --- Files ---

void CuttingTemplate::writeSvg(const QString& path) const {
    WholeFile::write(path, svg());
}

void CuttingTemplate::writePdf(const QString& path) const {
    WholeFile::write(path, pdf());
}

void CuttingTemplate::CheckName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("svg") && suffix != QLatin1String("pdf")) {
        throw SaveError(
            QStringLiteral("Cannot create file \"%1\". The name must end in .svg or .pdf")
                .arg(QFileInfo(path).absoluteFilePath()));
    }
}

void CuttingTemplate::write(const QString& path) const {
    CheckName(path);
    if (QFileInfo(path).suffix().toLower() == QLatin1String("svg")) {
        writeSvg(path);
    } else {
        writePdf(path);
    }
}

} // namespace kavrol
