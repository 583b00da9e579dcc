// Operations on the server list behind the server dialog and the menu
// commands "Server hinzufügen", "Server editieren", "Server löschen",
// "Liste leeren" and "IP:Port in die Zwischenablage".
//
// Every change that alters the list keeps the ping histories aligned with it
// (same length, same order) and is written to Servers.dat at once.
#pragma once

#include <QString>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/appstate.h"

class QWidget;

namespace zelmora {

// Name lookups used when a server is added. Both can hang for a long time on
// a broken resolver, so they run on a worker thread with a deadline; a lookup
// that misses it counts as not found (the worker finishes on its own later).
struct NameLookups {
  // Name to dotted IPv4 address; *libraryFailed when the socket library
  // could not be started.
  std::function<std::optional<std::string>(std::string_view text, bool* libraryFailed)> resolve;
  // Dotted address to host name, "?" when there is none.
  std::function<std::string(std::string_view dotted)> reverse;
  std::chrono::milliseconds deadline{4000};

  // The system resolver.
  static NameLookups System();
};

struct ResolveOutcome {
  std::optional<std::string> address;  // nullopt: not found or timed out
  bool libraryFailed = false;
  bool timedOut = false;
};
ResolveOutcome ResolveWithDeadline(const NameLookups& lookups, std::string_view text);
// "?" when the lookup finds nothing or misses the deadline.
std::string ReverseWithDeadline(const NameLookups& lookups, std::string_view dotted);

// Provider text of a new entry: reverse name + ";" + country text, cut to
// 250 characters ("?;?" when neither is known).
std::string ProviderTextFor(const NameLookups& lookups, const AppState& state,
                            std::string_view host);

// True when an entry other than exceptIndex (-1: none) has exactly this host
// and port text.
bool IsDuplicateServer(const Tserverlist& list, std::string_view host, std::string_view port,
                       int exceptIndex);

// Removes the entry at index: later entries and their ping histories move up
// one place; then every entry's status is reset. Out-of-range indices change
// nothing.
void RemoveServerAt(AppState& state, std::size_t index);

// Appends a zeroed entry with these texts (each cut to 250 characters) and
// an empty ping history.
void AppendServer(AppState& state, std::string_view host, std::string_view port,
                  std::string_view rconpass, std::string_view provider);

// Writes Servers.dat; on failure shows the reason and returns false.
bool SaveServerList(QWidget* parent, const AppState& state, const std::string& serversPath);

// "Server löschen": resets every entry's status; with a valid selection asks
// "Server wirklich löschen?" and on OK removes the selected entry and saves.
// selected is not changed. Returns true when an entry was removed.
bool DeleteSelectedServer(QWidget* parent, AppState& state, const std::string& serversPath);

// "Liste leeren": asks "Serverliste wirklich löschen?"; on OK deletes
// Servers.dat and empties the list and the ping histories (selected is kept).
bool ClearServerList(QWidget* parent, AppState& state, const std::string& serversPath);

// "IP:Port in die Zwischenablage": host + ":" + port of the selected entry.
// An empty toClipboard uses the system clipboard. False without a valid
// selection.
using ClipboardFunction = std::function<void(const QString& text)>;
bool CopySelectedServerAddress(const AppState& state, const ClipboardFunction& toClipboard = {});

}  // namespace zelmora
