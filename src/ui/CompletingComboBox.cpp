// SPDX-License-Identifier: GPL-3.0-or-later
#include "CompletingComboBox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace kavrol {

CompletingComboBox::CompletingComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Qt's own completer changes the text but not the selected item; completion is done here.
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CompletingComboBox::completeTypedText);
    lineEdit()->installEventFilter(this);
    // The drop-down is a popup window of its own. It is hidden however it closes: through
    // hidePopup(), Escape, a click on an item or outside it, or a close() from elsewhere, such as
    // the system dismissing it. So its Hide event, not hidePopup(), reports the close-up.
    view()->window()->installEventFilter(this);
    // The wheel changes the item only once the list has the focus; see wheelEvent().
    setFocusPolicy(Qt::StrongFocus);
}

void CompletingComboBox::wheelEvent(QWheelEvent* event) {
    // A wheel turned over a list on the way down the panel is meant for the panel.
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

bool CompletingComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        deleting_ = key == Qt::Key_Backspace || key == Qt::Key_Delete;
    } else if (event->type() == QEvent::Hide && watched == view()->window()) {
        // Qt hides the drop-down before it applies the item chosen in it; reporting the close
        // once the current event is done lets the handler read the new selection.
        QMetaObject::invokeMethod(this, &CompletingComboBox::dropDownClosed, Qt::QueuedConnection);
    }
    return QComboBox::eventFilter(watched, event);
}

void CompletingComboBox::completeTypedText(const QString& text) {
    QLineEdit* edit = lineEdit();
    // The first item that begins with the text is selected. Text grown at its end is completed
    // to that item; after a deletion or an edit inside it the text stays as the user left it,
    // or Backspace could never shorten a completed name.
    const bool grown = !deleting_ && edit->cursorPosition() == text.size();
    int match = -1;
    for (int i = 0; i < count() && match < 0 && !text.isEmpty(); ++i) {
        if (itemText(i).startsWith(text, Qt::CaseInsensitive))
            match = i;
    }
    if (match >= 0) {
        const QString item = itemText(match);
        const int cursor = edit->cursorPosition();
        setCurrentIndex(match);
        edit->setText(grown ? item : text);
        if (grown)
            edit->setSelection(static_cast<int>(item.size()),
                               -static_cast<int>(item.size() - text.size()));
        else
            edit->setCursorPosition(cursor);
    } else if (currentIndex() != -1) {
        const int cursor = edit->cursorPosition();
        // Clearing the selection clears the edit text too; the typed text must stay.
        setCurrentIndex(-1);
        edit->setText(text);
        edit->setCursorPosition(cursor);
    }
}

} // namespace kavrol
