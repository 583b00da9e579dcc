#include "ui/dialogs/messages.h"

#include <QMessageBox>
#include <QPushButton>

#include <string>
#include <vector>

#include "core/settings.h"

namespace zelmora {
namespace {

MessageFunction& CurrentFunction() {
  static MessageFunction fn;
  return fn;
}

bool ShowRealBox(QWidget* parent, MessageKind kind, const QString& title, const QString& text) {
  if (kind == MessageKind::Question) {
    const std::unique_ptr<QMessageBox> box = MakeQuestionBox(parent, title, text);
    return box->exec() == QMessageBox::Ok;
  }
  QMessageBox::information(parent, title, text, QMessageBox::Ok);
  return true;
}

bool Show(QWidget* parent, MessageKind kind, const QString& title, const QString& text) {
  // Copy first: the function may replace itself while it runs.
  const MessageFunction fn = CurrentFunction();
  if (fn) return fn(parent, kind, title, text);
  return ShowRealBox(parent, kind, title, text);
}

ChoiceFunction& CurrentChoice() {
  static ChoiceFunction fn;
  return fn;
}

}  // namespace

std::unique_ptr<QMessageBox> MakeQuestionBox(QWidget* parent, const QString& title,
                                             const QString& text) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Question, title, text,
                                           QMessageBox::Ok | QMessageBox::Cancel, parent);
  // Cancel is the default: Enter never deletes by accident, and it is drawn
  // as the default button and has the focus.
  auto* cancel = qobject_cast<QPushButton*>(box->button(QMessageBox::Cancel));
  if (auto* ok = qobject_cast<QPushButton*>(box->button(QMessageBox::Ok)))
    ok->setAutoDefault(false);
  box->setDefaultButton(cancel);
  box->setEscapeButton(cancel);
  cancel->setFocus(Qt::OtherFocusReason);
  return box;
}

ChoiceFunction SetChoiceFunction(ChoiceFunction fn) {
  ChoiceFunction previous = std::move(CurrentChoice());
  CurrentChoice() = std::move(fn);
  return previous;
}

int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons) {
  const ChoiceFunction fn = CurrentChoice();
  if (fn) return fn(parent, text, buttons);
  QMessageBox box(QMessageBox::Question, QStringLiteral("Frage"), text, QMessageBox::NoButton,
                  parent);
  std::vector<QAbstractButton*> added;
  for (int i = 0; i < buttons.size(); ++i)
    added.push_back(box.addButton(
        buttons[i], i + 1 == buttons.size() ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
  if (!added.empty()) box.setDefaultButton(static_cast<QPushButton*>(added.front()));
  box.exec();
  for (std::size_t i = 0; i < added.size(); ++i)
    if (box.clickedButton() == added[i]) return static_cast<int>(i);
  return static_cast<int>(buttons.size()) - 1;
}

MessageFunction SetMessageFunction(MessageFunction fn) {
  MessageFunction previous = std::move(CurrentFunction());
  CurrentFunction() = std::move(fn);
  return previous;
}

void ShowMessage(QWidget* parent, const QString& text) {
  Show(parent, MessageKind::Plain, QStringLiteral("Zelmora"), text);
}

bool AskOkCancel(QWidget* parent, const QString& text) {
  return Show(parent, MessageKind::Question, QStringLiteral("Frage"), text);
}

void ShowIntegerError(QWidget* parent, std::string_view text) {
  const std::string message = IntegerConversionError(text);  // UTF-8
  ShowMessage(parent, QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

}  // namespace zelmora
