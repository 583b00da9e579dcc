#include "ui/admin/weaponstab.h"

#include <QEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

#include "ui/admin/admincommon.h"
#include "ui/admin/varqueue.h"
#include "ui/admin/widgetlookup.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/tform5.h"

namespace zelmora {

namespace {
// The variable name as bytes (the item's text is only its picture).
constexpr int kNameRole = Qt::UserRole;

std::string NameOf(const QListWidgetItem* item) {
  const QByteArray b = item->data(kNameRole).toByteArray();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}
}  // namespace

WeaponsTab::WeaponsTab(VarQueue& queue, QWidget* page) : queue_(queue) {
  CheckListBox1 = FindControl<QListWidget>(page, "CheckListBox1");
  CheckListBox3 = FindControl<QListWidget>(page, "CheckListBox3");
  Button14 = FindControl<QPushButton>(page, "Button14");
  Button47 = FindControl<QPushButton>(page, "Button47");
  connect(Button14, &QPushButton::clicked, this, &WeaponsTab::Button14Click);
  connect(Button47, &QPushButton::clicked, this, &WeaponsTab::Button47Click);
  for (QListWidget* list : {CheckListBox1, CheckListBox3}) {
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMouseTracking(true);
    list->viewport()->setMouseTracking(true);
    list->viewport()->installEventFilter(this);
    connect(list, &QListWidget::itemChanged, this, &WeaponsTab::Toggled);
  }
}

void WeaponsTab::SetNameLists(NameList weapons, NameList vehicles) {
  weapons_ = std::move(weapons);
  vehicles_ = std::move(vehicles);
}

void WeaponsTab::SetVehicleButton(const Tserverrec& e) {
  Button47->setEnabled(e.protocol == 21 || e.protocol == 22);
}

void WeaponsTab::ServerSelected(const Tserverrec& e, bool shown) {
  if (shown) SetVehicleButton(e);
}

void WeaponsTab::PageShown(const Tserverrec& e) {
  if (!e.rconpass.empty()) SetVehicleButton(e);
}

void WeaponsTab::Button14Click() {
  Refresh(CheckListBox1, weapons_);
}

void WeaponsTab::Button47Click() {
  Refresh(CheckListBox3, vehicles_);
}

void WeaponsTab::Refresh(QListWidget* list, const NameList& names) {
  if (!queue_.BeginBatch()) return;
  list->clear();
  queue_.RunBatch(VarQueue::Kind::Read, names ? names() : std::vector<std::string>{},
                  VarQueue::kInterval, list == CheckListBox1 ? 100 : 101);
}

void WeaponsTab::ApplyWeaponReply(const std::string& name, const std::string& value) {
  Apply(CheckListBox1, weapons_, name, value);
}

void WeaponsTab::ApplyVehicleReply(const std::string& name, const std::string& value) {
  Apply(CheckListBox3, vehicles_, name, value);
}

void WeaponsTab::Apply(QListWidget* list, const NameList& names, const std::string& name,
                       const std::string& value) {
  if (!names) return;
  const std::vector<std::string> listed = names();
  if (std::find(listed.begin(), listed.end(), name) == listed.end()) return;
  auto* item = new QListWidgetItem(FromCp1252(name));
  item->setData(kNameRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  item->setCheckState(value == "1" ? Qt::Checked : Qt::Unchecked);
  filling_ = true;
  list->addItem(item);
  filling_ = false;
}

void WeaponsTab::Toggled(QListWidgetItem* item) {
  if (filling_ || !item) return;
  // Taken now: the list may change while the notice shows.
  const std::string name = NameOf(item);
  const bool on = item->checkState() == Qt::Checked;
  // The notice shows for a second, then the switch goes out; the window
  // goes on meanwhile, and the switch stays with the server it was made on.
  ShowOverlayMessage(queue_.Overlay(), QString::fromUtf8("Bitte warten\nübernehme..."),
                     kToggleNoticeMs);
  RconOptions later;
  later.afterIssue = std::chrono::milliseconds(kToggleNoticeMs);
  queue_.SendVar(name, on ? "1" : "0", std::move(later));
}

bool WeaponsTab::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    for (QListWidget* list : {CheckListBox1, CheckListBox3}) {
      if (watched != list->viewport()) continue;
      // The item under the pointer becomes the selected one; over no item,
      // none is.
      const auto* move = static_cast<QMouseEvent*>(event);
      QListWidgetItem* item = list->itemAt(move->position().toPoint());
      if (item) {
        list->setCurrentItem(item);
      } else {
        list->clearSelection();
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace zelmora
