#include "ui/dialogs/serverlistops.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "core/fileio.h"
#include "core/serverfile.h"
#include "core/textutil.h"
#include "geo/ranges.h"
#include "geo/resolver.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/protectedfiles.h"

namespace zelmora {
namespace {

constexpr std::size_t kFieldMax = 250;

}  // namespace

NameLookups NameLookups::System() {
  NameLookups l;
  l.resolve = [](std::string_view text) { return LookupHost(text); };
  l.reverse = [](std::string_view dotted) { return ReverseLookup(dotted); };
  return l;
}

bool WaitCancellable(QWidget* parent, const QString& label, std::function<void()> work) {
  struct Job {
    std::function<void()> work;
    std::atomic<bool> done{false};
  };
  auto job = std::make_shared<Job>();
  job->work = std::move(work);
  try {
    std::thread([job] {
      job->work();
      job->done.store(true, std::memory_order_release);
    }).detach();
  } catch (const std::system_error&) {
    job->work();  // no thread to be had: wait for the answer here
    return true;
  }
  QProgressDialog progress(label, QStringLiteral("Abbrechen"), 0, 0, parent);
  progress.setObjectName(QStringLiteral("LookupProgress"));
  progress.setWindowTitle(QStringLiteral("Zelmora"));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  progress.setMinimumDuration(1000000);  // shown by the timer below, not by progress steps
  progress.hide();
  QTimer::singleShot(300, &progress, [&progress] { progress.show(); });
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(10);
  bool cancelled = false;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (job->done.load(std::memory_order_acquire)) loop.quit();
  });
  QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
    cancelled = true;
    loop.quit();
  });
  poll.start();
  if (!job->done.load(std::memory_order_acquire)) loop.exec();
  return !cancelled && job->done.load(std::memory_order_acquire);
}

std::string ProviderText(std::string_view reverseName, const AppState& state,
                         std::string_view host) {
  const std::string name = reverseName.empty() ? std::string("?") : std::string(reverseName);
  return Cut(name + ";" + CountryText(state.ranges, host), kFieldMax);
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
  state.ServerListChanged();
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
  state.ServerListChanged();
  state.pingHistory.emplace_back();
}

bool SaveServerList(QWidget* parent, AppState& state, const std::string& serversPath) {
  if (ServersFileProtected(parent, state)) return false;
  std::string error;
  if (SaveServers(serversPath, state.serverlist, &error)) return true;
  ShowMessage(parent, FromMessageBytes(error));
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
  if (!ServersFileProtected(parent, state)) {
    std::error_code ec;  // a file that cannot be removed is not reported
    std::filesystem::remove(PathFromUtf8(serversPath), ec);
  }
  state.serverlist.clear();
  state.ServerListChanged();
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
