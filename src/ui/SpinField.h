// A text box with its spin control: it shows the spin value and takes typed
// numbers only when they fall on one of the control's steps.
#pragma once

#include <QSpinBox>

class SpinField : public QSpinBox {
    Q_OBJECT

  public:
    explicit SpinField(QWidget* parent = nullptr);

  protected:
    QValidator::State validate(QString& text, int& pos) const override;
};
