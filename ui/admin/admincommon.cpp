#include "ui/admin/admincommon.h"

#include "ui/dialogs/messages.h"

namespace zelmora {

const Tserverrec* UsableServer(const QueryEngine& engine) {
  const Tserverrec* e = engine.Selected().Entry();
  return e && !e->rconpass.empty() ? e : nullptr;
}

bool IsSafeCommandText(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool CheckCommandText(QWidget* parent, std::string_view text) {
  if (IsSafeCommandText(text)) return true;
  ShowMessage(parent, QStringLiteral("Der Text enthält einen Zeilenumbruch oder ein Nullzeichen "
                                     "und wird nicht gesendet."));
  return false;
}

bool IsSafeQuotedValue(std::string_view value) {
  return IsSafeCommandText(value) && value.find('"') == std::string_view::npos;
}

bool CheckQuotedValue(QWidget* parent, std::string_view value) {
  if (!CheckCommandText(parent, value)) return false;
  if (value.find('"') == std::string_view::npos) return true;
  ShowMessage(parent, QStringLiteral("Der Wert darf kein Anführungszeichen (\") enthalten "
                                     "und wird nicht gesendet."));
  return false;
}

}  // namespace zelmora
