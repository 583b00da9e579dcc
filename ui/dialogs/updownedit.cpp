#include "ui/dialogs/updownedit.h"

#include <QLineEdit>

#include <algorithm>
#include <cstdint>

#include "core/settings.h"
#include "ui/dialogs/messages.h"

namespace zelmora {

UpDownEdit::UpDownEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setKeyboardTracking(true);
  connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString& t) {
    if (const auto v = ConvertInteger(ToCp1252(t))) position_ = std::clamp(*v, min_, max_);
    emit textChanged(t);
  });
}

void UpDownEdit::setRange(int minimum, int maximum) {
  min_ = minimum;
  max_ = std::max(minimum, maximum);
  position_ = std::clamp(position_, min_, max_);
}

QString UpDownEdit::text() const {
  return lineEdit()->text();
}

void UpDownEdit::setText(const QString& text) {
  if (lineEdit()->text() != text) lineEdit()->setText(text);
}

int UpDownEdit::CurrentValue() const {
  if (const auto v = ConvertInteger(ToCp1252(lineEdit()->text())))
    return std::clamp(*v, min_, max_);
  return position_;
}

void UpDownEdit::stepBy(int steps) {
  const std::int64_t next =
      static_cast<std::int64_t>(CurrentValue()) + static_cast<std::int64_t>(steps) * step_;
  position_ = static_cast<int>(std::clamp<std::int64_t>(next, min_, max_));
  lineEdit()->setText(QString::number(position_));
  lineEdit()->selectAll();
}

QValidator::State UpDownEdit::validate(QString&, int&) const {
  // Every text is accepted; it is checked where the option is used.
  return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled UpDownEdit::stepEnabled() const {
  const int v = CurrentValue();
  StepEnabled e = StepNone;
  if (v < max_) e |= StepUpEnabled;
  if (v > min_) e |= StepDownEnabled;
  return e;
}

}  // namespace zelmora
