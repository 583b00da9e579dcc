#include "core/settings.h"

#include <algorithm>
#include <climits>
#include <string>

#include "core/profile.h"
#include "core/textutil.h"

namespace zelmora {

namespace {

constexpr const char* kPing = "Ping";
constexpr const char* kServerlist = "Serverlist";
constexpr const char* kCod = "cod";
constexpr const char* kKickBan = "KickBan";
constexpr const char* kCodExePath = "CodExePath";
constexpr const char* kJoin = "Join";
constexpr const char* kNetwork = "Network";
constexpr const char* kDesign = "Design";
constexpr const char* kInfo = "Info";
constexpr const char* kColors = "Colors";
constexpr const char* kHistory = "History";

// What the controls accept: a radio group of two items takes -1 (none) to 1,
// single-line edits hold no line breaks.
void Normalize(Settings& s) {
  s.k = std::clamp<std::int32_t>(s.k, -1, 1);
  s.b = std::clamp<std::int32_t>(s.b, -1, 1);
  s.historyDays = std::clamp<std::int32_t>(s.historyDays, 1, kMaxHistoryDays);
  auto line = [](std::string& t) {
    for (char& c : t)
      if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  };
  line(s.datenmenge);
  line(s.ymax);
  line(s.cqt);
  line(s.sqt);
  line(s.param);
  for (std::string& p : s.paths) line(p);
}

const char* BoolText(bool v) {
  return v ? "1" : "0";
}

std::optional<QueryTimerPlan> PlanFor(bool on, const std::string& seconds) {
  const auto value = ConvertInteger(seconds);
  if (!value) return std::nullopt;
  const long long ms = static_cast<long long>(*value) * 1000;
  QueryTimerPlan plan;
  plan.on = on;
  plan.intervalMs = static_cast<int>(std::clamp<long long>(ms, 0, INT_MAX));
  return plan;
}

}  // namespace

int PathRowForProtocol(std::uint8_t protocol) {
  for (std::size_t i = 0; i < kPathRows.size(); ++i)
    if (kPathRows[i].protocol == protocol) return static_cast<int>(i);
  return -1;
}

void SetJoinButton(Settings& s, JoinAfter button, bool checked) {
  if (button == JoinAfter::kNone) return;
  if (checked)
    s.join = button;
  else if (s.join == button)
    s.join = JoinAfter::kNone;
}

std::string ExecutableForProtocol(const Settings& s, std::uint8_t protocol) {
  const int row = PathRowForProtocol(protocol);
  return row < 0 ? std::string() : s.paths[static_cast<std::size_t>(row)];
}

std::optional<std::int32_t> ConvertInteger(std::string_view text) {
  return ParseInt32(text);
}

std::string IntegerConversionError(std::string_view text) {
  // Appended piece by piece: GCC 12 takes "text" + std::string for an overlapping
  // copy (-Wrestrict, a false alarm, GCC bug 105329).
  return std::string("'").append(AnsiToUtf8(text)).append("' ist kein gültiger Integerwert.");
}

std::optional<QueryTimerPlan> AllServersQueryPlan(const Settings& s) {
  return PlanFor(s.cq, s.cqt);
}

std::optional<QueryTimerPlan> SelectedQueryPlan(const Settings& s) {
  return PlanFor(s.sq, s.sqt);
}

// --- SettingsStore -------------------------------------------------------------

Settings SettingsStore::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

void SettingsStore::Update(const std::function<void(Settings&)>& change) {
  bool changed = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Settings next = current_;
    change(next);
    Normalize(next);
    if (!(next == current_)) {
      current_ = std::move(next);
      changed = true;
    }
  }
  if (changed) Notify();
}

SettingsStore::ObserverId SettingsStore::AddObserver(std::function<void()> observer) {
  std::lock_guard<std::mutex> lock(observersMutex_);
  const ObserverId id = nextObserverId_++;
  observers_.emplace_back(id, std::make_shared<const std::function<void()>>(std::move(observer)));
  return id;
}

void SettingsStore::RemoveObserver(ObserverId id) {
  std::lock_guard<std::mutex> lock(observersMutex_);
  observers_.erase(std::remove_if(observers_.begin(), observers_.end(),
                                  [id](const auto& o) { return o.first == id; }),
                   observers_.end());
}

void SettingsStore::Notify() {
  std::vector<std::shared_ptr<const std::function<void()>>> toCall;
  {
    std::lock_guard<std::mutex> lock(observersMutex_);
    toCall.reserve(observers_.size());
    for (const auto& o : observers_) toCall.push_back(o.second);
  }
  for (const auto& fn : toCall)
    if (*fn) (*fn)();
}

