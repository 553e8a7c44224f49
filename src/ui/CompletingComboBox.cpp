#include "CompletingComboBox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>

namespace kavrol {

CompletingComboBox::CompletingComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Qt's own completer changes the text but not the selected item; completion is done here.
    setCompleter(nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CompletingComboBox::completeTypedText);
    lineEdit()->installEventFilter(this);
}

bool CompletingComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        deleting_ = key == Qt::Key_Backspace || key == Qt::Key_Delete;
    }
    return QComboBox::eventFilter(watched, event);
}

void CompletingComboBox::completeTypedText(const QString& text) {
    QLineEdit* edit = lineEdit();
    // A deletion selects only an item spelt exactly so; growing text completes the first item
    // that begins with it.
    const bool grown = !deleting_ && edit->cursorPosition() == text.size();
    int match = -1;
    for (int i = 0; i < count() && match < 0 && !text.isEmpty(); ++i) {
        const QString item = itemText(i);
        if (grown ? item.startsWith(text, Qt::CaseInsensitive)
                  : item.compare(text, Qt::CaseInsensitive) == 0)
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

void CompletingComboBox::hidePopup() {
    const bool wasOpen = view() != nullptr && view()->isVisible();
    QComboBox::hidePopup();
    if (wasOpen) {
        // Qt closes the drop-down before it applies the item chosen in it; reporting the close
        // once the current event is done lets the handler read the new selection.
        QMetaObject::invokeMethod(this, &CompletingComboBox::dropDownClosed, Qt::QueuedConnection);
    }
}

} // namespace kavrol
