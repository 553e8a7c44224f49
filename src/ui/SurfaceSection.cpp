// SPDX-License-Identifier: GPL-3.0-or-later
// Sections: building the page; choosing the surface; the comparison of the presets.
#include "SurfaceSection.h"

#include "InputDomain.h"
#include "NumberText.h"
#include "RealSpinEdit.h"
#include "WindowMessages.h"

#include <QComboBox>
#include <QFont>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace kavrol {

namespace {

// The list's entries: the perfect mirror, the presets, the user's own figures.
constexpr int kMirrorEntry = 0;
constexpr int kCustomEntry = static_cast<int>(InputDomain::SurfacePresets.size()) + 1;

const SurfacePreset* presetOf(int entry) {
    if (entry <= kMirrorEntry || entry >= kCustomEntry) {
        return nullptr;
    }
    return &InputDomain::SurfacePresets[static_cast<std::size_t>(entry - 1)];
}

QString caption(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

RealSpinEdit* field(QWidget* parent, const char* name, const RealInput& input,
                    const QString& toolTip) {
    auto* result = new RealSpinEdit(parent);
    result->setObjectName(QLatin1String(name));
    result->setRange(input.minimum, input.maximum);
    result->setSingleStep(input.step);
    result->setValue(input.initial);
    result->setToolTip(toolTip);
    result->setMinimumWidth(100);
    result->setMaximumWidth(140);
    return result;
}

// A field's figure within its input's range, as the estimate takes it.
double figureOf(const RealSpinEdit& edit) {
    return static_cast<double>(std::clamp(edit.value(), edit.minimum(), edit.maximum()));
}

// Whether two designs differ at most in their reflector's surface, which the comparison sets.
bool sameButSurface(const physics::PhysicalDesign& p, physics::PhysicalDesign q) {
    q.materials.surface = p.materials.surface;
    return p.shape == q.shape && p.a == q.a && p.b == q.b && p.c == q.c &&
           p.tubeRadius == q.tubeRadius && p.lampDistance == q.lampDistance &&
           p.waterDistance == q.waterDistance && p.aquariumWidth == q.aquariumWidth &&
           p.materials == q.materials;
}

QTableWidgetItem* cell(const QString& text, bool right = true) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return item;
}

} // namespace

// --- Building the page ---

SurfaceSection::SurfaceSection(physics::EstimateOptions options, QWidget* parent)
    : QWidget(parent), runner_(std::move(options)) {
    setObjectName(QStringLiteral("SurfaceSection"));
    createChooser();
    createComparison();
    auto* page = new QVBoxLayout(this);
    page->addWidget(findChild<QGroupBox*>(QStringLiteral("SurfaceChooser")));
    page->addWidget(findChild<QGroupBox*>(QStringLiteral("SurfaceComparison")), 1);
    connect(&runner_, &ComparisonRunner::finished, this, &SurfaceSection::showComparison);
    showFields();
    showHint();
    clearComparison(QStringLiteral("Постройте отражатель в главном окне."));
}

SurfaceSection::~SurfaceSection() = default;

void SurfaceSection::createChooser() {
    auto* box = new QGroupBox(QStringLiteral("Поверхность отражателя"), this);
    box->setObjectName(QStringLiteral("SurfaceChooser"));
    presets_ = new QComboBox(box);
    presets_->setObjectName(QStringLiteral("SurfacePresets"));
    presets_->addItem(QStringLiteral("Идеальное зеркало"));
    for (const SurfacePreset& preset : InputDomain::SurfacePresets) {
        presets_->addItem(caption(preset.caption));
    }
    presets_->addItem(QStringLiteral("Своя поверхность"));
    presets_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    presets_->setToolTip(QStringLiteral(
        "Из чего сделан отражатель: от него зависит, какая доля отражённого света\nрассеивается "
        "и насколько размыт зеркальный блик. Альбедо задаётся в главном окне."));
    hint_ = new QLabel(box);
    hint_->setObjectName(QStringLiteral("SurfaceHint"));
    diffuse_ = field(box, "DiffuseShare", InputDomain::DiffuseShare,
                     QStringLiteral("Доля сохранённого отражением света, которую поверхность "
                                    "рассеивает равномерно (от 0 до 1):\n0 — зеркало, 1 — "
                                    "матовая белая краска."));
    gloss_ = field(box, "GlossSpread", InputDomain::GlossSpread,
                   QStringLiteral("Насколько размыт зеркальный блик: разброс наклона нормали "
                                  "листа в градусах (от 0 до 30)."));
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(QStringLiteral("Поверх&ность:"), presets_);
    form->addRow(QString(), hint_);
    form->addRow(QStringLiteral("Доля &рассеянного света d:"), diffuse_);
    form->addRow(QStringLiteral("Размытие &блика σ, °:"), gloss_);
    fieldsTimer_ = new QTimer(this);
    fieldsTimer_->setSingleShot(true);
    fieldsTimer_->setInterval(400);
    connect(presets_, &QComboBox::activated, this, &SurfaceSection::choose);
    for (RealSpinEdit* edit : {diffuse_, gloss_}) {
        // Typing or stepping settles for a moment before the window estimates again. The spin
        // box keeps its line edit to itself; it is its one child of that kind.
        connect(edit->findChild<QLineEdit*>(), &QLineEdit::textChanged, this, [this] {
            if (!writingFields_) {
                fieldsTimer_->start();
            }
        });
        connect(edit, &QAbstractSpinBox::editingFinished, this, &SurfaceSection::readFields);
    }
    connect(fieldsTimer_, &QTimer::timeout, this, &SurfaceSection::readFields);
}

