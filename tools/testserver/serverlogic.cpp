#include "tools/testserver/serverlogic.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace zelmora::testing {

namespace {

const char kStatusHeader[] =
    "num score ping guid   name            lastmsg address               qport rate\n";
const char kStatusDashes[] =
    "--- ----- ---- ------ --------------- ------- --------------------- ----- -----\n";
const char kIoq3StatusHeader[] =
    "cl score ping name            address                                 rate \n";
const char kIoq3StatusDashes[] =
    "-- ----- ---- --------------- --------------------------------------- -----\n";

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Lower(a) == Lower(b);
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && EqualNoCase(s.substr(s.size() - suffix.size()), suffix);
}

std::string PadLeft(std::string s, size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

std::string NormalizeDir(std::string_view dir) {
  std::string d = Lower(dir);
  for (char& c : d) {
    if (c == '\\') c = '/';
  }
  while (!d.empty() && d.front() == '/') d.erase(d.begin());
  while (!d.empty() && d.back() == '/') d.pop_back();
  if (d == ".") d.clear();
  return d;
}

bool IsDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

ServerLogic::ServerLogic(TestServerConfig config) : config_(std::move(config)) {
  rng_ = config_.seed;
  noteVarDefaults();
}

void ServerLogic::setConfig(TestServerConfig config) {
  const bool reseed = config.seed != config_.seed;
  config_ = std::move(config);
  if (reseed) rng_ = config_.seed;
  noteVarDefaults();
}

void ServerLogic::noteVarDefaults() {
  for (const VarList* list : {&config_.vars, &config_.cvars}) {
    for (const auto& [name, value] : *list) defaults_.emplace(Lower(name), value);
  }
}

uint64_t ServerLogic::nextRandom() {
  // splitmix64
  uint64_t z = (rng_ += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

double ServerLogic::nextUnit() {
  return static_cast<double>(nextRandom() >> 11) * 0x1.0p-53;
}

std::vector<std::string> ServerLogic::handle(std::string_view datagram, Clock::time_point now,
                                             std::string_view sender) {
  ++stats_.received;
  std::vector<std::string> out;
  if (config_.script && config_.script(datagram, out)) return finish(std::move(out));
  out.clear();
  if (datagram.size() < 4 || datagram.substr(0, 4) != kOobPrefix) {
    ++stats_.ignored;
    return out;
  }
  // The game reads one line of the request.
  const std::string_view line = RequestLine(datagram.substr(4));

  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  size_t j = i;
  while (j < line.size() && !IsBlank(line[j])) ++j;
  const std::string verb = Lower(line.substr(i, j - i));

  if ((verb == "getstatus" || verb == "rcon") && limited(sender, now)) {
    ++stats_.limiterDropped;
    return out;
  }
  if (verb == "getstatus") {
    ++stats_.statusQueries;
    out.push_back(statusResponse());
  } else if (verb == "rcon") {
    bool answered = false;
    std::string output = handleRcon(line.substr(j), now, sender, answered);
    if (answered) out = printDatagrams(output);
  } else {
    ++stats_.ignored;
  }

  return finish(std::move(out));
}

// The leaky bucket of ioquake3's address limiter, step by step: whole
// periods since the last request leak out (a remainder carries over), a
// bucket left alone longer than it holds starts empty, and a request over
// the burst is dropped without filling it.
bool ServerLogic::limited(std::string_view sender, Clock::time_point now) {
  if (config_.limiterBurst <= 0 || config_.limiterPeriodMs <= 0) return false;
  const std::string_view address = sender.substr(0, sender.rfind(':'));
  auto it = buckets_.find(address);
  if (it == buckets_.end()) it = buckets_.emplace(std::string(address), Bucket{0, now}).first;
  Bucket& b = it->second;
  const auto interval = std::chrono::duration_cast<std::chrono::milliseconds>(now - b.last).count();
  const auto expired = interval / config_.limiterPeriodMs;
  const auto remainder = interval % config_.limiterPeriodMs;
  if (expired > b.level || interval < 0) {
    b.level = 0;
    b.last = now;
  } else {
    b.level -= static_cast<int>(expired);
    b.last = now - std::chrono::milliseconds(remainder);
  }
  if (b.level < config_.limiterBurst) {
    ++b.level;
    return false;
  }
  return true;
}

std::vector<std::string> ServerLogic::finish(std::vector<std::string> out) {
  if (config_.dropShare > 0) {
    std::vector<std::string> kept;
    for (auto& d : out) {
      if (nextUnit() < config_.dropShare) {
        ++stats_.repliesDropped;
      } else {
        kept.push_back(std::move(d));
      }
    }
    out = std::move(kept);
  }
  stats_.repliesSent += out.size();
  return out;
}

std::string ServerLogic::handleRcon(std::string_view rest, Clock::time_point now,
                                    std::string_view sender, bool& answered) {
  // Like the game, any rcon request counts for the flood check, whatever its
  // password, and a dropped one does not move the window.
  const std::string_view whose = config_.floodPerSender ? sender : std::string_view();
  auto last = lastRcon_.find(whose);
  if (config_.floodProtection && last != lastRcon_.end() &&
      now - last->second < std::chrono::milliseconds(config_.floodIntervalMs)) {
    ++stats_.rconFloodDropped;
    answered = false;
    return {};
  }
  if (last == lastRcon_.end())
    lastRcon_.emplace(std::string(whose), now);
  else
    last->second = now;
  answered = true;

  std::string password, command;
  SplitRcon(rest, password, command);
  if (config_.rconPassword.empty()) {
    ++stats_.rconBadPassword;
    return "No rconpassword set.\n";
  }
  if (password != config_.rconPassword) {
    ++stats_.rconBadPassword;
    return config_.badPasswordReply + "\n";
  }
  ++stats_.rconAccepted;
  std::string output;
  for (const std::string& one : SplitCommandLine(command)) {
    executed_.push_back(one);
    output += execute(one);
  }
  return output;
}

std::string ServerLogic::statusResponse() const {
  std::string d = kOobPrefix + "statusResponse\n";
  for (const auto& [name, value] : config_.vars) {
    d += '\\';
    d += name;
    d += '\\';
    d += value;
  }
  d += '\n';
  for (const TestPlayer& p : config_.players) {
    // Clients still connecting have no ping yet; the game reports 999.
    const std::string ping = IsDigits(p.ping) ? p.ping : "999";
    d += std::to_string(p.score) + " " + ping + " \"" + p.name + "\"\n";
  }
  return d;
}

std::string ServerLogic::statusOutput() const {
  std::string out = "map: " + FindVar(config_.vars, "mapname") + "\n";
  if (config_.statusLayout == TestServerConfig::StatusLayout::Ioquake3) {
    out += kIoq3StatusHeader;
    out += kIoq3StatusDashes;
    for (const TestPlayer& p : config_.players) {
      const std::string ping = p.ping == "CNCT" ? "CON" : p.ping == "ZMBI" ? "ZMB" : p.ping;
      std::string row = PadLeft(std::to_string(p.num), 2) + " " +
                        PadLeft(std::to_string(p.score), 5) + " " + PadLeft(ping, 4) + " " + p.name;
      // Padded by the name's length without colour codes, at least one blank.
      size_t visible = 0;
      for (size_t i = 0; i < p.name.size(); ++i) {
        if (p.name[i] == '^' && i + 1 < p.name.size() && p.name[i + 1] != '^') {
          ++i;
          continue;
        }
        ++visible;
      }
      row.append(visible < 16 ? 16 - visible : 1, ' ');
      const std::string addr = p.ip + ":" + std::to_string(p.port);
      row += "^7" + addr;
      row.append(addr.size() < 39 ? 39 - addr.size() : 1, ' ');
      // Appended piece by piece: GCC 12 takes "text" + std::string for an overlapping
      // copy (-Wrestrict, a false alarm, GCC bug 105329).
      row.append(" ").append(PadLeft(std::to_string(p.rate), 5)).append("\n");
      out += row;
    }
    return out + "\n";
  }
  out += kStatusHeader;
  out += kStatusDashes;
  for (const TestPlayer& p : config_.players) {
    std::string row = PadLeft(std::to_string(p.num), 3) + " " +
                      PadLeft(std::to_string(p.score), 5) + " " + PadLeft(p.ping, 4) + " " +
                      PadLeft(p.guid, 6) + " " + p.name + "^7";
    // Like the game, pad by the name's bytes (colour codes included) to 16;
    // at least one blank keeps the name end mark apart from lastmsg.
    const size_t len = p.name.size();
    row.append(len < 16 ? 16 - len : 1, ' ');
    row += PadLeft(std::to_string(p.lastmsg), 7) + " ";
    const std::string addr = p.ip + ":" + std::to_string(p.port);
    row += addr;
    row.append(addr.size() < 22 ? 22 - addr.size() : 1, ' ');
    row += PadLeft(std::to_string(p.qport), 5) + " " + PadLeft(std::to_string(p.rate), 5) + "\n";
    out += row;
  }
  out += "\n";
  return out;
}

std::vector<std::string> ServerLogic::printDatagrams(std::string_view output) {
  const std::string prefix = kOobPrefix + "print\n";
  std::vector<std::string> parts;
  const size_t limit = config_.splitBytes;
  if (limit == 0 || output.size() <= limit) {
    parts.push_back(prefix + std::string(output));
    return parts;
  }
  for (size_t pos = 0; pos < output.size(); pos += limit) {
    parts.push_back(prefix + std::string(output.substr(pos, limit)));
  }
  if (config_.shuffleSplit && parts.size() > 1) {
    std::vector<size_t> order(parts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    for (size_t k = order.size() - 1; k > 0; --k) {
      std::swap(order[k], order[static_cast<size_t>(nextRandom() % (k + 1))]);
    }
    // Out of order is the point: never leave it sorted by chance.
    if (std::is_sorted(order.begin(), order.end())) std::swap(order[0], order[1]);
    std::vector<std::string> shuffled;
    shuffled.reserve(parts.size());
    for (size_t k : order) shuffled.push_back(std::move(parts[k]));
    parts = std::move(shuffled);
  }
  return parts;
}

const std::string* ServerLogic::findVar(std::string_view name) const {
  // A console variable shadows nothing: status variables come first, last
  // duplicate wins as it does for the client's own lookup.
  const std::string* found = nullptr;
  for (const auto& [n, v] : config_.vars) {
    if (EqualNoCase(n, name)) found = &v;
  }
  if (found) return found;
  for (const auto& [n, v] : config_.cvars) {
    if (EqualNoCase(n, name)) found = &v;
  }
  return found;
}

void ServerLogic::setVar(std::string_view name, std::string value) {
  const bool isStatus = std::any_of(config_.vars.begin(), config_.vars.end(),
                                    [&](const auto& kv) { return EqualNoCase(kv.first, name); });
  defaults_.emplace(Lower(name), value);
  if (EqualNoCase(name, "g_password")) {
    // The public "pswrd" flag follows the join password.
    SetVar(config_.vars, "pswrd", value.empty() ? "0" : "1");
  }
  SetVar(isStatus ? config_.vars : config_.cvars, name, std::move(value));
}

std::string ServerLogic::varReply(std::string_view name) {
  std::string stored(name);
  for (const VarList* list : {&config_.cvars, &config_.vars}) {
    for (const auto& kv : *list) {
      if (EqualNoCase(kv.first, name)) stored = kv.first;
    }
  }
  const std::string* value = findVar(name);
  const auto def = defaults_.find(Lower(name));
  const std::string defValue = def != defaults_.end() ? def->second : std::string();
  const char* colon = config_.blankAfterColon ? ": " : ":";
  return "\"" + stored + "\" is" + colon + "\"" + (value ? *value : std::string()) +
         "^7\" default" + colon + "\"" + defValue + "^7\"\n";
}

TestPlayer* ServerLogic::playerBySlot(const std::string& arg, std::string& error) {
  if (!IsDigits(arg)) {
    error = "Bad slot number: " + arg + "\n";
    return nullptr;
  }
  const int slot = arg.size() > 6 ? -1 : std::stoi(arg);
  for (TestPlayer& p : config_.players) {
    if (p.num == slot) return &p;
  }
  error = "Bad client slot: " + arg + "\n";
  return nullptr;
}

std::string ServerLogic::kick(const std::vector<std::string>& args, std::string_view verb) {
  if (args.size() < 2) return "Usage: " + args[0] + " <clientnum>\n";
  std::string error;
  TestPlayer* p = playerBySlot(args[1], error);
  if (!p) return error;
  const std::string name = p->name;
  if (verb == "was temporarily banned") {
    const std::string* old = findVar("g_banIPs");
    std::string bans = old ? *old : std::string();
    bans += (bans.empty() ? "" : " ") + p->ip;
    setVar("g_banIPs", bans);
  }
  const int slot = p->num;
  config_.players.erase(std::remove_if(config_.players.begin(), config_.players.end(),
                                       [slot](const TestPlayer& q) { return q.num == slot; }),
                        config_.players.end());
  return name + "^7 " + std::string(verb) + "\n";
}

std::string ServerLogic::dir(const std::vector<std::string>& args) {
  if (args.size() < 2 || args.size() > 3) return "usage: dir <directory> [extension]\n";
  const std::string& path = args[1];
  const std::string ext = args.size() == 3 ? args[2] : std::string();
  std::string out = "Directory of " + path + " " + ext + "\n----------\n";
  const std::string d = NormalizeDir(path);
  const std::vector<std::string>* files = nullptr;
  if (d == "maps/mp") {
    files = &config_.mapFiles;
  } else if (d.empty()) {
    files = &config_.cfgFiles;
  }
  if (files) {
    for (const std::string& f : *files) {
      if (EndsWithNoCase(f, ext)) out += f + "\n";
    }
  }
  return out;
}

std::string ServerLogic::mapCommand(const std::vector<std::string>& args) {
  if (args.size() < 2) return {};
  const std::string& name = args[1];
  if (!config_.mapFiles.empty()) {
    const bool found = std::any_of(
        config_.mapFiles.begin(), config_.mapFiles.end(),
        [&](const std::string& f) { return EqualNoCase(f.substr(0, f.rfind('.')), name); });
    if (!found) {
      const std::string& sample = config_.mapFiles.front();
      const size_t dot = sample.rfind('.');
      return "Can't find map maps/mp/" + name +
             (dot == std::string::npos ? std::string() : sample.substr(dot)) + "\n";
    }
  }
  setVar("mapname", name);
  return {};
}

std::string ServerLogic::exec(const std::vector<std::string>& args) {
  if (args.size() < 2) return "exec <filename> : execute a script file\n";
  std::string file = args[1];
  if (file.find('.') == std::string::npos) file += ".cfg";
  const bool found = std::any_of(config_.cfgFiles.begin(), config_.cfgFiles.end(),
                                 [&](const std::string& f) { return EqualNoCase(f, file); });
  return (found ? "execing " : "couldn't exec ") + file + "\n";
}

std::string ServerLogic::execute(std::string_view command) {
  const std::vector<std::string> args = TokenizeCommand(command);
  if (args.empty()) return {};
  const std::string verb = Lower(args[0]);

  if (verb == "status") return statusOutput();
  if (verb == "dir") return dir(args);
  if (verb == "set" || verb == "seta" || verb == "sets") {
    if (args.size() < 3) return "usage: " + verb + " <variable> <value>\n";
    setVar(args[1], JoinArgs(args, 2));
    return {};
  }
  if (verb == "clientkick") return kick(args, "was kicked");
  if (verb == "banclient") return kick(args, "was banned");
  if (verb == "tempbanclient") return kick(args, "was temporarily banned");
  if (verb == "say") return "console: " + JoinArgs(args, 1) + "\n";
  if (verb == "tell") {
    if (args.size() < 3) return "Usage: tell <client number> <text>\n";
    std::string error;
    if (!playerBySlot(args[1], error)) return error;
    return "console: " + JoinArgs(args, 2) + "\n";
  }
  if (verb == "map") return mapCommand(args);
  if (verb == "fast_restart" || verb == "map_restart" || verb == "map_rotate") return {};
  if (verb == "exec") return exec(args);

  if (findVar(args[0])) {
    if (args.size() == 1) return varReply(args[0]);
    setVar(args[0], args[1]);
    return {};
  }
  return "Unknown command \"" + args[0] + "\"\n";
}

}  // namespace zelmora::testing
