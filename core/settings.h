// The options of the program: one thread-safe store that is the only place
// they live while the program runs.
//
// The settings window writes every change of its controls into the store at
// once; the main thread and the worker threads read from it whenever they
// need an option, so a change takes effect at its next use. config.ini is
// read into the store once at start (LoadAndComplete) and written from it at
// the end (SaveAll).
//
// Texts are 8-bit Windows-1252 strings, as in config.ini.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/registry.h"

namespace zelmora {

class ProfileFile;

// --- Paths of the game executables -----------------------------------------

enum class Game : std::uint8_t { kCod1, kCodUo, kCod2 };

// One row of the paths table, in display order. Rows 2 and 3 are stored
// crosswise: the row "COD1:UO(21)" under key "6" and the row "COD1(6)" under
// key "21". Files in use hold them so; keep it.
struct PathRow {
  std::string_view label;    // first column, "VER/PROTOCOL"
  std::string_view version;  // second column, "VER2"
  std::string_view key;      // key in section CodExePath
  std::uint8_t protocol;     // servers of this protocol are joined with this row's path
  Game game;                 // whose installed executable fills an empty cell
};

inline constexpr std::size_t kPathRowCount = 7;
inline constexpr std::array<PathRow, kPathRowCount> kPathRows = {{
    {"COD1(5)", "1.4", "5", 5, Game::kCod1},
    {"COD1:UO(21)", "1.41", "6", 21, Game::kCodUo},
    {"COD1(6)", "1.5", "21", 6, Game::kCod1},
    {"COD1:UO(22)", "1.51", "22", 22, Game::kCodUo},
    {"COD2(115)", "1.0", "115", 115, Game::kCod2},
    {"COD2(117)", "1.2", "117", 117, Game::kCod2},
    {"COD2(118)", "1.3", "118", 118, Game::kCod2},
}};
inline constexpr std::array<std::string_view, 3> kPathHeaders = {"VER/PROTOCOL", "VER2",
                                                                 "Pfad zur COD-EXE"};

// Row index (0-based) of the row used for servers of protocol, or -1.
int PathRowForProtocol(std::uint8_t protocol);

// --- The options -------------------------------------------------------------

// What happens to the program after a join: the radio group "Bei
// Serverbeitritt" (keys Join/noop, Join/min, Join/quit). kNone: no button
// chosen, which behaves like kStayOpen.
enum class JoinAfter : std::uint8_t { kNone, kStayOpen, kMinimize, kQuit };

// The longest the player history keeps what it saw: ten years.
inline constexpr std::int32_t kMaxHistoryDays = 3650;

// Field names follow the keys of config.ini ([Section] key).
struct Settings {
  // [Ping]
  bool aktive = true;              // ping chart shown and fed
  std::string datenmenge = "200";  // samples kept per server (integer as text)
  std::string ymax = "200";        // maximum of the chart's ping axis (integer as text)
  bool yauto = false;              // the ping axis scales itself
  // [Serverlist]
  bool startq = true;     // query every server once at start
  bool cq = true;         // periodic query of all servers (Timer5)
  bool sq = true;         // periodic query of the selected server (Timer1)
  std::string cqt = "5";  // period of Timer5 in seconds (integer as text)
  std::string sqt = "1";  // period of Timer1 in seconds (integer as text)
  // [cod]
  std::string param;  // further parameters for the game client
  // [KickBan] radio group indices, -1 (none) to 1; stored and restored only
  std::int32_t k = 0;  // "Bannen/Temporärbann"
  std::int32_t b = 0;  // "Kicken"
  // [CodExePath] by row of kPathRows (not by key). On Windows a Windows path;
  // elsewhere the host path of the executable, which is started through Wine
  // (see core/registry.h).
  std::array<std::string, kPathRowCount> paths;
  // [Join]
  bool ask = true;  // show the join dialog
  JoinAfter join = JoinAfter::kMinimize;
  // [Network]
  bool ducking = true;  // stored and restored only
  // [Design] enabled
  bool design = true;  // own look ("Eigenes Design")
  // [Info] icons of the server list
  bool version = true, pwd = true, rcon = true, ff = true, kc = true, ac = true;
  // [Colors]
  bool se = true;  // server list texts in colour
  bool sp = true;  // player lists in colour
  // [Info]
  bool vc = true;    // voice chat icon
  bool fl = true;    // country flag
  bool prov = true;  // provider and country lookup runs
  // [History] the player history
  bool historyOn = true;          // enabled: "Verlauf führen"
  std::int32_t historyDays = 90;  // days: "Einträge behalten: N Tage" (1 to kMaxHistoryDays)