void SurfaceSection::createComparison() {
    auto* box = new QGroupBox(QStringLiteral("Сравнение поверхностей"), this);
    box->setObjectName(QStringLiteral("SurfaceComparison"));
    compareButton_ = new QPushButton(QStringLiteral("Ср&авнить"), box);
    compareButton_->setObjectName(QStringLiteral("CompareSurfaces"));
    compareButton_->setAutoDefault(false);
    compareButton_->setToolTip(
        QStringLiteral("Рассчитать текущую форму со всеми поверхностями из списка: при альбедо "
                       "главного окна\nи при типичном альбедо каждой поверхности."));
    cancelButton_ = new QPushButton(QStringLiteral("О&тменить"), box);
    cancelButton_->setObjectName(QStringLiteral("CancelComparison"));
    cancelButton_->setAutoDefault(false);
    cancelButton_->setToolTip(QStringLiteral("Остановить сравнение."));
    cancelButton_->setEnabled(false);
    progress_ = new QProgressBar(box);
    progress_->setObjectName(QStringLiteral("ComparisonProgress"));
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(220);
    progress_->setFormat(QStringLiteral("Расчёт… %p %"));
    progress_->hide();
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    comparisonNote_ = new QLabel(box);
    comparisonNote_->setObjectName(QStringLiteral("ComparisonNote"));
    comparisonNote_->setWordWrap(true);
    table_ = new QTableWidget(0, 5, box);
    table_->setObjectName(QStringLiteral("ComparisonTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Поверхность"), QStringLiteral("d"),
                                       QStringLiteral("σ, °"), QStringLiteral("Альбедо"),
                                       QStringLiteral("В воду")});
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false);
    table_->setToolTip(
        QStringLiteral("Доля света лампы, входящая в воду, с каждой поверхностью на текущей "
                       "форме, от лучшей к худшей;\n«±» — граница погрешности оценки."));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(compareButton_);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(progress_);
    buttons->addStretch(1);
    auto* column = new QVBoxLayout(box);
    column->addLayout(buttons);
    column->addWidget(comparisonNote_);
    column->addWidget(table_, 1);
    connect(compareButton_, &QPushButton::clicked, this, &SurfaceSection::compare);
    connect(cancelButton_, &QPushButton::clicked, this, &SurfaceSection::cancelComparison);
    connect(progressTimer_, &QTimer::timeout, this, &SurfaceSection::showProgress);
}

// --- Choosing the surface ---

QString SurfaceSection::surfaceCaption() const {
    return presets_->itemText(entry_);
}

std::string_view SurfaceSection::surfaceWord() const {
    if (const SurfacePreset* preset = presetOf(entry_)) {
        return preset->word;
    }
    return entry_ == kMirrorEntry ? InputDomain::MirrorSurface : InputDomain::CustomSurface;
}

void SurfaceSection::choose(int entry) {
    entry_ = std::clamp(entry, kMirrorEntry, kCustomEntry);
    presets_->setCurrentIndex(entry_);
    const physics::ReflectorSurface before = surface_;
    if (const SurfacePreset* preset = presetOf(entry_)) {
        surface_ = {preset->diffuseShare, preset->glossSpreadDeg};
    } else if (entry_ == kMirrorEntry) {
        surface_ = {};
    }
    // The user's own entry keeps the figures on show until they are edited.
    showFields();
    showHint();
    markChosen();
    if (surface_ != before) {
        emit surfaceChanged();
    }
}

// Figures typed or stepped by the user make the surface the user's own.
void SurfaceSection::readFields() {
    fieldsTimer_->stop();
    const physics::ReflectorSurface typed{figureOf(*diffuse_), figureOf(*gloss_)};
    if (typed == surface_) {
        return;
    }
    surface_ = typed;
    entry_ = kCustomEntry;
    presets_->setCurrentIndex(entry_);
    showHint();
    markChosen();
    emit surfaceChanged();
}

