#include "protocol/commands.h"

namespace zelmora {

namespace {
std::string Join(std::string_view a, std::string_view b) {
  std::string s;
  s.reserve(a.size() + b.size());
  s += a;
  s += b;
  return s;
}
}  // namespace

std::string CmdStatus() {
  return "status";
}

std::string CmdDirMaps(std::uint8_t protocol) {
  switch (protocol) {
    case 5:
    case 6:
    case 21:
    case 22:
      return "dir maps/mp .bsp";
    case 115:
    case 117:
    case 118:
      return "dir maps/mp d3dbsp";
    default:
      return std::string();
  }
}

std::string CmdDirCfg() {
  return "dir / .cfg";
}
std::string CmdSay(std::string_view text) {
  return Join("say ", text);
}

std::string CmdTell(std::string_view clientNumber, std::string_view text) {
  std::string s = Join("tell ", clientNumber);
  s += ' ';
  s += text;
  return s;
}

std::string CmdClientKick(std::string_view clientNumber) {
  return Join("clientkick ", clientNumber);
}
std::string CmdBanClient(std::string_view clientNumber) {
  return Join("banclient ", clientNumber);
}
std::string CmdTempBanClient(std::string_view clientNumber) {
  return Join("tempbanclient ", clientNumber);
}
std::string CmdMap(std::string_view mapName) {
  return Join("map ", mapName);
}
std::string CmdFastRestart() {
  return "fast_restart";
}
std::string CmdMapRestart() {
  return "map_restart";
}
std::string CmdMapRotate() {
  return "map_rotate";
}
std::string CmdExec(std::string_view fileName) {
  return Join("exec ", fileName);
}

std::string CmdSetJoinPassword(std::string_view password) {
  std::string s = Join("g_password \"", password);
  s += '"';
  return s;
}

std::string CmdClearJoinPassword() {
  return "g_password \"\"";
}
std::string CmdReadGametype() {
  return "g_gametype";
}
std::string CmdSetGametype(std::string_view gametype) {
  return Join("set g_gametype ", gametype);
}
std::string CmdClearTempBans() {
  return "set g_banIPs \"\"";
}
std::string CmdReadVar(std::string_view name) {
  return std::string(name);
}

std::string CmdSetVar(std::string_view name, std::string_view value) {
  std::string s = Join("set ", name);
  s += " \"";
  s += value;
  s += '"';
  return s;
}

}  // namespace zelmora
