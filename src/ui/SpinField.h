// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractSpinBox>

namespace kavrol {

// An edit field with up and down buttons whose text is the truth: the value is read from the
// text whenever it is needed, a text that does not convert reads as the minimum and is left as
// typed, and the range is enforced only when the field writes a value itself or loses the focus.
// QSpinBox cannot do this: it refuses an empty text and reverts it.
class SpinField : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit SpinField(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

signals:
    // A key was refused; the field has beeped.
    void refused();

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    // Whether a typed printable character may go into the text.
    virtual bool acceptsCharacter(QChar c) const = 0;
    // Whether Enter is refused with a beep rather than passed on to the window.
    virtual bool beepsOnEnter() const = 0;
    // Steps the value and writes it back clamped.
    virtual void step(int steps) = 0;
    // Writes the clamped value when the value read lies outside the range.
    virtual void clampText() = 0;

    void refuse();
};

} // namespace kavrol
