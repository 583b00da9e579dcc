#include "ui/admin/admincommon.h"

#include "protocol/colorcodes.h"
#include "ui/dialogs/cp1252.h"
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

QString ServerSuffix(const AppState& state, std::uint64_t server) {
  const Tserverrec* e = state.EntryOf(server);
  if (!e) return QString();
  std::string name = StripColorCodes(e->hostname.view());
  if (name.empty()) name = e->host.str() + ":" + e->port.str();
  return QStringLiteral(" (Server %1)").arg(FromCp1252(name));
}

}  // namespace zelmora
