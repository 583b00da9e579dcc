#include "ui/main/historylink.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QToolButton>

#include <ctime>

#include "core/textutil.h"
#include "engine/queryengine.h"
#include "history/playerhistory.h"
#include "protocol/colorcodes.h"
#include "ui/dialogs/cp1252.h"
#include "ui/main/playerhistorywindow.h"

namespace zelmora {

namespace {

// Runs fn on the main thread later, if the link is still there (the
// history answers on its own thread).
template <class Fn>
void BackToMain(const QPointer<HistoryLink>& link, Fn fn) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [link, fn = std::move(fn)]() mutable {
        if (link) fn(*link);
      },
      Qt::QueuedConnection);
}

// A box that does not wait for the operator: the main thread goes on.
void ShowNoticeBox(QWidget* parent, const QString& text) {
  auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Zelmora"), text,
                              QMessageBox::Ok, parent);
  box->setObjectName(QStringLiteral("HistoryNotice"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

// The tray's picture where the window has none: an eye.
QIcon WatchIcon() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 60, 110), 2));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(2, 8, 28, 16));
  p.setBrush(QColor(200, 60, 20));
  p.drawEllipse(QRectF(10, 10, 12, 12));
  return QIcon(pm);
}

}  // namespace

QString WatchAlertText(const WatchAlertInfo& a) {
  return QStringLiteral("Beobachteter Spieler %1 auf %2 seit %3")
      .arg(FromCp1252(StripColorCodes(a.player)), FromCp1252(a.serverName),
           QDateTime::fromSecsSinceEpoch(a.since).toString(QStringLiteral("HH:mm")));
}

HistoryLink::HistoryLink(QueryEngine& engine, SettingsStore& store, Tguidlist& guids,
                         std::function<const Settings&()> settings,
                         const std::vector<QImage>* flags, Widgets widgets, QWidget* window)
    : engine_(engine),
      store_(store),
      guids_(guids),
      settings_(std::move(settings)),
      flags_(flags),
      w_(widgets),
      mainWindow_(window),
      now_([] { return static_cast<std::int64_t>(std::time(nullptr)); }) {
  notice_ = [this](const QString& text) { ShowNoticeBox(mainWindow_, text); };
  if (w_.WatchAlert) {
    w_.WatchAlert->setVisible(false);
    w_.WatchAlert->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette red = w_.WatchAlert->palette();
    red.setColor(QPalette::WindowText, QColor(170, 0, 0));
    w_.WatchAlert->setPalette(red);
  }
  for (QToolButton* b : {w_.WatchSilence, w_.WatchDismiss}) {
    if (b) b->setVisible(false);
  }
  if (w_.WatchSilence)
    connect(w_.WatchSilence, &QToolButton::clicked, this, &HistoryLink::SilenceClick);
  if (w_.WatchDismiss)
    connect(w_.WatchDismiss, &QToolButton::clicked, this, &HistoryLink::DismissClick);
}

HistoryLink::~HistoryLink() {
  store_.RemoveObserver(observer_);
  window_.reset();
  engine_.SetHistory(nullptr);
}

std::int64_t HistoryLink::Now() const {
  return now_ ? now_() : 0;
}

void HistoryLink::Start(const std::string& folder) {
  if (history_ || folder.empty()) return;
  history_ = std::make_shared<PlayerHistory>(folder);
  ApplySettings();
  // Settings may change on any thread; the history takes them on any.
  std::weak_ptr<PlayerHistory> weak = history_;
  SettingsStore* store = &store_;
  observer_ = store_.AddObserver([weak, store] {
    if (const auto h = weak.lock())
      h->SetSettings({store->Get(&Settings::historyOn), store->Get(&Settings::historyDays)});
  });
  QPointer<HistoryLink> self(this);
  history_->SetFaultHandler([self](const HistoryStatus& st) {
    BackToMain(self, [st](HistoryLink& l) { l.TellFault(st); });
  });
  history_->OpenAsync([self](const HistoryStatus& st) {
    BackToMain(self, [st](HistoryLink& l) { l.TellFault(st); });
  });
  engine_.SetHistory(history_.get());
  connect(engine_.Feed(), &HistoryFeed::WatchAlert, this, &HistoryLink::Alert);
}

void HistoryLink::ApplySettings() {
  if (history_)
    history_->SetSettings({store_.Get(&Settings::historyOn), store_.Get(&Settings::historyDays)});
}

