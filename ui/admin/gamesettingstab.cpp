#include "ui/admin/gamesettingstab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/admin/admincommon.h"
#include "ui/admin/varqueue.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/servertext.h"

namespace zelmora {

namespace {
// The cvar queue's owner tag of a sub-tab's batches.
int OwnerOf(int page) {
  return 1 + page;
}
constexpr int kNameWidth = 190;
constexpr int kEditWidth = 80;
}  // namespace

GameSettingsTab::GameSettingsTab(VarQueue& queue, QTabWidget* pages)
    : queue_(queue), pages_(pages) {
  const auto table = GameSettingsPages();
  for (std::size_t p = 0; p < table.size(); ++p) {
    const GameSettingsPage& def = table[p];
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet_%1").arg(QString::fromLatin1(def.title)));
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(8, 6, 8, 6);
    outer->setSpacing(6);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(3);
    grid->setColumnMinimumWidth(0, kNameWidth);
    grid->setColumnStretch(2, 1);
    std::vector<Row> rows;
    int line = 0;
    for (const GameSettingRow& r : def.rows) {
      Row row{&r, new QLabel(QString::fromLatin1(r.variable), page), new QLineEdit(page), nullptr};
      row.edit->setObjectName(QString::fromLatin1(r.edit));
      row.edit->setFixedWidth(kEditWidth);
      QString text = QString::fromUtf8(r.description);
      if (r.description2) text += QLatin1Char('\n') + QString::fromUtf8(r.description2);
      row.description = new QLabel(text, page);
      row.description->setWordWrap(true);
      grid->addWidget(row.name, line, 0, Qt::AlignVCenter);
      grid->addWidget(row.edit, line, 1, Qt::AlignTop);
      grid->addWidget(row.description, line, 2, Qt::AlignVCenter);
      rows.push_back(row);
      ++line;
    }
    outer->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    auto* read = new QPushButton(QStringLiteral("Aktualisieren"), page);
    read->setObjectName(QString::fromLatin1(def.readButton));
    auto* write = new QPushButton(QString::fromUtf8("Übertragen"), page);
    write->setObjectName(QString::fromLatin1(def.writeButton));
    buttons->addWidget(read);
    buttons->addWidget(write);
    buttons->addStretch(1);
    outer->addLayout(buttons);
    outer->addStretch(1);
    const int index = static_cast<int>(p);
    connect(read, &QPushButton::clicked, this, [this, index] { ReadClick(index); });
    connect(write, &QPushButton::clicked, this, [this, index] { WriteClick(index); });
    pages_->addTab(page, QString::fromLatin1(def.title));
    rows_.push_back(std::move(rows));
  }
}

QWidget* GameSettingsTab::Page(int page) const {
  return pages_->widget(page);
}

QLineEdit* GameSettingsTab::Edit(const std::string& variable) const {
  for (const auto& rows : rows_)
    for (const Row& r : rows)
      if (variable == r.def->variable) return r.edit;
  return nullptr;
}

void GameSettingsTab::ServerSelected(const Tserverrec& e, bool) {
  for (const auto& rows : rows_)
    for (const Row& r : rows) r.edit->clear();
  if (!KnownProtocol(e.protocol)) return;
  const auto table = GameSettingsPages();
  for (std::size_t p = 0; p < table.size(); ++p)
    pages_->setTabEnabled(static_cast<int>(p), InSet(table[p].enabledFor, e.protocol));
}

void GameSettingsTab::GameTypeControls(const std::string& protocolText) {
  const auto protocol = KnownProtocol(protocolText);
  if (!protocol) return;
  for (const auto& rows : rows_) {
    for (const Row& r : rows) {
      if (r.def->rowFor == ProtocolSet::All) continue;
      const bool show = InSet(r.def->rowFor, *protocol);
      r.name->setVisible(show);
      r.edit->setVisible(show);
      r.description->setVisible(show);
    }
  }
}

void GameSettingsTab::ApplyReply(const std::string& name, const std::string& value) {
  for (const auto& rows : rows_)
    for (const Row& r : rows)
      if (name == r.def->variable)
        r.edit->setText(ServerText(queue_.Engine().SelectedSession(), value));
}

std::vector<const GameSettingsTab::Row*> GameSettingsTab::ActiveRows(int page) const {
  std::vector<const Row*> out;
  if (page < 0 || static_cast<std::size_t>(page) >= rows_.size()) return out;
  const Tserverrec* e = UsableServer(queue_.Engine());
  for (const Row& r : rows_[static_cast<std::size_t>(page)]) {
    // Version-bound rows (the bomb timer) go by the selected entry's
    // protocol, not by what the row shows.
    if (r.def->rowFor != ProtocolSet::All && (!e || !InSet(r.def->rowFor, e->protocol))) continue;
    out.push_back(&r);
  }
  return out;
}

void GameSettingsTab::ReadClick(int page) {
  if (page < 0 || static_cast<std::size_t>(page) >= rows_.size()) return;
  if (!queue_.BeginBatch()) return;
  for (const Row& r : rows_[static_cast<std::size_t>(page)]) r.edit->clear();
  std::vector<std::string> names;
  for (const Row* r : ActiveRows(page)) names.emplace_back(r->def->variable);
  queue_.RunBatch(VarQueue::Kind::Read, std::move(names), VarQueue::kInterval, OwnerOf(page));
}

void GameSettingsTab::WriteClick(int page) {
  if (!UsableServer(queue_.Engine())) return;
  // The fields are being filled by a read of this page: writing now would
  // put the emptied fields on the server.
  if (queue_.ReadsRunning(OwnerOf(page))) {
    ShowMessage(queue_.Window(),
                QString::fromUtf8("Die Werte dieser Seite werden noch gelesen. Bitte erst danach "
                                  "übertragen."));
    return;
  }
  std::vector<std::string> entries;
  for (const Row* r : ActiveRows(page)) {
    const std::string value = TextForServer(queue_.Engine().SelectedSession(), r->edit->text());
    if (Refused(queue_.Window(), BuildSetVar(r->def->variable, value))) return;
    entries.push_back(std::string(r->def->variable) + ";" + value);
  }
  if (!queue_.BeginBatch()) return;
  queue_.RunBatch(VarQueue::Kind::Write, std::move(entries), VarQueue::kInterval, OwnerOf(page));
}

}  // namespace zelmora