void SurfaceSection::showFields() {
    writingFields_ = true;
    diffuse_->setValue(surface_.diffuseShare);
    gloss_->setValue(surface_.glossSpreadDeg);
    writingFields_ = false;
}

void SurfaceSection::showHint() {
    const QString albedo = design_ ? QStringLiteral("альбедо главного окна, %1")
                                         .arg(NumberText::fixed(design_->materials.albedo, 2))
                                   : QStringLiteral("альбедо главного окна");
    if (const SurfacePreset* preset = presetOf(entry_)) {
        hint_->setText(QStringLiteral("Типичное альбедо: %1 (в расчёте — %2)")
                           .arg(NumberText::fixed(preset->typicalAlbedo, 2), albedo));
    } else {
        hint_->setText(QStringLiteral("В расчёте — %1").arg(albedo));
    }
}

// --- The comparison of the presets ---

// The rows of the chosen surface at the main window's albedo, the figures the window shows,
// are in bold.
void SurfaceSection::markChosen() {
    for (int r = 0; r < table_->rowCount() && r < static_cast<int>(rows_.size()); ++r) {
        const physics::SurfaceComparison::Row& row = rows_[static_cast<std::size_t>(r)];
        const bool chosen = !row.typicalAlbedo && row.surface == surface_;
        for (int c = 0; c < table_->columnCount(); ++c) {
            if (QTableWidgetItem* item = table_->item(r, c)) {
                QFont font = item->font();
                font.setBold(chosen);
                item->setFont(font);
            }
        }
    }
}

void SurfaceSection::setDesign(const std::optional<physics::PhysicalDesign>& design) {
    const bool changed =
        design.has_value() != design_.has_value() || (design && !sameButSurface(*design, *design_));
    design_ = design;
    showHint();
    if (!changed) {
        return;
    }
    cancelNote_ = design_ ? QStringLiteral("Нажмите «Сравнить», чтобы рассчитать текущую форму "
                                           "со всеми поверхностями.")
                          : QStringLiteral("Сравнение делается для отражателя главного окна.");
    runner_.cancel();
    clearComparison(cancelNote_);
}

void SurfaceSection::compare() {
    if (!design_) {
        return;
    }
    runner_.start(*design_);
    compareButton_->setEnabled(false);
    cancelButton_->setEnabled(true);
    comparisonNote_->setText(QStringLiteral("Идёт сравнение…"));
    table_->setRowCount(0);
    rows_.clear();
    progressTimer_->start();
    showProgress();
}

void SurfaceSection::cancelComparison() {
    if (runner_.busy()) {
        cancelNote_ = QStringLiteral("Сравнение отменено.");
        runner_.cancel();
    }
}

void SurfaceSection::showProgress() {
    progress_->setVisible(runner_.busy());
    progress_->setValue(static_cast<int>(runner_.progress() * 100.0));
}

void SurfaceSection::clearComparison(const QString& note) {
    rows_.clear();
    table_->setRowCount(0);
    table_->setEnabled(false);
    comparisonNote_->setText(note);
    const bool busy = runner_.busy();
    compareButton_->setEnabled(design_.has_value() && !busy);
    cancelButton_->setEnabled(busy);
}

void SurfaceSection::showComparison(const ComparisonRunner::Outcome& outcome) {
    progressTimer_->stop();
    showProgress();
    if (outcome.cancelled) {
        clearComparison(cancelNote_);
    } else if (!outcome.failure.isEmpty()) {
        clearComparison(QStringLiteral("Сравнение невозможно: %1")
                            .arg(WindowMessages::russian(outcome.failure)));
    } else {
        clearComparison(QStringLiteral("Текущая форма с каждой поверхностью, от лучшей к "
                                       "худшей; «типичное» — альбедо самой поверхности."));
        rows_ = outcome.rows;
        table_->setRowCount(static_cast<int>(rows_.size()));
        for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
            const physics::SurfaceComparison::Row& row = rows_[static_cast<std::size_t>(r)];
            const QString albedo = NumberText::fixed(row.albedo, 2);
            table_->setItem(r, 0, cell(caption(row.caption), false));
            table_->setItem(r, 1, cell(NumberText::fixed(row.surface.diffuseShare, 2)));
            table_->setItem(r, 2, cell(NumberText::fixed(row.surface.glossSpreadDeg, 1)));
            table_->setItem(
                r, 3, cell(row.typicalAlbedo ? albedo + QStringLiteral(" (типичное)") : albedo));
            table_->setItem(
                r, 4,
                cell(QStringLiteral("%1 ± %2").arg(NumberText::percent(row.efficiency, 1),
                                                   NumberText::significantPercent(row.error, 2))));
        }
        table_->setEnabled(true);
        markChosen();
    }
    emit comparisonShown();
}

} // namespace kavrol
