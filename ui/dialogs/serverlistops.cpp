#include "ui/dialogs/serverlistops.h"

#include <QClipboard>
#include <QGuiApplication>

#include <filesystem>
#include <future>
#include <memory>
#include <thread>

#include "core/serverfile.h"
#include "core/textutil.h"
#include "geo/ranges.h"
#include "geo/resolver.h"
#include "ui/dialogs/messages.h"

namespace zelmora {
namespace {

constexpr std::size_t kFieldMax = 250;

// Runs fn on a detached thread and waits for it at most limit. Everything fn
// needs must be owned by fn itself: after a time-out the thread runs on while
// the caller has long returned.
template <class T>
std::optional<T> RunWithDeadline(std::function<T()> fn, std::chrono::milliseconds limit) {
  auto task = std::make_shared<std::packaged_task<T()>>(std::move(fn));
  std::future<T> result = task->get_future();
  try {
    std::thread([task] { (*task)(); }).detach();
  } catch (const std::system_error&) {
    return std::nullopt;  // no thread available: as if the lookup found nothing
  }
  if (result.wait_for(limit) != std::future_status::ready) return std::nullopt;
  return result.get();
}

}  // namespace

NameLookups NameLookups::System() {
  NameLookups l;
  l.resolve = [](std::string_view text, bool* failed) { return ResolveHost(text, failed); };
  l.reverse = [](std::string_view dotted) { return ReverseLookup(dotted); };
  return l;
}

ResolveOutcome ResolveWithDeadline(const NameLookups& lookups, std::string_view text) {
  ResolveOutcome out;
  if (!lookups.resolve) return out;
  using Answer = std::pair<std::optional<std::string>, bool>;
  auto answer = RunWithDeadline<Answer>(
      [resolve = lookups.resolve, name = std::string(text)] {
        bool failed = false;
        auto address = resolve(name, &failed);
        return Answer(std::move(address), failed);
      },
      lookups.deadline);
  if (!answer) {
    out.timedOut = true;
    return out;
  }
  out.address = std::move(answer->first);
  out.libraryFailed = answer->second;
  return out;
}

std::string ReverseWithDeadline(const NameLookups& lookups, std::string_view dotted) {
  if (!lookups.reverse) return "?";
  auto name = RunWithDeadline<std::string>(
      [reverse = lookups.reverse, address = std::string(dotted)] { return reverse(address); },
      lookups.deadline);
  if (!name || name->empty()) return "?";
  return *name;
}

std::string ProviderTextFor(const NameLookups& lookups, const AppState& state,
                            std::string_view host) {
  return Cut(ReverseWithDeadline(lookups, host) + ";" + CountryText(state.ranges, host), kFieldMax);
}

bool IsDuplicateServer(const Tserverlist& list, std::string_view host, std::string_view port,
                       int exceptIndex) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (static_cast<int>(i) == exceptIndex) continue;
    if (list[i].host == host && list[i].port == port) return true;
  }
  return false;
}

void RemoveServerAt(AppState& state, std::size_t index) {
  if (index >= state.serverlist.size()) return;
  state.serverlist.erase(state.serverlist.begin() + static_cast<std::ptrdiff_t>(index));
  if (index < state.pingHistory.size()) {
    state.pingHistory.erase(state.pingHistory.begin() + static_cast<std::ptrdiff_t>(index));
  }
  // Histories always match the list one to one.
  state.pingHistory.resize(state.serverlist.size());
  ResetServerStatus(state.serverlist);
}

void AppendServer(AppState& state, std::string_view host, std::string_view port,
                  std::string_view rconpass, std::string_view provider) {
  state.pingHistory.resize(state.serverlist.size());
  Tserverrec rec;  // every byte zero
  rec.port.assign(Cut(port, kFieldMax));
  rec.host.assign(Cut(host, kFieldMax));
  rec.rconpass.assign(Cut(rconpass, kFieldMax));
  rec.provider.assign(Cut(provider, kFieldMax));
  state.serverlist.push_back(rec);
  state.pingHistory.emplace_back();
}

bool SaveServerList(QWidget* parent, const AppState& state, const std::string& serversPath) {
  std::string error;
  if (SaveServers(serversPath, state.serverlist, &error)) return true;
  ShowMessage(parent, QString::fromLocal8Bit(error.data(), static_cast<qsizetype>(error.size())));
  return false;
}

bool DeleteSelectedServer(QWidget* parent, AppState& state, const std::string& serversPath) {
  ResetServerStatus(state.serverlist);
  if (!state.SelectedValid()) return false;
  if (!AskOkCancel(parent, QStringLiteral("Server wirklich löschen?"))) return false;
  RemoveServerAt(state, static_cast<std::size_t>(state.selected));
  SaveServerList(parent, state, serversPath);
  return true;
}

bool ClearServerList(QWidget* parent, AppState& state, const std::string& serversPath) {
  if (!AskOkCancel(parent, QStringLiteral("Serverliste wirklich löschen?"))) return false;
  std::error_code ec;  // a file that cannot be removed is not reported
  std::filesystem::remove(std::filesystem::path(serversPath), ec);
  state.serverlist.clear();
  state.pingHistory.clear();
  return true;
}

bool CopySelectedServerAddress(const AppState& state, const ClipboardFunction& toClipboard) {
  if (!state.SelectedValid()) return false;
  const Tserverrec& e = state.serverlist[static_cast<std::size_t>(state.selected)];
  const QString text = FromCp1252(e.host.str() + ":" + e.port.str());
  if (toClipboard) {
    toClipboard(text);
  } else if (QClipboard* clipboard = QGuiApplication::clipboard()) {
    clipboard->setText(text);
  }
  return true;
}

}  // namespace zelmora
