#include "ui/admin/admincommon.h"

#include "ui/dialogs/messages.h"

namespace zelmora {

const Tserverrec* UsableServer(const AppState& state) {
  if (!state.SelectedValid()) return nullptr;
  const Tserverrec& e = state.serverlist[static_cast<std::size_t>(state.selected)];
  return e.rconpass.empty() ? nullptr : &e;
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

}  // namespace zelmora
