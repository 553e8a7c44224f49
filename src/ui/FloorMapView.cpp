// SPDX-License-Identifier: GPL-3.0-or-later
#include "FloorMapView.h"

#include "NumberText.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace kavrol {

FloorMapView::FloorMapView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FloorMap"));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

FloorMap::Captions FloorMapView::captions() {
    FloorMap::Captions c;
    c.title = QStringLiteral("PPFD на дне, мкмоль/(м²·с): среднее %1, мин/сред %2");
    c.axes = QStringLiteral("вдоль аквариума %1 мм, поперёк %2 мм");
    c.decimalPoint = QLocale().decimalPoint().front();
    return c;
}

void FloorMapView::setMap(const physics::TankEstimate& estimate,
                          std::vector<FloorMap::TubeSpan> tubes) {
    estimate_ = estimate;
    tubes_ = std::move(tubes);
    note_.clear();
    update();
}

void FloorMapView::clear(const QString& note) {
    estimate_.reset();
    tubes_.clear();
    note_ = note;
    emit hovered(QString());
    update();
}

QTransform FloorMapView::pictureToWidget() const {
    const QSize picture = FloorMap::size(*estimate_);
    const double scale = std::min(static_cast<double>(width()) / picture.width(),
                                  static_cast<double>(height()) / picture.height());
    QTransform t;
    t.translate((width() - picture.width() * scale) / 2.0,
                (height() - picture.height() * scale) / 2.0);
    t.scale(scale, scale);
    return t;
}

std::optional<FloorMapView::Reading> FloorMapView::readingAt(QPointF position) const {
    if (!estimate_) {
        return std::nullopt;
    }
    const physics::TankEstimate& e = *estimate_;
    const QPointF p = pictureToWidget().inverted().map(position);
    const QRectF floor = FloorMap::floorRect(e);
    if (!floor.contains(p)) {
        return std::nullopt;
    }
    Reading r;
    r.zMm = e.edgesZmm.front() +
            (p.x() - floor.left()) / floor.width() * (e.edgesZmm.back() - e.edgesZmm.front());
    r.xMm = e.edgesXmm.front() +
            (p.y() - floor.top()) / floor.height() * (e.edgesXmm.back() - e.edgesXmm.front());
    // The cell whose edges hold the point: the last edge at or before it.
    const auto cellOf = [](const std::vector<double>& edges, double v) {
        const auto it = std::upper_bound(edges.begin(), edges.end(), v);
        const auto index = std::distance(edges.begin(), it) - 1;
        return static_cast<int>(
            std::clamp<std::ptrdiff_t>(index, 0, static_cast<std::ptrdiff_t>(edges.size()) - 2));
    };
    const auto cell =
        static_cast<std::size_t>(cellOf(e.edgesZmm, r.zMm) * e.cellsX + cellOf(e.edgesXmm, r.xMm));
    r.ppfd = e.cells[cell];
    r.error = e.cellErrors[cell];
    return r;
}

QString FloorMapView::describe(const Reading& r) {
    return QStringLiteral("поперёк %1 мм, вдоль %2 мм: %3 ± %4 мкмоль/(м²·с)")
        .arg(NumberText::fixed(r.xMm, 0), NumberText::fixed(r.zMm, 0), NumberText::fixed(r.ppfd, 1),
             NumberText::fixed(r.error, 1));
}

void FloorMapView::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!estimate_) {
        p.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, note_);
        return;
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(pictureToWidget());
    FloorMap::draw(p, *estimate_, tubes_, captions());
}

void FloorMapView::mouseMoveEvent(QMouseEvent* event) {
    const std::optional<Reading> reading = readingAt(event->position());
    emit hovered(reading ? describe(*reading) : QString());
    QWidget::mouseMoveEvent(event);
}

void FloorMapView::leaveEvent(QEvent* event) {
    emit hovered(QString());
    QWidget::leaveEvent(event);
}

} // namespace kavrol
