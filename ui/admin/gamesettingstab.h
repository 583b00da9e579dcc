// "Spielmodus-Einstellungen": one sub-tab per game type with its scr_*
// variables, built from the table in gametypes.h. "Aktualisieren" reads the
// sub-tab's variables through the cvar queue (the replies fill the fields by
// exact name), "Übertragen" writes the fields' texts as they stand.
#pragma once

#include <QObject>

#include <string>
#include <vector>

#include "ui/admin/admintab.h"
#include "ui/admin/gametypes.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace zelmora {

class VarQueue;

class GameSettingsTab : public QObject, public AdminTab {
  Q_OBJECT
 public:
  // Builds the nine sub-tabs into pages (the tab control on the
  // "Spielmodus-Einstellungen" page).
  GameSettingsTab(VarQueue& queue, QTabWidget* pages);

  // All fields emptied; sub-tabs enabled for the entry's version (left as
  // they are for an unknown protocol).
  void ServerSelected(const Tserverrec& e, bool shown) override;
  // The target's status reply: the rows only some versions have (the bomb
  // timer) follow its protocol; unchanged for an unknown one.
  void GameTypeControls(const std::string& protocolText);
  // A variable reply: the field of exactly that name shows the value.
  void ApplyReply(const std::string& name, const std::string& value);

  // The read and write buttons of sub-tab page (index into
  // GameSettingsPages()).
  void ReadClick(int page);
  void WriteClick(int page);

  QLineEdit* Edit(const std::string& variable) const;
  QWidget* Page(int page) const;

 private:
  struct Row {
    const GameSettingRow* def;
    QLabel* name;
    QLineEdit* edit;
    QLabel* description;
  };
  // Rows of a sub-tab that take part in reads and writes for the selected
  // server.
  std::vector<const Row*> ActiveRows(int page) const;

  VarQueue& queue_;
  QTabWidget* pages_;
  std::vector<std::vector<Row>> rows_;  // per sub-tab
};

}  // namespace zelmora
