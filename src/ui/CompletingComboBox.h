#pragma once

#include <QComboBox>

namespace kavrol {

// An editable drop-down list with inline completion. Typing the start of an item selects that
// item and completes the text; a text that matches no item leaves no item selected (index -1)
// while the typed text stays. The list reports every close of its drop-down, whether or not the
// selection changed.
class CompletingComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CompletingComboBox(QWidget* parent = nullptr);

    void hidePopup() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The drop-down has closed and the selection it made, if any, is in place.
    void dropDownClosed();

private:
    void completeTypedText(const QString& text);

    // Whether the last key pressed in the edit removed text rather than typed it.
    bool deleting_ = false;
};

} // namespace kavrol
