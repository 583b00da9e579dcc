#include "ui/dialogs/serverlistops.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <memory>
#include <thread>

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

std::string ProviderText(std::string_view reverseName, const RangeTable& ranges,
                         std::string_view host) {
  const std::string name = reverseName.empty() ? std::string("?") : std::string(reverseName);
  return Cut(name + ";" + CountryText(ranges, host), kFieldMax);
}

bool IsDuplicateServer(const ServerList& list, std::string_view host, std::string_view port,
                       std::uint64_t except) {
  for (const Tserverrec& e : list.Entries()) {
    if (except != 0 && e.uid == except) continue;
    if (e.host == host && e.port == port) return true;
  }
  return false;
}

bool SaveServerList(QWidget* parent, SavedFiles& files, const ServerList& list) {
  if (ServersFileProtected(parent, files)) return false;
  std::string error;
  if (files.SaveServers(list.Entries(), &error)) return true;
  ShowMessage(parent, FromMessageBytes(error));
  return false;
}

bool DeleteSelectedServer(QWidget* parent, ServerList& list, Selection& selection,
                          SavedFiles& files) {
  list.ResetAllStatus();
  const int row = selection.Index();
  if (row < 0) return false;
  if (!AskOkCancel(parent, QStringLiteral("Server wirklich löschen?"))) return false;
  list.RemoveAt(static_cast<std::size_t>(row));
  list.ResetAllStatus();
  selection.SelectRow(row);
  SaveServerList(parent, files, list);
  return true;
}

bool ClearServerList(QWidget* parent, ServerList& list, Selection& selection, SavedFiles& files) {
  if (!AskOkCancel(parent, QStringLiteral("Serverliste wirklich löschen?"))) return false;
  if (!ServersFileProtected(parent, files)) files.RemoveServers();
  list.Clear();
  selection.Select(0);
  return true;
}

bool CopySelectedServerAddress(const Selection& selection, const ClipboardFunction& toClipboard) {
  const Tserverrec* e = selection.Entry();
  if (!e) return false;
  const QString text = FromCp1252(e->host.str() + ":" + e->port.str());
  if (toClipboard) {
    toClipboard(text);
  } else if (QClipboard* clipboard = QGuiApplication::clipboard()) {
    clipboard->setText(text);
  }
  return true;
}

}  // namespace zelmora
