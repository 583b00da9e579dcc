// The player history in the main window: it owns the history
// (Spieler.sqlite in the data folder, the per-user folder when installed),
// hands it to the engine, keeps it in step with the settings ("Verlauf
// führen", the days kept), opens it off the main thread and tells the
// operator once, in German, when it cannot be kept (a database locked by
// another Zelmora, read-only, damaged or on a full disk); the program goes
// on without it.
//
// Watched players: each appearance is a line in the notice WatchAlert
// ("Beobachteter Spieler <Name> auf <Server> seit <Uhrzeit>") and, where the
// desktop has a tray, a notification. "Eine Stunde stumm" silences the
// entries of the lines shown; "Ausblenden" hides the notice.
//
// The search window (PlayerHistoryWindow) is made when first opened.
//
// Main thread only; the history's answers come back to it.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/guidlist.h"
#include "core/settings.h"
#include "engine/historyfeed.h"

class QImage;
class QLabel;
class QSystemTrayIcon;
class QToolButton;
class QWidget;

namespace zelmora {

class PlayerHistory;
class PlayerHistoryWindow;
class QueryEngine;

// "Beobachteter Spieler <Name> auf <Server> seit <hh:mm>" (name and server
// without colour codes, the local time of the first sighting).
QString WatchAlertText(const WatchAlertInfo& alert);

class HistoryLink : public QObject {
  Q_OBJECT

 public:
  struct Widgets {
    QLabel* WatchAlert = nullptr;         // the notice line
    QToolButton* WatchSilence = nullptr;  // "Eine Stunde stumm"
    QToolButton* WatchDismiss = nullptr;  // "Ausblenden"
  };
  // How a message reaches the operator (a box that does not wait; tests
  // record it).
  using NoticeFn = std::function<void(const QString& text)>;

  // engine, store, guids and flags must outlive the link; window is the
  // main window (the search window's and the boxes' parent).
  HistoryLink(QueryEngine& engine, SettingsStore& store, Tguidlist& guids,
              std::function<const Settings&()> settings, const std::vector<QImage>* flags,
              Widgets widgets, QWidget* window);
  // The engine lets go of the history first; then what is queued is
  // written and the history's thread ends.
  ~HistoryLink() override;

  // Makes the history for the data folder (UTF-8) and opens it off the
  // main thread; the engine records from now on (what comes before the file
  // is open waits for it). An empty folder keeps nothing.
  void Start(const std::string& folder);
  PlayerHistory* History() const { return history_.get(); }

  // Menu "Spielerverlauf" (Ctrl+F).
  void OpenWindow();
  PlayerHistoryWindow* Window() const { return window_.get(); }
  // "Verlauf löschen" (the settings window asked already).
  void Clear();
  // The GUID list's "Beobachten": whether a GUID is on the watch list, and
  // putting it there (noted with the player's name) or taking it off.
  bool GuidWatched(const std::string& guid) const;
  void WatchGuid(const std::string& guid, const std::string& name, bool watch);

  void SetNoticeFunction(NoticeFn fn) { notice_ = std::move(fn); }
  // Seconds since the epoch (silence); tests fix it.
  void SetClock(std::function<std::int64_t()> now) { now_ = std::move(now); }

  // The alert lines, newest last, and the entries they came from.
  const std::deque<WatchAlertInfo>& Alerts() const { return alerts_; }
  void SilenceClick();  // WatchSilence
  void DismissClick();  // WatchDismiss
  bool TrayShown() const { return tray_ != nullptr; }

  // Selects a server in the main window ("Auf Server zeigen").
  std::function<void(std::uint64_t uid)> showServer;
  // The GUID list changed ("GUID merken").
  std::function<void()> guidsChanged;

  static constexpr std::size_t kAlertLines = 5;

 signals:
  // The history's fault was told (once).
  void FaultTold(const QString& text);
  void Cleared(const QString& text);

 private:
  void Alert(const WatchAlertInfo& alert);
  void ShowAlerts();
  void Tell(const QString& text);
  void TellFault(const HistoryStatus& status);
  void ApplySettings();
  std::int64_t Now() const;

  QueryEngine& engine_;
  SettingsStore& store_;
  Tguidlist& guids_;
  std::function<const Settings&()> settings_;
  const std::vector<QImage>* flags_;
  Widgets w_;
  QWidget* mainWindow_;
  std::shared_ptr<PlayerHistory> history_;
  std::unique_ptr<PlayerHistoryWindow> window_;
  SettingsStore::ObserverId observer_ = 0;
  NoticeFn notice_;
  std::function<std::int64_t()> now_;
  bool faultTold_ = false;
  std::deque<WatchAlertInfo> alerts_;
  QSystemTrayIcon* tray_ = nullptr;
};

}  // namespace zelmora
