// Message boxes of the dialogs, behind one replaceable function so that
// tests (and scripted runs) never block on a modal box.
#pragma once

#include "ui/dialogs/cp1252.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class QMessageBox;
class QWidget;

namespace zelmora {

enum class MessageKind {
  Plain,     // a notice with an OK button, titled "Zelmora"
  Question,  // titled "Frage", buttons OK and Cancel
};

// Shows the box and returns true for OK (always true for Plain boxes).
using MessageFunction = std::function<bool(QWidget* parent, MessageKind kind, const QString& title,
                                           const QString& text)>;

// Replaces the function that shows the boxes; an empty function restores the
// real QMessageBox. Returns the previous function (empty for the default).
MessageFunction SetMessageFunction(MessageFunction fn);

void ShowMessage(QWidget* parent, const QString& text);

// "Frage" box with OK and Cancel; true when the operator chose OK.
bool AskOkCancel(QWidget* parent, const QString& text);
// The question box itself (title, text, OK and Cancel, Cancel the default).
std::unique_ptr<QMessageBox> MakeQuestionBox(QWidget* parent, const QString& title,
                                             const QString& text);

// A question with buttons of its own (for example "Speichern", "Verwerfen",
// "Abbrechen"), titled "Frage"; the index of the button chosen, the last one
// when the box is closed otherwise. Replaceable like the message boxes.
using ChoiceFunction =
    std::function<int(QWidget* parent, const QString& text, const QStringList& buttons)>;
ChoiceFunction SetChoiceFunction(ChoiceFunction fn);
int AskChoice(QWidget* parent, const QString& text, const QStringList& buttons);

// "'<text>' ist kein gültiger Integerwert." for an option text (8-bit, as
// stored) that does not convert to an integer.
void ShowIntegerError(QWidget* parent, std::string_view text);

}  // namespace zelmora
