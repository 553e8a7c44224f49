// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

namespace kavrol {

// An editable drop-down list with inline completion. A text that begins an item selects the
// first such item, ignoring letter case; typing at the end also completes the text to it. A text
// that begins no item, or an empty one, leaves no item selected (index -1) while the text stays.
// The wheel changes the item only while the list has the focus.
// The list reports every close of its drop-down, once, whether or not the selection changed.
class CompletingComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CompletingComboBox(QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Without the focus the wheel passes to the parent instead of changing the item.
    void wheelEvent(QWheelEvent* event) override;

signals:
    // The drop-down has closed and the selection it made, if any, is in place.
    void dropDownClosed();

private:
    void completeTypedText(const QString& text);

    // Whether the last key pressed in the edit removed text rather than typed it.
    bool deleting_ = false;
};

} // namespace kavrol
