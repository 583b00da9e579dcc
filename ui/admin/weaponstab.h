// "Waffen/Fahrzeuge": the weapon and vehicle variables of the selected
// server as check boxes. The operator lists the variable names (expert
// settings, weaponcfg.txt and vehiclecfg.txt); "Aktualisieren" reads them
// through the cvar queue, and every variable the server answers becomes one
// check box, checked when its value is exactly "1", in the order the replies
// arrive. Toggling a box writes 1 or 0 at once, after a one-second notice.
#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

#include "ui/admin/admintab.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QWidget;

namespace zelmora {

class VarQueue;

class WeaponsTab : public QObject, public AdminTab {
  Q_OBJECT
 public:
  static constexpr int kToggleNoticeMs = 1000;
  // The variable names of a list: its non-empty lines, verbatim.
  using NameList = std::function<std::vector<std::string>()>;

  // page holds CheckListBox1 (weapons), CheckListBox3 (vehicles), Button14
  // and Button47 ("Aktualisieren" of each).
  WeaponsTab(VarQueue& queue, QWidget* page);
  void SetNameLists(NameList weapons, NameList vehicles);

  void ServerSelected(const Tserverrec& e, bool shown) override;
  void PageShown(const Tserverrec& e) override;

  void ApplyWeaponReply(const std::string& name, const std::string& value);
  void ApplyVehicleReply(const std::string& name, const std::string& value);

  void Button14Click();
  void Button47Click();

  QListWidget* CheckListBox1;
  QListWidget* CheckListBox3;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Refresh(QListWidget* list, const NameList& names);
  void Apply(QListWidget* list, const NameList& names, const std::string& name,
             const std::string& value);
  void Toggled(QListWidgetItem* item);
  void SetVehicleButton(const Tserverrec& e);

  VarQueue& queue_;
  QPushButton* Button14;
  QPushButton* Button47;
  NameList weapons_;
  NameList vehicles_;
  bool filling_ = false;
};

}  // namespace zelmora