bool SettingsStore::LoadAndComplete(ProfileFile& ini, const GameExecutables& installed) {
  const Settings defaults;
  // Works on a copy that plays the part of the window's controls: each value
  // is set, taken back as the control holds it, and written at once. The
  // store receives the result in one step at the end.
  Settings s = Snapshot();
  bool allWritten = true;
  auto write = [&](const char* section, std::string_view key, std::string_view value) {
    if (!ini.WriteString(section, key, value)) allWritten = false;
  };
  auto readInt = [&](const char* section, const char* key, std::int32_t def) {
    return ConvertInteger(ini.GetString(section, key, "")).value_or(def);
  };
  auto boolean = [&](const char* section, const char* key, bool Settings::*field) {
    s.*field = readInt(section, key, defaults.*field ? 1 : 0) != 0;
    Normalize(s);
    write(section, key, BoolText(s.*field));
  };
  auto text = [&](const char* section, const char* key, std::string Settings::*field) {
    s.*field = ini.GetString(section, key, defaults.*field);
    Normalize(s);
    write(section, key, s.*field);
  };
  auto integer = [&](const char* section, const char* key, std::int32_t Settings::*field) {
    s.*field = readInt(section, key, defaults.*field);
    Normalize(s);
    write(section, key, std::to_string(s.*field));
  };
  auto join = [&](const char* key, JoinAfter button, bool defaultOn) {
    SetJoinButton(s, button, readInt(kJoin, key, defaultOn ? 1 : 0) != 0);
    write(kJoin, key, BoolText(s.join == button));
  };

  boolean(kPing, "aktive", &Settings::aktive);
  text(kPing, "datenmenge", &Settings::datenmenge);
  text(kPing, "ymax", &Settings::ymax);
  boolean(kPing, "yauto", &Settings::yauto);
  boolean(kServerlist, "startq", &Settings::startq);
  boolean(kServerlist, "cq", &Settings::cq);
  boolean(kServerlist, "sq", &Settings::sq);
  text(kServerlist, "cqt", &Settings::cqt);
  text(kServerlist, "sqt", &Settings::sqt);
  text(kCod, "param", &Settings::param);
  integer(kKickBan, "k", &Settings::k);
  integer(kKickBan, "b", &Settings::b);

  for (std::size_t row = 0; row < kPathRowCount; ++row)
    s.paths[row] = ini.GetString(kCodExePath, kPathRows[row].key, "");
  for (std::size_t row = 0; row < kPathRowCount; ++row) {
    if (!s.paths[row].empty()) continue;  // a stored path stays, existing or not
    switch (kPathRows[row].game) {
      case Game::kCod1:
        s.paths[row] = installed.cod1;
        break;
      case Game::kCodUo:
        s.paths[row] = installed.coduo;
        break;
      case Game::kCod2:
        s.paths[row] = installed.cod2;
        break;
    }
  }
  Normalize(s);
  for (std::size_t row = 0; row < kPathRowCount; ++row)
    write(kCodExePath, kPathRows[row].key, s.paths[row]);

  boolean(kJoin, "ask", &Settings::ask);
  join("noop", JoinAfter::kStayOpen, defaults.JoinNoop());
  join("min", JoinAfter::kMinimize, defaults.JoinMin());
  join("quit", JoinAfter::kQuit, defaults.JoinQuit());
  boolean(kNetwork, "ducking", &Settings::ducking);
  boolean(kDesign, "enabled", &Settings::design);
  boolean(kInfo, "version", &Settings::version);
  boolean(kInfo, "pwd", &Settings::pwd);
  boolean(kInfo, "rcon", &Settings::rcon);
  boolean(kInfo, "ff", &Settings::ff);
  boolean(kInfo, "kc", &Settings::kc);
  boolean(kInfo, "ac", &Settings::ac);
  boolean(kColors, "se", &Settings::se);
  boolean(kColors, "sp", &Settings::sp);
  boolean(kInfo, "vc", &Settings::vc);
  boolean(kInfo, "fl", &Settings::fl);
  boolean(kInfo, "prov", &Settings::prov);
  boolean(kHistory, "enabled", &Settings::historyOn);
  integer(kHistory, "days", &Settings::historyDays);

  Update([&](Settings& current) { current = s; });
  return allWritten;
}

bool SettingsStore::SaveAll(ProfileFile& ini) const {
  const Settings s = Snapshot();
  bool ok = true;
  // Stops at the first failure; the keys written before it stay written.
  auto write = [&](const char* section, std::string_view key, std::string_view value) {
    if (ok) ok = ini.WriteString(section, key, value);
  };
  auto boolean = [&](const char* section, const char* key, bool v) {
    write(section, key, BoolText(v));
  };

  boolean(kPing, "aktive", s.aktive);
  write(kPing, "datenmenge", s.datenmenge);
  write(kPing, "ymax", s.ymax);
  boolean(kPing, "yauto", s.yauto);
  boolean(kServerlist, "startq", s.startq);
  boolean(kServerlist, "cq", s.cq);
  boolean(kServerlist, "sq", s.sq);
  write(kServerlist, "cqt", s.cqt);
  write(kServerlist, "sqt", s.sqt);
  write(kKickBan, "k", std::to_string(s.k));
  write(kKickBan, "b", std::to_string(s.b));
  for (std::size_t row = 0; row < kPathRowCount; ++row)
    write(kCodExePath, kPathRows[row].key, s.paths[row]);
  boolean(kJoin, "ask", s.ask);
  boolean(kJoin, "noop", s.JoinNoop());
  boolean(kJoin, "min", s.JoinMin());
  boolean(kJoin, "quit", s.JoinQuit());
  boolean(kNetwork, "ducking", s.ducking);
  boolean(kDesign, "enabled", s.design);
  boolean(kInfo, "version", s.version);
  boolean(kInfo, "pwd", s.pwd);
  boolean(kInfo, "rcon", s.rcon);
  boolean(kInfo, "ff", s.ff);
  boolean(kInfo, "kc", s.kc);
  boolean(kInfo, "ac", s.ac);
  boolean(kColors, "se", s.se);
  boolean(kColors, "sp", s.sp);
  boolean(kInfo, "vc", s.vc);
  boolean(kInfo, "fl", s.fl);
  boolean(kInfo, "prov", s.prov);
  // The keys of the player history before the last one, so that the file
  // still ends with cod/param as it always has.
  boolean(kHistory, "enabled", s.historyOn);
  write(kHistory, "days", std::to_string(s.historyDays));
  write(kCod, "param", s.param);
  return ok;
}

}  // namespace zelmora
