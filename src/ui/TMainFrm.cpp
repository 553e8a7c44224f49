// SPDX-License-Identifier: GPL-3.0-or-later
// The main window. Sections: the control factories; creating the controls (design inputs,
// context inputs, the readout, the buttons and the view) and the tab order; the error channel;
// the handlers (start-up, build, list close-up, save, exit).

#include "TMainFrm.h"

#include "AnalysisLink.h"
#include "CaptionFit.h"
#include "CompletingComboBox.h"
#include "EfficiencyField.h"
#include "ErrorReport.h"
#include "InputDomain.h"
#include "IntegerSpinEdit.h"
#include "OpticalModel.h"
#include "PictureFile.h"
#include "RealSpinEdit.h"
#include "ShapeIllustration.h"
#include "WindowFont.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <cmath>
#include <stdexcept>
#include <string_view>

// Qt's resource registration lives in the global namespace; a static library must call it
// explicitly or the linker may leave the resources out.
static void initWindowResources() {
    Q_INIT_RESOURCE(kavrol);
}

namespace kavrol {

namespace {

// --- The control factories ---

// The window's font: the face installed that fits the layout best, sized to its text height.
QFont windowFont(double pointSize, bool bold) {
    return WindowFont::font(pointSize, bold);
}

QGroupBox* groupBox(QWidget* parent, const char* name, const QString& title, int top, int height) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(8, top, 193, height);
    return box;
}

// A field with the range, arrow step and start-up value of its input.
IntegerSpinEdit* integerField(QWidget* parent, const char* name, QRect geometry,
                              const IntegerInput& input) {
    auto* field = new IntegerSpinEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(geometry);
    field->setRange(input.minimum, input.maximum);
    field->setSingleStep(input.step);
    field->setValue(input.initial);
    return field;
}

// A list of the input's captions with its start-up selection.
CompletingComboBox* dropDownList(QWidget* parent, const char* name, const ChoiceInput& input) {
    auto* list = new CompletingComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setGeometry(8, 16, 177, 21);
    for (const std::string_view caption : input.captions)
        list->addItem(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    list->setCurrentIndex(input.initial);
    return list;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect geometry,
              const QFont& font) {
    auto* result = new QLabel(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setGeometry(geometry);
    result->setFont(font);
    return result;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setChecked(true);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int top) {
    auto* result = new QPushButton(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setGeometry(8, top, 193, 25);
    result->setAutoDefault(false);
    return result;
}

QString runSaveDialog(QWidget* parent, const QString& filter, const QString& fileName) {
    // Qt's own dialog matches the pattern without regard to letter case, so "scene.BMP" and
    // "scene.bmp" are both listed.
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilter(filter);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

// The analysis window reports errors and asks for file names as the main window does.
AnalysisServices analysisServices(const WindowServices& services) {
    AnalysisServices result;
    result.reportError = services.reportError;
    if (services.saveDialog)
        result.saveDialog = [dialog = services.saveDialog](QWidget* parent, const QString&,
                                                           const QString& filter,
                                                           const QString& fileName) {
            return dialog(parent, filter, fileName);
        };
    return result;
}

// The screen's density in device pixels: with Qt's scaling the logical density stays near 96
// and the device pixel ratio carries the rest.
// The icon in every size the icon theme installs (bundled as :/kavrol/icons/<size>.png), so that
// the title bar, the task switcher and the dock each take a sharp one rather than a scaled 16.
QIcon applicationIcon() {
    QIcon icon;
    const QDir sizes(QStringLiteral(":/kavrol/icons"));
    for (const QString& file : sizes.entryList({QStringLiteral("*.png")}, QDir::Files)) {
        const int size = QFileInfo(file).completeBaseName().toInt();
        icon.addFile(sizes.filePath(file), QSize(size, size));
    }
    return icon;
}

int screenDotsPerInch(const QScreen* screen) {
    if (screen == nullptr)
        return 96;
    return static_cast<int>(std::lround(screen->logicalDotsPerInch() * screen->devicePixelRatio()));
}

} // namespace

// --- Creating the controls and the tab order ---

TMainFrm::TMainFrm(WindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)) {
    initWindowResources();
    setObjectName(QStringLiteral("MainFrm"));
    createControls();
    setTabOrder();
    connect(RefCreate, &QPushButton::clicked, this, &TMainFrm::PaintRef);
    connect(RefSave, &QPushButton::clicked, this, &TMainFrm::SaveAs);
    for (CompletingComboBox* list : {RefTypeBox, LampTypeBox, MBox})
        connect(list, &CompletingComboBox::dropDownClosed, this, &TMainFrm::ChangeRefType);
    analysis_ = new AnalysisLink(*this, {Ref, GroupBox9, KpdBox}, analysisServices(services_));
    connect(this, &TMainFrm::built, analysis_, &AnalysisLink::recordBuild);
    Init();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::createControls() {
    setWindowTitle(QStringLiteral("\"Kavrol\""));
    setWindowIcon(applicationIcon());
    setFont(windowFont(8, false));
    // Sizes are pixels at 96 dots per inch; Qt scales them on denser screens.
    setFixedSize(1050, 840);

    createDesignInputs();
    createContextInputs();
    createReadout();
    createButtonsAndView();
}

// The shape's picture and list, the albedo and the reflector's dimensions.
void TMainFrm::createDesignInputs() {
    const QFont labelFont = windowFont(10, true);

    RefType = new QLabel(this);
    RefType->setObjectName(QStringLiteral("RefType"));
    RefType->setGeometry(8, 8, 193, 177);
    RefType->setScaledContents(true);
    RefType->setPixmap(QPixmap(QStringLiteral(":/kavrol/default_shape.bmp")));

    GroupBox2 = groupBox(this, "GroupBox2", QStringLiteral("Форма отражателя"), 192, 49);
    RefTypeBox = dropDownList(GroupBox2, "RefTypeBox", InputDomain::Shape);

    GroupBox8 = groupBox(this, "GroupBox8", QStringLiteral("Альбедо отражателя"), 248, 49);
    Albedo = new RealSpinEdit(GroupBox8);
    Albedo->setObjectName(QStringLiteral("Albedo"));
    Albedo->setGeometry(8, 16, 177, 21);
    Albedo->setRange(InputDomain::Albedo.minimum, InputDomain::Albedo.maximum);
    Albedo->setSingleStep(InputDomain::Albedo.step);
    Albedo->setValue(InputDomain::Albedo.initial);

    GroupBox1 = groupBox(this, "GroupBox1", QStringLiteral("Геометрические размеры, мм"), 304, 81);
    RefA = integerField(GroupBox1, "RefA", QRect(24, 16, 49, 22), InputDomain::RefA);
    RefB = integerField(GroupBox1, "RefB", QRect(128, 16, 49, 22), InputDomain::RefB);
    RefC = integerField(GroupBox1, "RefC", QRect(24, 48, 49, 22), InputDomain::RefC);
    Label1 = label(GroupBox1, "Label1", QStringLiteral("A:"), QRect(8, 18, 15, 16), labelFont);
    Label2 = label(GroupBox1, "Label2", QStringLiteral("B:"), QRect(110, 18, 15, 16), labelFont);
    Label3 = label(GroupBox1, "Label3", QStringLiteral("C:"), QRect(8, 51, 15, 16), labelFont);
}

// The tube, its distance, the view scale, what is shown and the tank.
void TMainFrm::createContextInputs() {
    const QFont boldFont = windowFont(8, true);

    GroupBox4 = groupBox(this, "GroupBox4", QStringLiteral("Тип лампы"), 392, 49);
    LampTypeBox = dropDownList(GroupBox4, "LampTypeBox", InputDomain::Tube);

    GroupBox3 =
        groupBox(this, "GroupBox3", QStringLiteral("Расстояние до центра лампы, мм"), 448, 49);
    Lamp = integerField(GroupBox3, "Lamp", QRect(8, 16, 177, 22), InputDomain::Lamp);

    GroupBox7 = groupBox(this, "GroupBox7", QStringLiteral("Масштаб"), 504, 49);
    MBox = dropDownList(GroupBox7, "MBox", InputDomain::Scale);

    GroupBox6 = groupBox(this, "GroupBox6", QStringLiteral("Отображать"), 560, 41);
    GridVisible = checkBox(GroupBox6, "GridVisible", QStringLiteral("Сетку"), QRect(8, 16, 57, 17));
    LampVisible =
        checkBox(GroupBox6, "LampVisible", QStringLiteral("Лампу"), QRect(72, 16, 57, 17));
    RayVisible = checkBox(GroupBox6, "RayVisible", QStringLiteral("Лучи"), QRect(136, 16, 49, 17));

    GroupBox5 = groupBox(this, "GroupBox5", QStringLiteral("Параметры аквариума, мм"), 608, 97);
    Label4 = label(GroupBox5, "Label4", QStringLiteral("Ширина"), QRect(8, 20, 46, 13), boldFont);
    AquaW = integerField(GroupBox5, "AquaW", QRect(56, 16, 129, 22), InputDomain::AquaW);
    StaticText1 = label(GroupBox5, "StaticText1", QStringLiteral("От центра лампы до воды"),
                        QRect(8, 45, 159, 17), boldFont);
    LampH = integerField(GroupBox5, "LampH", QRect(8, 64, 177, 22), InputDomain::LampH);
}

// The efficiency field: yellow, red text, disabled for good.
void TMainFrm::createReadout() {
    const QFont boldFont = windowFont(8, true);

    GroupBox9 = groupBox(this, "GroupBox9", QStringLiteral("КПД"), 712, 49);
    GroupBox9->setFont(boldFont);
    QPalette red = GroupBox9->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    GroupBox9->setPalette(red);
    KpdBox = new EfficiencyField(GroupBox9);
    KpdBox->setObjectName(QStringLiteral("KpdBox"));
    KpdBox->setGeometry(8, 16, 177, 21);
    KpdBox->setFont(boldFont);
    QPalette kpd = KpdBox->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        kpd.setColor(group, QPalette::Base, QColor(255, 255, 0));
    kpd.setColor(QPalette::Active, QPalette::Text, QColor(255, 0, 0));
    kpd.setColor(QPalette::Inactive, QPalette::Text, QColor(255, 0, 0));
    // Disabled for good: the text is drawn in the system's grey instead of the red font colour.
    kpd.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    KpdBox->setPalette(kpd);
    KpdBox->setEnabled(false);
}

// The build and save buttons and the scrolled view of the scene.
void TMainFrm::createButtonsAndView() {
    RefCreate = button(this, "RefCreate", QStringLiteral("Построить"), 768);
    RefSave = button(this, "RefSave", QStringLiteral("Сохранить"), 800);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(210, 0, 840, 840);
    ScrollBox1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Ref = new QLabel;
    Ref->setObjectName(QStringLiteral("Ref"));
    Ref->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Ref->setFixedSize(836, 836);
    ScrollBox1->setWidget(Ref);
    // The picture is scrolled with the mouse; a Tab stop there would show no focus anywhere.
    ScrollBox1->setFocusPolicy(Qt::NoFocus);

    CaptionFit::shrinkToFit(*this);
}

void TMainFrm::setTabOrder() {
    const QList<QWidget*> order = {RefA,        RefB,        RefC,        Lamp,    RefCreate,
                                   GridVisible, RayVisible,  LampVisible, RefSave, ScrollBox1,
                                   RefTypeBox,  LampTypeBox, MBox,        Albedo,  KpdBox,
                                   AquaW,       LampH};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

// --- The error channel ---

template <typename Handler> void TMainFrm::guarded(Handler&& handler) {
    ErrorReport::Guarded(std::forward<Handler>(handler),
                         [this](const QString& text) { reportError(text); });
}

void TMainFrm::reportError(const QString& text) {
    if (services_.reportError)
        services_.reportError(ErrorReport::withFullStop(text));
    else
        ErrorReport::show(this, text);
}

// --- The handlers (start-up, build, list close-up, save, exit) ---

void TMainFrm::Init() {
    guarded([this] {
        dotsPerInch_ =
            services_.dotsPerInch > 0 ? services_.dotsPerInch : screenDotsPerInch(screen());
        model_ = std::make_unique<OpticalModel>(dotsPerInch_);
        // The view shows the picture pixel for pixel, so its size in Qt's scaled units is the
        // picture's side over the device pixel ratio.
        const int side = model_->workImage().width();
        const int shown = static_cast<int>(std::ceil(side / devicePixelRatioF()));
        Ref->setFixedSize(shown, shown);
        Ref->update();
        RefC->setEnabled(false);
        PaintRef();
    });
}

void TMainFrm::PaintRef() {
    guarded([this] {
        requireModel();
        const BuildInputs inputs = readInputs();
        model_->PaintRef(inputs);
        showPicture();
        KpdBox->setValue(model_->efficiency());
        showLosses();
        emit built(BuildResult{inputs, model_->losses(), model_->efficiency()});
    });
}

BuildInputs TMainFrm::readInputs() const {
    BuildInputs inputs;
    inputs.shape = RefTypeBox->currentIndex();
    inputs.tube = LampTypeBox->currentIndex();
    inputs.scale = MBox->currentIndex();
    inputs.refA = RefA->value();
    inputs.refB = RefB->value();
    inputs.refC = RefC->value();
    inputs.lamp = Lamp->value();
    inputs.lampH = LampH->value();
    inputs.aquaW = AquaW->value();
    inputs.albedo = Albedo->value();
    inputs.gridVisible = GridVisible->isChecked();
    inputs.lampVisible = LampVisible->isChecked();
    inputs.rayVisible = RayVisible->isChecked();
    return inputs;
}

void TMainFrm::showPicture() {
    QPixmap picture = QPixmap::fromImage(PictureFile::toImage(model_->shownImage()));
    picture.setDevicePixelRatio(devicePixelRatioF());
    Ref->setPixmap(picture);
}

void TMainFrm::showLosses() {
    const LossBreakdown& losses = model_->losses();
    const double total = OpticalModel::RayCount;
    const QString separator = QLocale().decimalPoint();
    // ASCII digits with the locale's separator, as the efficiency field itself writes them.
    const auto line = [&](const QString& what, double share) {
        QString percent = QString::number(share / total * 100, 'f', 1);
        percent.replace(QLatin1Char('.'), separator);
        return QStringLiteral("%1: %2 %").arg(what, percent);
    };
    KpdBox->setToolTip(QStringList{
        line(QStringLiteral("В воду"), losses.delivered),
        line(QStringLiteral("Поглощено отражателем"), losses.absorbed),
        line(QStringLiteral("Отражено поверхностью воды"), losses.reflectedAtWater),
        line(QStringLiteral("Вернулось в лампу"), losses.returnedToTube),
        line(QStringLiteral("Ушло мимо"), losses.escaped),
        AnalysisLink::toolTipLine(),
    }
                           .join(QLatin1Char('\n')));
    // The field is disabled, and Qt shows tool tips of disabled widgets through their parent.
    GroupBox9->setToolTip(KpdBox->toolTip());
}

void TMainFrm::ChangeRefType() {
    guarded([this] {
        const int shape = RefTypeBox->currentIndex();
        const QString name = ShapeIllustration::fileName(shape);
        if (name.isEmpty())
            return;
        const QImage image = ShapeIllustration::load(name);
        RefType->setPixmap(QPixmap::fromImage(image));
        RefC->setEnabled(InputDomain::UsesC(shape));
    });
}

void TMainFrm::SaveAs() {
    guarded([this] {
        // Asking for a file name is pointless when there is no picture to write into it.
        requireModel();
        const QString filter = QStringLiteral("BMP files (*.bmp)");
        const QString proposed = QStringLiteral("Kavrol.bmp");
        const QString chosen = services_.saveDialog ? services_.saveDialog(this, filter, proposed)
                                                    : runSaveDialog(this, filter, proposed);
        if (chosen.isEmpty())
            return;
        PictureFile::save(model_->workImage(), PictureFile::withBmpExtension(chosen), dotsPerInch_);
    });
}

void TMainFrm::requireModel() const {
    if (model_)
        return;
    throw std::runtime_error(released_ ? "The picture has been released"
                                       : "The picture could not be created");
}

void TMainFrm::Exit() {
    model_.reset();
    released_ = true;
}

void TMainFrm::closeEvent(QCloseEvent* event) {
    Exit();
    event->accept();
}

void TMainFrm::centreOnScreen() {
    const QScreen* where = screen();
    if (where == nullptr)
        return;
    const QRect available = where->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
}

} // namespace kavrol
