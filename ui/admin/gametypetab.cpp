#include "ui/admin/gametypetab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "protocol/commands.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/gametypes.h"
#include "ui/admin/varqueue.h"
#include "ui/admin/widgetlookup.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora {

namespace {
constexpr int kButtonColumns = 3;
}

GameTypeTab::GameTypeTab(VarQueue& queue, QWidget* page) : queue_(queue) {
  auto* group = FindControl<QGroupBox>(page, "GroupBox1");
  grid_ = qobject_cast<QGridLayout*>(group->layout());
  if (!grid_) grid_ = new QGridLayout(group);
  for (const GameTypeButton& b : GameTypeButtons()) {
    QPushButton* button = FindControl<QPushButton>(page, b.button);
    button->setText(QString::fromUtf8(b.caption));
    const std::string code = b.code;
    connect(button, &QPushButton::clicked, this, [this, code] { GameTypeClick(code); });
    buttons_.push_back(button);
  }
  Label2 = FindControl<QLabel>(page, "Label2");
  Button20 = FindControl<QPushButton>(page, "Button20");
  Button19 = FindControl<QPushButton>(page, "Button19");
  connect(Button20, &QPushButton::clicked, this, &GameTypeTab::Button20Click);
  connect(Button19, &QPushButton::clicked, this, &GameTypeTab::Button19Click);
  LayOutButtons();
}

void GameTypeTab::LayOutButtons() {
  // The shown buttons close up in table order, three to a row.
  for (QPushButton* b : buttons_) grid_->removeWidget(b);
  int slot = 0;
  for (QPushButton* b : buttons_) {
    if (b->isHidden()) continue;
    grid_->addWidget(b, slot / kButtonColumns, slot % kButtonColumns);
    ++slot;
  }
}

void GameTypeTab::GameTypeControls(const std::string& protocolText) {
  const auto protocol = KnownProtocol(protocolText);
  if (!protocol) return;
  const auto table = GameTypeButtons();
  bool changed = false;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const bool show = InSet(table[i].shownFor, *protocol);
    if (buttons_[i]->isHidden() == show) {
      buttons_[i]->setVisible(show);
      changed = true;
    }
  }
  if (changed) LayOutButtons();
}

void GameTypeTab::GameTypeLabel(const std::string& text) {
  Label2->setText(FromCp1252(text));
}

void GameTypeTab::ApplyReply(const std::string& name, const std::string& value) {
  if (name == CmdReadGametype()) GameTypeLabel(value);
}

void GameTypeTab::SelectedRefreshButtonShown(bool shown) {
  Button20->setVisible(shown);
}

void GameTypeTab::GameTypeClick(const std::string& code) {
  const BuiltCommand command = BuildSetGametype(code);
  if (queue_.SendCommand(command) != QueryEngine::SendResult::Sent) return;
  // A server drops a command that follows the previous one within 500 ms;
  // the second one, 800 ms after the first left, makes sure the switch
  // arrives. It waits in the server's line: the window goes on meanwhile.
  RconOptions again;
  again.afterPrevious = std::chrono::milliseconds(kRepeatPauseMs);
  queue_.SendCommand(command, std::move(again));
}

void GameTypeTab::Button20Click() {
  RconOptions read;
  read.kind = RconKind::Read;
  queue_.SendCommand(BuildReadVar(CmdReadGametype()), std::move(read));
}

void GameTypeTab::Button19Click() {
  if (!UsableServer(queue_.Engine())) return;
  queue_.Engine().SendRcon(CmdMapRestart());
}

}  // namespace zelmora
