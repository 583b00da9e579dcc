// "MSG-Timer": a text sent to all players of the selected server at a fixed
// interval.
#pragma once

#include <QObject>

#include <memory>

#include "engine/appstate.h"
#include "engine/enginetimer.h"
#include "engine/queryengine.h"
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
  MsgTimerTab(AppState& state, QueryEngine& engine, MsgTimerTabWidgets widgets);

  // "Aktivieren": the first message goes out one interval later. An
  // interval of 0 seconds or less sends nothing (the buttons still switch);
  // a text that is no whole number is reported and the timer stays off.
  void Button50Click();
  // "Deaktivieren"; also when another server is selected.
  void Button51Click();
  void Timer7Timer();

  EngineTimer& Timer7() { return *timer7_; }
  int Sent() const { return sent_; }

 private:
  AppState& state_;
  QueryEngine& engine_;
  MsgTimerTabWidgets w_;
  std::unique_ptr<EngineTimer> timer7_;
  int sent_ = 0;
  int runs_ = 0;              // "Aktivieren" so far: a message of an earlier run is not counted
  std::uint64_t server_ = 0;  // the server the messages are for
};

}  // namespace zelmora
