// SPDX-License-Identifier: GPL-3.0-or-later
// Every caption, label and list item of the window measured against its box with the face the
// window actually chose. CTest runs this program twice: with the machine's fonts, and with a
// font configuration in which DejaVu Sans (regular and bold) is the only face; there
// KAVROL_EXPECTED_FACE names the face the window must fall back to.
#include "AnalysisWindow.h"
#include "CaptionFit.h"
#include "WindowFixture.h"
#include "WindowFont.h"

#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTableWidget>
#include <QTest>

namespace {

struct Caption {
    const char* name;
    const char* text;
};

// The window's texts as laid down; a caption that fits by being cut short fails here too.
const Caption Captions[] = {
    {"GroupBox1", "Геометрические размеры, мм"},
    {"GroupBox2", "Форма отражателя"},
    {"GroupBox3", "Расстояние до центра лампы, мм"},
    {"GroupBox4", "Тип лампы"},
    {"GroupBox5", "Параметры аквариума, мм"},
    {"GroupBox6", "Отображать"},
    {"GroupBox7", "Масштаб"},
    {"GroupBox8", "Альбедо отражателя"},
    {"GroupBox9", "КПД"},
    {"Label1", "A:"},
    {"Label2", "B:"},
    {"Label3", "C:"},
    {"Label4", "Ширина"},
    {"StaticText1", "От центра лампы до воды"},
    {"GridVisible", "Сетку"},
    {"LampVisible", "Лампу"},
    {"RayVisible", "Лучи"},
    {"RefCreate", "Построить"},
    {"RefSave", "Сохранить"},
};

const char* const Lists[] = {"RefTypeBox", "LampTypeBox", "MBox"};

QString captionOf(const QWidget& widget) {
    if (const auto* box = qobject_cast<const QGroupBox*>(&widget))
        return box->title();
    if (const auto* label = qobject_cast<const QLabel*>(&widget))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return button->text();
    return {};
}

// The width the box gives its caption, by the rules the classic style draws it with.
int roomFor(const QWidget& widget) {
    const QStyle* style = widget.style();
    if (const auto* box = qobject_cast<const QGroupBox*>(&widget)) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const int indent =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box)
                .left();
        // The frame line must show right of the caption as it shows left of it.
        return box->width() - 2 * indent;
    }
    if (qobject_cast<const QCheckBox*>(&widget) != nullptr) {
        return widget.width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget) -
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &widget);
    }
    if (qobject_cast<const QPushButton*>(&widget) != nullptr)
        return widget.width() - 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &widget);
    return widget.contentsRect().width();
}

class CaptionTest : public WindowFixture {
protected:
    static void SetUpTestSuite() {
        // The program draws its window in the classic style, whose margins the layout assumes.
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    }
};

