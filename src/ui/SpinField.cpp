// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpinField.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

namespace kavrol {

namespace {

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// Whether the line edit would type the key's text. It leaves out only presses without printable
// text and the Ctrl and Ctrl+Shift chords (shortcuts such as Ctrl+C); with Alt, AltGr (Ctrl+Alt),
// Meta or a keypad key held, a printable character is typed, so it must pass the key filter.
bool typesText(const QKeyEvent& event) {
    const QString typed = event.text();
    if (std::all_of(typed.begin(), typed.end(), isControl))
        return false;
    const Qt::KeyboardModifiers held = event.modifiers();
    const bool shortcut =
        held == Qt::ControlModifier || held == (Qt::ControlModifier | Qt::ShiftModifier);
    // Formatting characters (joiners, direction marks) are typed even with Ctrl+Shift.
    return !shortcut || typed.front().category() == QChar::Other_Format;
}

} // namespace

SpinField::SpinField(QWidget* parent) : QAbstractSpinBox(parent) {
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

QString SpinField::text() const {
    return lineEdit()->text();
}

void SpinField::setText(const QString& text) {
    lineEdit()->setText(text);
}

void SpinField::stepBy(int steps) {
    if (isReadOnly()) {
        refuse();
        return;
    }
    step(steps);
    lineEdit()->selectAll();
}

QValidator::State SpinField::validate(QString&, int&) const {
    // Any text may stand; reading it decides what it means.
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinField::stepEnabled() const {
    // Both buttons always work: a step past the range is clamped back when it is written.
    return StepUpEnabled | StepDownEnabled;
}

void SpinField::refuse() {
    QApplication::beep();
    emit refused();
}

void SpinField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        stepBy(1);
        event->accept();
        return;
    case Qt::Key_Down:
        stepBy(-1);
        event->accept();
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // Only the arrow keys step; the page keys mean nothing here.
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (beepsOnEnter()) {
            refuse();
            event->accept();
        } else {
            // Passed on to the window, which has no default button, so nothing happens.
            event->ignore();
        }
        return;
    case Qt::Key_Escape:
        event->ignore();
        return;
    default:
        break;
    }
    if (typesText(*event)) {
        for (const QChar c : event->text()) {
            if (isControl(c))
                continue;
            if (!acceptsCharacter(c)) {
                refuse();
                event->accept();
                return;
            }
        }
    }
    // Editing, clipboard and cursor keys behave as in any line edit.
    QAbstractSpinBox::keyPressEvent(event);
}

void SpinField::focusOutEvent(QFocusEvent* event) {
    // A popup such as a context menu, or another window becoming active, takes the focus only
    // for a while and gives it back to the field; only a real move of the focus clamps.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        clampText();
    QAbstractSpinBox::focusOutEvent(event);
}

void SpinField::wheelEvent(QWheelEvent* event) {
    // Scrolling over the window must not change a design value by accident.
    event->ignore();
}

} // namespace kavrol
