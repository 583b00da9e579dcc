// What the settings window changes on the main window.
//
// The settings window (TForm3) applies options to the main window at start
// and whenever the operator clicks one of the options that take effect at
// once. It only knows the main window through this interface, so the dialogs
// library does not depend on the main-window library and tests can record the
// calls with a fake.
#pragma once

#include <QIcon>

namespace zelmora {

class MainWindowHooks {
 public:
  // Which periodic query timers ApplyQuerySettings touches.
  enum class QueryTimers {
    Both,        // everything below
    AllServers,  // Timer5 from cq/cqt; Button6 "Aktualisieren" visible when cq is off
    Selected,    // Timer1 from sq/sqt; Button20 "Aktualisieren" visible when sq is off
  };

  // Icons of the server list that the info check boxes show beside them.
  enum class InfoIcon { Version, Password, Rcon, FriendlyFire, Killcam, Anticheat, Voice, Flag };

  virtual ~MainWindowHooks() = default;

  // Ping axis of the chart: scales itself when automatic, else fixed to
  // maximum. The maximum is set in both cases.
  virtual void SetChartAxis(bool automatic, int maximum) = 0;

  // Chart on: minimum height and height 655, chart shown, Panel3 not aligned
  // with client height minus chart height. Off: 572, chart hidden, Panel3
  // fills the client area. In both cases afterwards: if Panel1 is lower than
  // 30 pixels, Panel2 becomes 30 high.
  virtual void SetChartVisible(bool visible) = 0;

  // Enables or disables the one-shot start-up sweep (Timer3).
  virtual void SetStartQuery(bool enabled) = 0;

  // Applies the periodic query options from the settings store to the
  // timers: interval = seconds x 1000, enabled by the check option, the
  // refresh button visible exactly while the option is off. The seconds are
  // texts converted here; when one is not an integer the implementation shows
  // "'<text>' ist kein gültiger Integerwert.", leaves that timer as it was
  // and returns false. With Both, a failure of the first half stops before
  // the second half.
  virtual bool ApplyQuerySettings(QueryTimers which = QueryTimers::Both) = 0;

  // Called after the look has been switched (ui/dialogs/skin.h SetSkinning
  // is already done): repaint what depends on it, e.g. grid header colours.
  virtual void SkinningChanged(bool on) = 0;

  // The server list's icon for an info option. A null icon makes the
  // settings window draw a simple picture of its own.
  virtual QIcon InfoIconFor(InfoIcon which) const { return {}; }

  // "Verlauf löschen", after the operator said yes: the player history is
  // emptied (the watch list stays); the main window tells when it is done.
  virtual void ClearHistory() {}
};

}  // namespace zelmora
