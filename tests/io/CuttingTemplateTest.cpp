// SPDX-License-Identifier: GPL-3.0-or-later
// The cutting template: the SVG at 1:1 in millimetres, its curve against the stated sheet width
// and the design's A and B, the ticks' numbers against the length along the curve, the scale
// bar, the page choice, the PDF's page and the refusals.
#include "CuttingTemplate.h"
#include "FixtureFile.h"
#include "PhysicalDesignError.h"
#include "PictureFile.h"
#include "Polyline.h"
#include "ReflectorCurve.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <map>
#include <vector>

namespace {

using kavrol::CuttingTemplate;
using kavrol::physics::PhysicalDesign;
using kavrol::physics::ReflectorShape;
using kavrol::test::PolylineLength;

struct SvgFacts {
    QString width;
    QString height;
    QString viewBox;
    std::map<QString, std::vector<QPointF>> polylines; // by id
    std::map<QString, QString> texts;                  // by id
};

std::vector<QPointF> ParsePoints(const QString& text) {
    std::vector<QPointF> points;
    for (const QString& pair : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList xy = pair.split(QLatin1Char(','));
        points.emplace_back(xy.at(0).toDouble(), xy.at(1).toDouble());
    }
    return points;
}

SvgFacts ReadSvg(const QByteArray& svg) {
    SvgFacts facts;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto attributes = xml.attributes();
        const QString id = attributes.value(QStringLiteral("id")).toString();
        if (xml.name() == QLatin1String("svg")) {
            facts.width = attributes.value(QStringLiteral("width")).toString();
            facts.height = attributes.value(QStringLiteral("height")).toString();
            facts.viewBox = attributes.value(QStringLiteral("viewBox")).toString();
        } else if (xml.name() == QLatin1String("polyline") && !id.isEmpty()) {
            facts.polylines[id] =
                ParsePoints(attributes.value(QStringLiteral("points")).toString());
        } else if (xml.name() == QLatin1String("text") && !id.isEmpty()) {
            facts.texts[id] = xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return facts;
}

PhysicalDesign Make(ReflectorShape shape, double a, double b, double c, double lamp = 50) {
    PhysicalDesign d;
    d.shape = shape;
    d.a = a;
    d.b = b;
    d.c = c;
    d.lampDistance = lamp;
    d.waterDistance = 300;
    return d;
}

QRectF Box(const std::vector<QPointF>& points) {
    double l = 1e300, t = 1e300, r = -1e300, b = -1e300;
    for (const QPointF& p : points) {
        l = std::min(l, p.x());
        r = std::max(r, p.x());
        t = std::min(t, p.y());
        b = std::max(b, p.y());
    }
    return QRectF(QPointF(l, t), QPointF(r, b));
}

TEST(CuttingTemplate, TheSvgIsInMillimetresAndItsCurveIsTheDesignAtOneToOne) {
    const std::vector<PhysicalDesign> designs = {
        Make(ReflectorShape::Parabola, 200, 100, 0),
        Make(ReflectorShape::Parabola, 40, 200, 0, 150),
        Make(ReflectorShape::TwinArc, 200, 100, 50),
        Make(ReflectorShape::TwinArc, 120, 40, 20, 30),
        Make(ReflectorShape::Trapezoid, 200, 200, 50, 80),
        Make(ReflectorShape::Trapezoid, 60, 20, 10, 30),
    };
    for (const PhysicalDesign& d : designs) {
        SCOPED_TRACE(std::to_string(static_cast<int>(d.shape)) + " " + std::to_string(d.a) + "x" +
                     std::to_string(d.b));
        const CuttingTemplate sheet(d);
        const SvgFacts svg = ReadSvg(sheet.svg());
        const QSizeF page = sheet.page().sizeMm;
        const auto mm = [](double v) { return QString::number(v) + QStringLiteral("mm"); };
        EXPECT_EQ(svg.width, mm(page.width()));
        EXPECT_EQ(svg.height, mm(page.height()));
        EXPECT_EQ(svg.viewBox, QStringLiteral("0 0 %1 %2").arg(page.width()).arg(page.height()));

        ASSERT_TRUE(svg.polylines.count(QStringLiteral("curve")));
        const std::vector<QPointF>& curve = svg.polylines.at(QStringLiteral("curve"));
        const QRectF box = Box(curve);
        EXPECT_NEAR(box.width(), d.a, 0.002);
        EXPECT_NEAR(box.height(), d.b, 0.002);
        EXPECT_GE(box.left(), CuttingTemplate::kMarginMm);
        EXPECT_LE(box.right(), page.width() - CuttingTemplate::kMarginMm);

        // The sheet's width as written, against the drawn curve and the exact length.
        const QString stated = svg.texts.at(QStringLiteral("sheet-width"));
        const QRegularExpressionMatch number =
            QRegularExpression(QStringLiteral("([0-9]+[.,][0-9]) мм")).match(stated);
        ASSERT_TRUE(number.hasMatch()) << stated.toStdString();
        const double width =
            number.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
        EXPECT_NEAR(PolylineLength(curve), width, 0.1);
        EXPECT_NEAR(sheet.sheetWidthMm(), kavrol::physics::ReflectorCurve::FromDesign(d).length(),
                    1e-9);
        EXPECT_NEAR(PolylineLength(curve), sheet.sheetWidthMm(), 0.01);

        const std::vector<QPointF>& bar = svg.polylines.at(QStringLiteral("scale-bar"));
        ASSERT_EQ(bar.size(), 2u);
        EXPECT_DOUBLE_EQ(PolylineLength(bar), 100.0);
    }
}

// Each tick's foot lies on the drawn curve as far from the centre, along it, as its number says.
TEST(CuttingTemplate, TicksSitEveryTenMillimetresAlongTheCurveFromTheCentre) {
    const CuttingTemplate sheet(Make(ReflectorShape::TwinArc, 200, 100, 50));
    const SvgFacts svg = ReadSvg(sheet.svg());
    const std::vector<QPointF>& curve = svg.polylines.at(QStringLiteral("curve"));
    // The centre of the curve: where the drawn length reaches half the total.
    const double half = PolylineLength(curve) / 2.0;
    std::vector<double> along(curve.size(), 0.0);
    for (std::size_t i = 1; i < curve.size(); ++i)
        along[i] = along[i - 1] +
                   std::hypot(curve[i].x() - curve[i - 1].x(), curve[i].y() - curve[i - 1].y());
    int ticks = 0;
    for (const auto& [id, points] : svg.polylines) {
        if (!id.startsWith(QStringLiteral("tick")))
            continue;
        ++ticks;
        // "tick-l20" is 20 mm left of the centre, "tick-r20" right, "tick-0" the centre.
        const double number = id.mid(id.startsWith(QStringLiteral("tick-0")) ? 5 : 6).toDouble();
        const double signedLength = id.startsWith(QStringLiteral("tick-l")) ? -number : number;
        std::size_t nearest = 0;
        for (std::size_t i = 0; i < curve.size(); ++i)
            if (std::hypot(curve[i].x() - points.front().x(), curve[i].y() - points.front().y()) <
                std::hypot(curve[nearest].x() - points.front().x(),
                           curve[nearest].y() - points.front().y()))
                nearest = i;
        EXPECT_LT(std::hypot(curve[nearest].x() - points.front().x(),
                             curve[nearest].y() - points.front().y()),
                  0.2)
            << id.toStdString();
        EXPECT_NEAR(along[nearest] - half, signedLength, 0.2) << id.toStdString();
        EXPECT_LT(points.back().y(), points.front().y() + 1e-9) << "ticks point away from the tube";
    }
    // 317.6 mm of curve: 15 ticks either side and one at the centre.
    EXPECT_EQ(ticks, 31);
}

TEST(CuttingTemplate, PageIsTheSmallestSheetThatHoldsTheDrawingLandscapeWhenItFitsBetter) {
    using Paper = CuttingTemplate::Paper;
    struct Case {
        QSizeF drawing;
        Paper paper;
        bool landscape;
        QSizeF page;
    };
    const std::vector<Case> cases = {
        {{150, 100}, Paper::A4, true, {297, 210}},  {{100, 150}, Paper::A4, false, {210, 297}},
        {{180, 180}, Paper::A4, false, {210, 297}}, {{181, 170}, Paper::A4, true, {297, 210}},
        {{200, 200}, Paper::A3, false, {297, 420}}, {{200, 300}, Paper::A3, false, {297, 420}},
        {{267, 390}, Paper::A3, false, {297, 420}}, {{500, 200}, Paper::Custom, true, {530, 230}},
        {{150, 268}, Paper::A3, false, {297, 420}}, {{120, 267}, Paper::A4, false, {210, 297}},
        {{390, 200}, Paper::A3, true, {420, 297}},
    };
    for (const Case& c : cases) {
        const CuttingTemplate::Page page = CuttingTemplate::ChoosePage(c.drawing);
        EXPECT_EQ(page.paper, c.paper) << c.drawing.width() << "x" << c.drawing.height();
        EXPECT_EQ(page.landscape, c.landscape) << c.drawing.width() << "x" << c.drawing.height();
        EXPECT_EQ(page.sizeMm, c.page) << c.drawing.width() << "x" << c.drawing.height();
    }
}

// The page size in points, as the PDF states it.
QSizeF MediaBox(const QByteArray& pdf) {
    const QRegularExpressionMatch box =
        QRegularExpression(QStringLiteral("/MediaBox \\[0 0 ([0-9.]+) ([0-9.]+)\\]"))
            .match(QString::fromLatin1(pdf));
    if (!box.hasMatch())
        return {};
    return {box.captured(1).toDouble(), box.captured(2).toDouble()};
}

TEST(CuttingTemplate, ThePdfHasOnePageOfTheChosenSize) {
    const double point = 72.0 / 25.4;
    for (const PhysicalDesign& d : {Make(ReflectorShape::Parabola, 200, 100, 0),
                                    Make(ReflectorShape::Trapezoid, 200, 200, 50, 80),
                                    Make(ReflectorShape::Parabola, 60, 30, 0)}) {
        const CuttingTemplate sheet(d);
        const QByteArray pdf = sheet.pdf();
        ASSERT_TRUE(pdf.startsWith("%PDF-"));
        EXPECT_EQ(
            pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page "), 1);
        const QSizeF box = MediaBox(pdf);
        EXPECT_NEAR(box.width(), sheet.page().sizeMm.width() * point, 1.0);
        EXPECT_NEAR(box.height(), sheet.page().sizeMm.height() * point, 1.0);
    }
    EXPECT_EQ(CuttingTemplate(Make(ReflectorShape::Parabola, 200, 100, 0)).page().paper,
              CuttingTemplate::Paper::A4);
    EXPECT_EQ(CuttingTemplate(Make(ReflectorShape::Trapezoid, 200, 200, 50, 80)).page().paper,
              CuttingTemplate::Paper::A3);
}

TEST(CuttingTemplate, FilesByNameAndRefusals) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const CuttingTemplate sheet(Make(ReflectorShape::TwinArc, 200, 100, 50));
    sheet.write(dir.filePath(QStringLiteral("a.SVG")));
    sheet.write(dir.filePath(QStringLiteral("b.pdf")));
    QFile svg(dir.filePath(QStringLiteral("a.SVG")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_EQ(svg.readAll(), sheet.svg());
    QFile pdf(dir.filePath(QStringLiteral("b.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.readAll().startsWith("%PDF-"));

    const QString png = dir.filePath(QStringLiteral("c.png"));
    try {
        sheet.write(png);
        FAIL() << "a .png template was written";
    } catch (const kavrol::SaveError& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("Cannot create file \"%1\". The name must end in .svg or .pdf")
                      .arg(png));
    }
    const QString missing = dir.filePath(QStringLiteral("missing/t.pdf"));
    try {
        sheet.writePdf(missing);
        FAIL() << "written into a missing folder";
    } catch (const kavrol::SaveError& e) {
        EXPECT_EQ(
            QString::fromUtf8(e.what()),
            QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(missing));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // A tube the reflector cuts through is no design to cut metal for.
    PhysicalDesign cut = Make(ReflectorShape::Parabola, 200, 200, 0, 10);
    cut.tubeRadius = 13;
    EXPECT_THROW(CuttingTemplate{cut}, kavrol::physics::PhysicalDesignError);
}

// The stated length in "... 123.4 мм" (or a whole number) at the capture `at` of `pattern`.
double Stated(const QString& text, const QString& pattern, int at) {
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(text);
    EXPECT_TRUE(match.hasMatch()) << text.toStdString();
    return match.captured(at).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
}

// Profiles of points: the measured gull-wing of the examples and points from a parabola, the
// drawn curve against the stated sheet width, width and depth, and the parabola's exact length.
TEST(CuttingTemplate, ProfilesOfPointsAreDrawnAtOneToOne) {
    const kavrol::physics::Fixture fixture =
        kavrol::physics::FixtureFile::Read(KAVROL_EXAMPLES_DIR "/four-tube-gull-wing.json");
    kavrol::physics::Fixture::Unit parabola = fixture.units.front();
    parabola.reflector.points.clear();
    constexpr double kM = 80.0; // y = x^2 / kM from x = -90 to 90
    for (double x = -90.0; x <= 90.0; x += 7.5) {
        parabola.reflector.points.push_back({x, x * x / kM});
    }
    const double w = 2.0 * 90.0 / kM;
    const double parabolaLength = kM / 2.0 * (w * std::sqrt(1.0 + w * w) + std::asinh(w));
    struct Case {
        QString name;
        kavrol::physics::Fixture::Unit unit;
        double exactLength; // 0 when there is no closed form
    };
    const std::vector<Case> cases = {{QStringLiteral("unit 1"), fixture.units.front(), 0.0},
                                     {QStringLiteral("parabola"), parabola, parabolaLength}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const CuttingTemplate sheet(c.unit, c.name);
        const SvgFacts svg = ReadSvg(sheet.svg());
        const std::vector<QPointF>& curve = svg.polylines.at(QStringLiteral("curve"));
        const double width = Stated(svg.texts.at(QStringLiteral("sheet-width")),
                                    QStringLiteral("([0-9]+[.,][0-9]) мм"), 1);
        EXPECT_NEAR(PolylineLength(curve), width, 0.1);
        if (c.exactLength > 0.0) {
            EXPECT_NEAR(width, c.exactLength, 0.1);
            EXPECT_NEAR(sheet.sheetWidthMm(), c.exactLength, 0.1);
        }
        // The curve spans the stated width and depth, and the points' own, at 1:1.
        const QString size = svg.texts.at(QStringLiteral("profile-size"));
        const QString number = QStringLiteral("([0-9]+(?:[.,][0-9])?) мм");
        const QRectF box = Box(curve);
        EXPECT_NEAR(box.width(), Stated(size, QStringLiteral("ширина ") + number, 1), 0.051);
        EXPECT_NEAR(box.height(), Stated(size, QStringLiteral("глубина ") + number, 1), 0.051);
        double left = 1e300, right = -1e300, top = 1e300, bottom = -1e300;
        for (const auto& p : c.unit.reflector.points) {
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
        EXPECT_NEAR(box.width(), right - left, 0.5);
        EXPECT_NEAR(box.height(), bottom - top, 0.5);
        // The ticks count from the tube's axis: tick 0 stands on the centre line.
        const std::vector<QPointF>& centre = svg.polylines.at(QStringLiteral("centre"));
        const std::vector<QPointF>& tick = svg.polylines.at(QStringLiteral("tick-0"));
        EXPECT_NEAR(tick.front().x(), centre.front().x(), 0.002);
        EXPECT_NEAR(tick.front().x() - box.left(), -left, 0.5);
        EXPECT_EQ(PolylineLength(svg.polylines.at(QStringLiteral("scale-bar"))), 100.0);
        EXPECT_EQ(sheet.page().paper, CuttingTemplate::Paper::A4);
    }
    // A profile beside the tube's axis counts its ticks from the left rim and says so.
    kavrol::physics::Fixture::Unit beside = fixture.units.front();
    beside.reflector.points = {{10, 0}, {40, 0}, {40, 30}};
    beside.reflector.join = kavrol::physics::Fixture::Join::Straight;
    const CuttingTemplate aside(beside, QStringLiteral("beside"));
    const SvgFacts asideSvg = ReadSvg(aside.svg());
    EXPECT_NEAR(aside.sheetWidthMm(), 60.0, 1e-9);
    EXPECT_TRUE(QString::fromUtf8(aside.svg()).contains(QStringLiteral("счёт от левого края")));
    EXPECT_EQ(asideSvg.polylines.at(QStringLiteral("tick-0")).front(),
              asideSvg.polylines.at(QStringLiteral("curve")).front());
    EXPECT_TRUE(asideSvg.polylines.count(QStringLiteral("tick-r60")));
    EXPECT_FALSE(asideSvg.polylines.count(QStringLiteral("tick-l10")));
    // A unit of the three shapes is drawn from its design instead.
    kavrol::physics::Fixture::Unit shape = fixture.units.front();
    shape.reflector.hasProfile = false;
    EXPECT_THROW(CuttingTemplate(shape, QStringLiteral("x")), kavrol::physics::PhysicalDesignError);
}

} // namespace

// Templates too large for the largest page, or with a flat sheet too long to tick, are refused
// with their sizes before the curve is drawn at its length; one that A0 holds gets its own page.
TEST(CuttingTemplate, RefusesTemplatesLargerThanTheLargestPage) {
    const kavrol::physics::Fixture fixture =
        kavrol::physics::FixtureFile::Read(KAVROL_EXAMPLES_DIR "/four-tube-gull-wing.json");
    using Points = std::vector<kavrol::physics::Fixture::Point>;
    Points zigzag; // 1.6 km of straight sheet across the allowed range
    for (int i = 0; i <= 320; ++i)
        zigzag.push_back({-5000.0 + i * 10000.0 / 320, i % 2 == 0 ? 0.0 : 5000.0});
    Points narrowZigzag; // within A0, but 20 m of sheet
    for (int i = 0; i <= 40; ++i)
        narrowZigzag.push_back({-200.0 + i * 10.0, i % 2 == 0 ? 0.0 : 500.0});
    const struct {
        const char* name;
        Points points;
        const char* message; // empty when drawn
    } cases[] = {
        {"across the range", zigzag,
         "The cutting template does not fit the largest page, A0 (841 × 1189 mm): its drawing "
         "needs 10030 × 5030 mm with its margins, for a flat sheet 1600031.2 mm long"},
        {"long sheet", narrowZigzag,
         "The cutting template is not drawn: its flat sheet is 20004 mm long, more than the "
         "10000 mm a template on the largest page, A0 (841 × 1189 mm) is drawn for"},
        {"wide", {{-350, 40}, {0, 0}, {350, 40}}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kavrol::physics::Fixture::Unit unit = fixture.units.front();
        unit.reflector.points = c.points;
        unit.reflector.join = kavrol::physics::Fixture::Join::Straight;
        std::string message;
        try {
            const CuttingTemplate sheet(unit, QStringLiteral("u"));
            EXPECT_EQ(sheet.page().paper, CuttingTemplate::Paper::Custom);
            EXPECT_LE(sheet.page().sizeMm.width(), 1189.0);
        } catch (const kavrol::physics::PhysicalDesignError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message);
    }
}
