// "Spielmodus": the current game type of the selected server and one button
// per game type its version knows. A switch goes out directly over the
// variable channel, twice, 800 ms apart (the first one may meet the flood
// protection of a server that just got another command); it takes effect
// with the next map start, which "Karte neu laden" triggers.
#pragma once

#include <QObject>

#include <string>
#include <vector>

#include "ui/admin/admintab.h"

class QGridLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace zelmora {

class VarQueue;

class GameTypeTab : public QObject, public AdminTab {
  Q_OBJECT
 public:
  static constexpr int kRepeatPauseMs = 800;

  // page holds the game-type buttons (names in GameTypeButtons()) in the
  // group GroupBox1, the value label Label2 and the buttons Button20
  // "Aktualisieren" and Button19 "Karte neu laden".
  GameTypeTab(VarQueue& queue, QWidget* page);

  // The target's status reply: buttons shown for its version (unchanged for
  // a protocol text that names no known version) and its game type.
  void GameTypeControls(const std::string& protocolText);
  void GameTypeLabel(const std::string& text);
  // A variable reply; g_gametype goes to the label.
  void ApplyReply(const std::string& name, const std::string& value);
  // Button20 is offered exactly while the selected server is not refreshed
  // periodically.
  void SelectedRefreshButtonShown(bool shown);

  // "set g_gametype <code>", a pause of the main thread, the same again.
  void GameTypeClick(const std::string& code);
  void Button20Click();  // reads g_gametype
  void Button19Click();  // map_restart

 private:
  void LayOutButtons();

  VarQueue& queue_;
  std::vector<QPushButton*> buttons_;  // in table order
  QGridLayout* grid_;
  QLabel* Label2;
  QPushButton* Button20;
  QPushButton* Button19;
};

}  // namespace zelmora