void HistoryLink::TellFault(const HistoryStatus& status) {
  if (status.message.empty() || faultTold_) return;
  faultTold_ = true;
  const QString text = QString::fromStdString(status.message);
  Tell(text);
  emit FaultTold(text);
}

void HistoryLink::Tell(const QString& text) {
  if (notice_) notice_(text);
}

// --- the window and clearing ------------------------------------------------------------

void HistoryLink::OpenWindow() {
  if (!history_) {
    Tell(QStringLiteral("Der Spielerverlauf ist in diesem Lauf nicht verfügbar."));
    return;
  }
  if (!window_) {
    window_ = std::make_unique<PlayerHistoryWindow>(history_, engine_, guids_, settings_, flags_,
                                                    mainWindow_);
    window_->showServer = [this](std::uint64_t uid) {
      if (showServer) showServer(uid);
    };
    window_->guidsChanged = [this] {
      if (guidsChanged) guidsChanged();
    };
    window_->SetClock([this] { return Now(); });
  }
  window_->Open();
}

void HistoryLink::Clear() {
  if (!history_) return;
  QPointer<HistoryLink> self(this);
  history_->Clear([self](const HistoryStatus& st) {
    BackToMain(self, [st](HistoryLink& l) {
      const QString text = st.message.empty() || st.keeping
                               ? QStringLiteral("Der Spielerverlauf wurde gelöscht.")
                               : QString::fromStdString(st.message);
      l.Tell(text);
      if (l.window_ && l.window_->isVisible()) l.window_->SearchNow();
      emit l.Cleared(text);
    });
  });
}

bool HistoryLink::GuidWatched(const std::string& guid) const {
  if (!history_) return false;
  const std::string key = TrimCtl(guid);
  for (const WatchEntry& e : history_->WatchList())
    if (e.kind == WatchKind::kGuid && TrimCtl(e.value) == key) return true;
  return false;
}

void HistoryLink::WatchGuid(const std::string& guid, const std::string& name, bool watch) {
  if (!history_) return;
  const std::string key = TrimCtl(guid);
  if (watch) {
    if (!GuidWatched(key)) history_->AddWatch(WatchKind::kGuid, key, StripColorCodes(name), Now());
  } else {
    for (const WatchEntry& e : history_->WatchList())
      if (e.kind == WatchKind::kGuid && TrimCtl(e.value) == key) history_->RemoveWatch(e.id);
  }
  if (window_) window_->RefreshWatch();
}

// --- watched players ------------------------------------------------------------------------

void HistoryLink::Alert(const WatchAlertInfo& alert) {
  alerts_.push_back(alert);
  while (alerts_.size() > kAlertLines) alerts_.pop_front();
  ShowAlerts();
  if (!tray_ && QSystemTrayIcon::isSystemTrayAvailable()) {
    tray_ = new QSystemTrayIcon(this);
    tray_->setIcon(mainWindow_ && !mainWindow_->windowIcon().isNull() ? mainWindow_->windowIcon()
                                                                      : WatchIcon());
    tray_->setToolTip(QStringLiteral("Zelmora"));
    tray_->show();
  }
  if (tray_)
    tray_->showMessage(QStringLiteral("Beobachteter Spieler"), WatchAlertText(alert),
                       QSystemTrayIcon::Information, 15000);
}

void HistoryLink::ShowAlerts() {
  if (!w_.WatchAlert) return;
  const bool any = !alerts_.empty();
  QStringList lines;
  for (const WatchAlertInfo& a : alerts_) lines.prepend(WatchAlertText(a));
  w_.WatchAlert->setText(any ? lines.front() : QString());
  w_.WatchAlert->setToolTip(lines.join(QLatin1Char('\n')));
  w_.WatchAlert->setVisible(any);
  for (QToolButton* b : {w_.WatchSilence, w_.WatchDismiss}) {
    if (b) b->setVisible(any);
  }
}

void HistoryLink::SilenceClick() {
  if (!history_) return;
  const std::int64_t until = Now() + kWatchSilenceSeconds;
  for (const WatchAlertInfo& a : alerts_) history_->SilenceWatch(a.entry.id, until);
  alerts_.clear();
  ShowAlerts();
  if (window_) window_->RefreshWatch();
}

void HistoryLink::DismissClick() {
  alerts_.clear();
  ShowAlerts();
}

}  // namespace zelmora
