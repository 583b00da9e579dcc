// Every command text Zelmora puts into an rcon datagram, in one place.
//
// The Build functions are the checked forms: each text from outside (typed,
// read from a file or listed by a server) is held to the quoting rule of
// core/commandrules.h, so the server's console finds exactly the intended
// command and arguments. Names go on the line as they are; values and free
// text go between double quotes, a ";" inside them stays text. A text that
// breaks the rule gives no line and a German reason to show.
//
// The Cmd functions are the fixed commands, with nothing from outside in
// them. A raw console line is sent as typed and has no function here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/commandrules.h"

namespace zelmora {

// A command line ready to send, or the reason it must not be sent.
struct BuiltCommand {
  std::string line;     // the command text; empty when refused
  std::string problem;  // German, UTF-8 (core/commandrules.h); empty when the line may be sent
  bool ok() const { return problem.empty(); }
};

// say "text": a message to all players, ";" included.
BuiltCommand BuildSay(std::string_view text);
// tell 3 "text": a message to one player; the number is 1 to 3 digits.
BuiltCommand BuildTell(std::string_view clientNumber, std::string_view text);
// clientkick 3, banclient 3, tempbanclient 3.
BuiltCommand BuildClientKick(std::string_view clientNumber);
BuiltCommand BuildBanClient(std::string_view clientNumber);
BuiltCommand BuildTempBanClient(std::string_view clientNumber);
// map mp_harbor.bsp: a map as its listing named it (extension kept).
BuiltCommand BuildMap(std::string_view mapName);
// exec server.cfg.
BuiltCommand BuildExec(std::string_view fileName);
// The bare variable name: a read.
BuiltCommand BuildReadVar(std::string_view name);
// set name "value": a write; an empty value gives set name "".
BuiltCommand BuildSetVar(std::string_view name, std::string_view value);
// g_password "password": sets the server's join password; the empty password
// clears it (g_password ""). The password rule applies, not just the value
// rule: the players type it on their command line.
BuiltCommand BuildSetJoinPassword(std::string_view password);
// set g_gametype tdm: gametype is a name (dm, tdm, ctf, sd, hq, re, dom,
// bel, bas, or what a modified server offers).
BuiltCommand BuildSetGametype(std::string_view gametype);

// --- Fixed commands (nothing from outside) -----------------------------------

std::string CmdStatus();
// Map directory listing for the server's protocol: ".bsp" files for the first
// game and its expansion (5, 6, 21, 22), "d3dbsp" for the second game
// (115, 117, 118); "" (send nothing) for any other protocol.
std::string CmdDirMaps(std::uint8_t protocol);
std::string CmdDirCfg();
std::string CmdFastRestart();
std::string CmdMapRestart();
std::string CmdMapRotate();
std::string CmdClearJoinPassword();
std::string CmdReadGametype();
std::string CmdClearTempBans();

}  // namespace zelmora
