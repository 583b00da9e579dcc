// An edit field with up/down arrows for options that are stored as text.
//
// Unlike QSpinBox the field holds any text the operator types (the option is
// converted to an integer only where it is used, and a wrong text must reach
// that place to be reported there). The arrows, the cursor keys and the wheel
// step a valid number by the increment within minimum..maximum; when the
// text is not a number they start from the last value the arrows produced.
// Numbers are shown as plain digits without separators.
#pragma once

#include <QAbstractSpinBox>

namespace zelmora {

class UpDownEdit : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit UpDownEdit(QWidget* parent = nullptr);

  void setRange(int minimum, int maximum);
  void setSingleStep(int step) { step_ = step; }
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  int singleStep() const { return step_; }

  QString text() const;
  void setText(const QString& text);

  void stepBy(int steps) override;

 signals:
  void textChanged(const QString& text);

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  StepEnabled stepEnabled() const override;

 private:
  int CurrentValue() const;

  int min_ = 0;
  int max_ = 99;
  int step_ = 1;
  int position_ = 0;  // last value set by the arrows or read from a valid text
};

}  // namespace zelmora
