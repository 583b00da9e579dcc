// Every command text Zelmora puts into an rcon datagram, in one place. Values
// are appended verbatim; a raw console line is sent as typed and has no
// function here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zelmora {

std::string CmdStatus();
// Map directory listing for the server's protocol: ".bsp" files for the first
// game and its expansion (5, 6, 21, 22), "d3dbsp" for the second game
// (115, 117, 118); "" (send nothing) for any other protocol.
std::string CmdDirMaps(std::uint8_t protocol);
std::string CmdDirCfg();
std::string CmdSay(std::string_view text);
std::string CmdTell(std::string_view clientNumber, std::string_view text);
std::string CmdClientKick(std::string_view clientNumber);
std::string CmdBanClient(std::string_view clientNumber);
std::string CmdTempBanClient(std::string_view clientNumber);
std::string CmdMap(std::string_view mapName);
std::string CmdFastRestart();
std::string CmdMapRestart();
std::string CmdMapRotate();
std::string CmdExec(std::string_view fileName);
std::string CmdSetJoinPassword(std::string_view password);
std::string CmdClearJoinPassword();
std::string CmdReadGametype();
// gametype is one of dm, tdm, ctf, sd, hq, re, dom, bel, bas.
std::string CmdSetGametype(std::string_view gametype);
std::string CmdClearTempBans();
std::string CmdReadVar(std::string_view name);
std::string CmdSetVar(std::string_view name, std::string_view value);

}  // namespace zelmora
