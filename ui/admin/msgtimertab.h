// "MSG-Timer": a text sent to all players of a server at a fixed interval.
// Every server has its own timer (engine/messagetimer.h); the page shows and
// drives the selected server's, which keeps running while other servers
// are looked at.
#pragma once

#include <QObject>

#include "engine/queryengine.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/admintab.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zelmora {

struct MsgTimerTabWidgets {
  QLineEdit* Edit8 = nullptr;       // the text, read at every tick
  QLineEdit* Edit9 = nullptr;       // interval in whole seconds
  QPushButton* Button50 = nullptr;  // "Aktivieren"
  QPushButton* Button51 = nullptr;  // "Deaktivieren"
  QLabel* Label28 = nullptr;        // messages sent since "Aktivieren"
};

class MsgTimerTab : public QObject, public AdminTab {
 public:
  MsgTimerTab(QueryEngine& engine, MsgTimerTabWidgets widgets);

  // The page shows the selected server's timer: text, interval, counter.
  void ServerSelected(const Tserverrec& e, bool shown) override;
  void ServerGone() override;

  // "Aktivieren": the first message goes out one interval later. An
  // interval of 0 seconds or less sends nothing (the buttons still switch);
  // a text that is no whole number is reported and the timer stays off, as
  // is a text with a line break.
  void Button50Click();
  // "Deaktivieren".
  void Button51Click();

  // The selected server's timer (nullptr without a selection).
  MessageTimer* Timer() const;
  int Sent() const;

 private:
  void ShowState();

  QueryEngine& engine_;
  MsgTimerTabWidgets w_;
  FollowedSession session_;
  // The shown timer's Changed (one at a time).
  QMetaObject::Connection timerLink_;
};

}  // namespace zelmora
