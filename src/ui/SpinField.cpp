#include "ui/SpinField.h"

SpinField::SpinField(QWidget* parent) : QSpinBox(parent) {
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

QValidator::State SpinField::validate(QString& text, int& pos) const {
    const QValidator::State state = QSpinBox::validate(text, pos);
    if (state != QValidator::Acceptable)
        return state;
    const int value = valueFromText(text);
    return (value - minimum()) % singleStep() == 0 ? QValidator::Acceptable
                                                   : QValidator::Intermediate;
}