TEST_F(CaptionTest, EveryCaptionFitsItsBoxWhole) {
    auto window = makeWindow(96);
    int checked = 0;
    for (const Caption& caption : Captions) {
        SCOPED_TRACE(caption.name);
        const auto* widget = window->findChild<QWidget*>(QString::fromLatin1(caption.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(captionOf(*widget), QString::fromUtf8(caption.text));
        const QFontMetrics metrics(widget->font());
        const int width = metrics.horizontalAdvance(captionOf(*widget));
        EXPECT_LE(width, roomFor(*widget)) << QFontInfo(widget->font()).family().toStdString()
                                           << ' ' << widget->font().pointSizeF() << " pt";
        if (qobject_cast<const QLabel*>(widget) != nullptr) {
            EXPECT_LE(metrics.height(), widget->contentsRect().height());
        }
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(std::size(Captions)));
}

TEST_F(CaptionTest, EveryListItemFitsItsField) {
    auto window = makeWindow(96);
    for (const char* name : Lists) {
        SCOPED_TRACE(name);
        const auto* list = window->findChild<QComboBox*>(QString::fromLatin1(name));
        ASSERT_NE(list, nullptr);
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.editable = list->isEditable();
        option.subControls = QStyle::SC_All;
        const int room =
            list->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
                .width();
        ASSERT_EQ(list->count(), 3);
        for (int i = 0; i < list->count(); ++i) {
            EXPECT_LE(list->fontMetrics().horizontalAdvance(list->itemText(i)), room)
                << list->itemText(i).toStdString();
        }
    }
}

// Every widget with a caption is one the table above knows, so none goes unmeasured.
TEST_F(CaptionTest, TheTableHoldsEveryCaptionOfTheWindow) {
    auto window = makeWindow(96);
    QStringList named;
    for (const Caption& caption : Captions)
        named << QString::fromLatin1(caption.name);
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (!captionOf(*widget).isEmpty()) {
            EXPECT_TRUE(named.contains(widget->objectName())) << widget->objectName().toStdString();
        }
    }
}

TEST_F(CaptionTest, TheWindowFontKeepsTheLaidDownTextHeight) {
    auto window = makeWindow(96);
    const QFont font = window->font();
    EXPECT_EQ(kavrol::WindowFont::designTextHeight(font), kavrol::WindowFont::DesignTextHeight)
        << QFontInfo(font).family().toStdString() << ' ' << font.pointSizeF() << " pt";
    EXPECT_EQ(QFontInfo(font).family(), kavrol::WindowFont::family());
    const QByteArray expected = qgetenv("KAVROL_EXPECTED_FACE");
    if (!expected.isEmpty()) {
        EXPECT_EQ(QFontInfo(font).family(), QString::fromUtf8(expected));
    }
}

// A narrow face is preferred to a regular one, and the face found is an installed one.
TEST_F(CaptionTest, TheChosenFaceIsTheFirstInstalledOfThePreferredOnes) {
    const QStringList& preferred = kavrol::WindowFont::preferredFamilies();
    const QString chosen = kavrol::WindowFont::family();
    ASSERT_TRUE(preferred.contains(chosen)) << chosen.toStdString();
    EXPECT_LT(preferred.indexOf(QStringLiteral("DejaVu Sans Condensed")),
              preferred.indexOf(QStringLiteral("DejaVu Sans")));
    const QStringList installed = QFontDatabase::families();
    EXPECT_TRUE(installed.contains(chosen, Qt::CaseInsensitive));
    for (qsizetype i = 0; i < preferred.indexOf(chosen); ++i) {
        EXPECT_FALSE(installed.contains(preferred[i], Qt::CaseInsensitive))
            << preferred[i].toStdString();
    }
}

// --- The analysis window ---

// What is cut short in the analysis window as it stands: labels and buttons that lack room for
// their text (a wrapped label for its lines), table headings and cells narrower than their
// text, and chart captions that Qt shortened with an ellipsis or that reach outside their
// chart.
QStringList CutCaptions(const QWidget& window) {
    QStringList cut;
    for (const QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible()) {
            continue;
        }
        const auto* label = qobject_cast<const QLabel*>(w);
        if (label != nullptr && label->wordWrap()) {
            if (!label->text().isEmpty() && label->heightForWidth(label->contentsRect().width()) >
                                                label->contentsRect().height()) {
                cut << label->text();
            }
        } else if (kavrol::CaptionFit::shortfall(*w) > 0) {
            cut << captionOf(*w);
        }
    }
    for (const QTableWidget* t : window.findChildren<QTableWidget*>()) {
        const QAbstractItemView& cells = *t; // the table view keeps the hints protected
        for (int c = 0; c < t->columnCount(); ++c) {
            if (t->columnWidth(c) <
                std::max(t->horizontalHeader()->sectionSizeHint(c), cells.sizeHintForColumn(c))) {
                cut << t->horizontalHeaderItem(c)->text();
            }
        }
        if (t->verticalHeader()->width() < t->verticalHeader()->sizeHint().width()) {
            cut << QStringLiteral("the rows' headings");
        }
        int rows = 0;
        for (int r = 0; r < t->rowCount(); ++r) {
            rows += t->rowHeight(r);
        }
        if (t->viewport()->height() < rows) {
            cut << QStringLiteral("the table's last rows");
        }
    }
    for (const QChartView* view : window.findChildren<QChartView*>()) {
        if (!view->isVisible()) {
            continue;
        }
        const QRectF area = view->chart()->sceneBoundingRect();
        for (const QGraphicsItem* item : view->scene()->items()) {
            QString text;
            if (const auto* rich = dynamic_cast<const QGraphicsTextItem*>(item)) {
                text = rich->toPlainText();
            } else if (const auto* plain = dynamic_cast<const QGraphicsSimpleTextItem*>(item)) {
                text = plain->text();
            }
            if (text.isEmpty() || !item->isVisible()) {
                continue;
            }
            if (text.contains(QStringLiteral("...")) || text.contains(QChar(0x2026))) {
                cut << text;
            } else if (!area.contains(item->sceneBoundingRect())) {
                cut << text + QStringLiteral(" (outside its chart)");
            }
        }
    }
    return cut;
}

class AnalysisCaptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    }
    // The window at a size once its layout and charts have settled there.
    static void showAt(QWidget& window, QSize size) {
        window.resize(size);
        QTest::qWait(100);
        QApplication::processEvents();
    }
};

// At the window's first size and at its smallest, for a build and for a whole fixture.
TEST_F(AnalysisCaptionTest, EveryCaptionOfTheAnalysisWindowFitsWhole) {
    kavrol::AnalysisServices services;
    services.reportError = [](const QString& text) { ADD_FAILURE() << text.toStdString(); };
    kavrol::AnalysisWindow window(services);
    window.show();
    kavrol::BuildResult build;
    build.losses = {40.0, 12.0, 2.0, 14.0, 4.0};
    build.efficiency = 0.55;
    const QSize first = window.size();
    for (const char* shown : {"build", "fixture"}) {
        SCOPED_TRACE(shown);
        if (QLatin1String(shown) == QLatin1String("build")) {
            window.follow(build);
        } else {
            window.openFixtureFile(QStringLiteral(KAVROL_EXAMPLES_DIR "/two-t5-80cm.json"));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window.busy(); }, 60000));
        ASSERT_TRUE(window.estimate().has_value());
        for (const bool smallest : {false, true}) {
            // The smallest size the window's layout allows once its figures are on show.
            showAt(window, smallest ? QSize(1, 1) : first);
            const QSize size = window.size();
            SCOPED_TRACE(
                QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
            EXPECT_EQ(size, smallest ? window.minimumSize() : first);
            EXPECT_EQ(CutCaptions(window), QStringList());
        }
    }
    // The face the window drew with, for the record of the run under DejaVu Sans alone.
    const QByteArray expected = qgetenv("KAVROL_EXPECTED_FACE");
    if (!expected.isEmpty()) {
        EXPECT_EQ(QFontInfo(window.font()).family(), QString::fromUtf8(expected));
    }
}

} // namespace
