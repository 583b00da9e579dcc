// Operations on the server list behind the server dialog and the menu
// commands "Server hinzufügen", "Server editieren", "Server löschen",
// "Liste leeren" and "IP:Port in die Zwischenablage".
//
// Every change that alters the list is written to Servers.dat at once (the
// list itself keeps the ping histories with their entries).
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/savedfiles.h"
#include "engine/selection.h"
#include "engine/serverlist.h"
#include "geo/ranges.h"
#include "geo/resolver.h"

class QWidget;

namespace zelmora {

// Name lookups used when a server is added. Both can take long (a slow or
// broken resolver), so the dialog runs them on a worker thread while a small
// progress window lets the operator cancel; the answer is taken however long
// it takes.
struct NameLookups {
  // Name to dotted IPv4 address, with the resolver's verdict.
  std::function<HostLookup(std::string_view text)> resolve;
  // Dotted address to host name, "?" when there is none.
  std::function<std::string(std::string_view dotted)> reverse;

  // The system resolver.
  static NameLookups System();
};

// Runs fn on a worker thread; while it runs, a modal progress window with
// label and "Abbrechen" is shown (after a short moment, so quick answers do
// not flash one) and the window's events go on. The result, or nullopt when
// the operator cancelled: the worker then finishes on its own and its result
// is dropped. Everything fn needs must be owned by fn itself.
bool WaitCancellable(QWidget* parent, const QString& label, std::function<void()> work);
template <class T>
std::optional<T> RunCancellable(QWidget* parent, const QString& label, std::function<T()> fn) {
  auto result = std::make_shared<std::optional<T>>();
  if (!WaitCancellable(parent, label, [result, fn = std::move(fn)] { *result = fn(); }))
    return std::nullopt;
  return std::move(*result);
}

// The provider text of a new entry: reverse name + ";" + country text, cut
// to 250 characters ("?;?" when neither is known).
std::string ProviderText(std::string_view reverseName, const RangeTable& ranges,
                         std::string_view host);

// True when an entry other than the one with uid except (0: none) has
// exactly this host and port text.
bool IsDuplicateServer(const ServerList& list, std::string_view host, std::string_view port,
                       std::uint64_t except = 0);

// Writes Servers.dat; on failure shows the reason and returns false. A file
// that could not be read at start is not replaced (the operator is told
// once) and false is returned.
bool SaveServerList(QWidget* parent, SavedFiles& files, const ServerList& list);

// "Server löschen": resets every entry's status; with a selection asks
// "Server wirklich löschen?" and on OK removes the selected entry (with its
// history), resets again and saves. The row stays selected: it now holds the
// server that followed (none after the last one). True when an entry was
// removed.
bool DeleteSelectedServer(QWidget* parent, ServerList& list, Selection& selection,
                          SavedFiles& files);

// "Liste leeren": asks "Serverliste wirklich löschen?"; on OK deletes
// Servers.dat and empties the list and the ping histories.
bool ClearServerList(QWidget* parent, ServerList& list, Selection& selection, SavedFiles& files);

// "IP:Port in die Zwischenablage": host + ":" + port of the selected entry.
// An empty toClipboard uses the system clipboard. False without a selection.
using ClipboardFunction = std::function<void(const QString& text)>;
bool CopySelectedServerAddress(const Selection& selection,
                               const ClipboardFunction& toClipboard = {});

}  // namespace zelmora