  bool JoinNoop() const { return join == JoinAfter::kStayOpen; }
  bool JoinMin() const { return join == JoinAfter::kMinimize; }
  bool JoinQuit() const { return join == JoinAfter::kQuit; }

  bool operator==(const Settings&) const = default;
};

// Sets one button of the Join radio group: checking it clears the other two;
// unchecking the chosen one leaves none chosen; unchecking another one
// changes nothing.
void SetJoinButton(Settings& s, JoinAfter button, bool checked);

// The executable for servers of protocol (its row's path), empty for an
// unknown protocol or an empty cell.
std::string ExecutableForProtocol(const Settings& s, std::uint8_t protocol);

// --- Integer options stored as text -----------------------------------------

// The integer conversion applied to datenmenge, ymax, cqt and sqt at each use
// (and to the boolean and integer keys when reading config.ini): optional
// leading blanks, optional sign, decimal digits, 32-bit range, nothing after
// the number (ParseInt32 of core/textutil.h).
std::optional<std::int32_t> ConvertInteger(std::string_view text);

// "'<text>' ist kein gültiger Integerwert.", the message shown when
// ConvertInteger fails. A UI text, so UTF-8 (QString::fromUtf8); the option
// text itself, Windows-1252 like every stored text, is converted into it.
std::string IntegerConversionError(std::string_view text);

// One periodic query timer as ApplyQuerySettings sets it: Timer5 from cq/cqt
// (refresh button Button6) or Timer1 from sq/sqt (Button20).
struct QueryTimerPlan {
  bool on = false;     // the option is ticked: the timer is enabled
  int intervalMs = 0;  // seconds x 1000; negatives give 0, capped at INT32_MAX
  // An interval of 0 never fires, although the timer is enabled. (A Qt timer
  // with interval 0 would fire on every pass of the event loop: do not start
  // it then.)
  bool Fires() const { return on && intervalMs > 0; }
  bool RefreshButtonVisible() const { return !on; }
};
// nullopt when the seconds text is not an integer: show
// IntegerConversionError(text) and leave the timer as it is.
std::optional<QueryTimerPlan> AllServersQueryPlan(const Settings& s);  // Timer5
std::optional<QueryTimerPlan> SelectedQueryPlan(const Settings& s);    // Timer1

// --- The store ---------------------------------------------------------------

class SettingsStore {
 public:
  using ObserverId = int;

  SettingsStore() = default;
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // A consistent copy of all options.
  Settings Snapshot() const;

  // One option, e.g. store.Get(&Settings::prov).
  template <class T>
  T Get(T Settings::*field) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return current_.*field;
  }

  // Changes options under the lock. change must not call back into the
  // store. Afterwards the options are brought into the range their controls
  // accept (k and b clamped to -1..1, CR/LF/NUL in texts become blanks).
  // When anything changed, the observers are called after the lock is
  // released, on the calling thread.
  void Update(const std::function<void(Settings&)>& change);

  template <class T, class V>
  void Set(T Settings::*field, V&& value) {
    Update([&](Settings& s) { s.*field = std::forward<V>(value); });
  }

  // Observers are called with no lock held and may read the store or change
  // it again. An observer removed while a notification is under way on
  // another thread may still receive that one call.
  ObserverId AddObserver(std::function<void()> observer);
  void RemoveObserver(ObserverId id);

  // Program start: reads every option from ini in the order of the settings
  // window's creation, writing each value back at once as the store took it;
  // fills empty path cells from installed; writes all seven paths. Missing
  // keys and values that are not integers give the defaults. Every option is
  // read even when writing fails; returns false if any write failed.
  bool LoadAndComplete(ProfileFile& ini, const GameExecutables& installed);

  // Program end: writes every option to ini. Stops at the first failed write
  // and returns false; what was written before stays.
  bool SaveAll(ProfileFile& ini) const;

 private:
  void Notify();

  mutable std::mutex mutex_;
  Settings current_;

  std::mutex observersMutex_;
  ObserverId nextObserverId_ = 1;
  std::vector<std::pair<ObserverId, std::shared_ptr<const std::function<void()>>>> observers_;
};

}  // namespace zelmora
