// SPDX-License-Identifier: GPL-3.0-or-later
#include "CaptionFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <algorithm>

namespace kavrol::CaptionFit {

namespace {

int textWidth(const QWidget& widget, const QString& text) {
    return widget.fontMetrics().horizontalAdvance(text);
}

// A group box's caption stands on the frame line, indented from the left corner; it fits when
// the same indent is left before the right corner, so that the frame line shows at both ends.
int groupBoxShortfall(const QGroupBox& box) {
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    option.features = box.isFlat() ? QStyleOptionFrame::Flat : QStyleOptionFrame::None;
    const QRect label =
        box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    const int room = box.width() - 2 * label.left();
    return textWidth(box, box.title()) - room;
}

// A label shows its text from its left edge; it must hold the text's width and height.
int labelShortfall(const QLabel& label) {
    if (label.text().isEmpty())
        return 0;
    const QRect room = label.contentsRect();
    const int lackingWidth = textWidth(label, label.text()) - room.width();
    const int lackingHeight = label.fontMetrics().height() - room.height();
    return std::max(lackingWidth, lackingHeight);
}

int checkBoxShortfall(const QCheckBox& box) {
    QStyleOptionButton option;
    option.initFrom(&box);
    option.text = box.text();
    const QRect room = box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box);
    return textWidth(box, box.text()) - room.width();
}

// A button's caption as drawn: a mnemonic's "&" is not shown ("&&" shows one).
QString shownText(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
        }
        shown += text[i];
    }
    return shown;
}

int buttonShortfall(const QPushButton& button) {
    const int margin = button.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button);
    return textWidth(button, shownText(button.text())) - (button.width() - 2 * margin);
}

// Every item of a list, not only the one shown, must fit the list's edit field.
int listShortfall(const QComboBox& list) {
    QStyleOptionComboBox option;
    option.initFrom(&list);
    option.editable = list.isEditable();
    option.subControls = QStyle::SC_All;
    const QRect room = list.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, &list);
    int widest = 0;
    for (int i = 0; i < list.count(); ++i)
        widest = std::max(widest, textWidth(list, list.itemText(i)));
    return widest - room.width();
}

} // namespace

int shortfall(const QWidget& widget) {
    int lacking = 0;
    if (const auto* box = qobject_cast<const QGroupBox*>(&widget))
        lacking = groupBoxShortfall(*box);
    else if (const auto* label = qobject_cast<const QLabel*>(&widget))
        lacking = labelShortfall(*label);
    else if (const auto* check = qobject_cast<const QCheckBox*>(&widget))
        lacking = checkBoxShortfall(*check);
    else if (const auto* button = qobject_cast<const QPushButton*>(&widget))
        lacking = buttonShortfall(*button);
    else if (const auto* list = qobject_cast<const QComboBox*>(&widget))
        lacking = listShortfall(*list);
    return std::max(lacking, 0);
}

void shrinkToFit(QWidget& root) {
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* widget : widgets) {
        if (shortfall(*widget) == 0)
            continue;
        // A group box's font would pass to the fields inside it; each keeps its own instead.
        if (qobject_cast<QGroupBox*>(widget) != nullptr) {
            for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                child->setFont(child->font());
        }
        QFont font = widget->font();
        while (shortfall(*widget) > 0 && font.pointSizeF() - 0.25 >= SmallestPointSize) {
            font.setPointSizeF(font.pointSizeF() - 0.25);
            widget->setFont(font);
        }
    }
}

} // namespace kavrol::CaptionFit
