// "Sonstiges": further server variables from the operator's rcon profiles
// (rconcfg/*.rpf), shown in the grid `sonstiges` with their current values.
// A click in the "Aktualisieren" column reads one variable, "ALLES
// Aktualisieren" reads all through the cvar queue, "Senden" writes the value
// of Edit6 to the variable picked in the grid. Replies fill every record
// whose name matches without regard to letter case and surrounding blanks.
// The tab picks the profile whose file name contains the server's protocol
// number when it is shown or a server is selected.
#pragma once

#include <QAbstractTableModel>
#include <QObject>
#include <QPersistentModelIndex>
#include <QSet>
#include <QStringList>

#include <string>
#include <string_view>
#include <vector>

#include "core/textlines.h"
#include "ui/admin/admintab.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QWidget;

namespace zelmora {

class VarQueue;

// The records (Tsonstigesrec) and their parse (ParseProfile) are in
// core/textlines.h.

// The item that the automatic choice picks for a protocol: the last item
// whose text contains the number in decimal; current when none does.
int ChooseProfileIndex(const QStringList& items, int protocol, int current);

// The grid's data: rows are the records; the header row is the view's.
class SonstigesModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  SonstigesModel(const std::vector<Tsonstigesrec>& records, QObject* parent);
  // Data rows show text only while a profile is chosen, and the record
  // columns only while a server is selected.
  std::function<bool()> profileChosen;
  std::function<bool()> serverSelected;
  // A value the selected server sent, as shown (its encoding).
  std::function<QString(const std::string& value)> serverText;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void Reset();
  void ValuesChanged();

 private:
  const std::vector<Tsonstigesrec>& records_;
};

class CustomVarsTab : public QObject, public AdminTab {
  Q_OBJECT
 public:
  static constexpr int kRowHeight = 16;

  // page holds ComboBox1, the grid sonstiges (a QTableView), Label17, Edit6,
  // Button48 "Senden" and Button21 "ALLES Aktualisieren". profileDir: the
  // rconcfg folder with its trailing separator.
  CustomVarsTab(VarQueue& queue, QWidget* page, QString profileDir);

  void ServerSelected(const Tserverrec& e, bool shown) override;
  void PageShown(const Tserverrec& e) override;

  // The profile box receives a new list of file names; nothing is chosen
  // afterwards, so the grid shows no data rows.
  void SetProfileList(const QStringList& items);
  // Header row only; then the records of rconcfg/fileName when that file
  // exists.
  void LoadProfile(const QString& fileName);
  void ChooseProfile(const Tserverrec& e);

  void ComboBox1Change(int index);
  // A cell of the grid was selected (data rows from 1, columns from 0).
  void SelectCell(int col, int row);
  void Button21Click();  // ALLES Aktualisieren
  void Button48Click();  // Senden

  void ApplyReply(const std::string& name, const std::string& value);

  const std::vector<Tsonstigesrec>& Records() const { return records_; }
  // Header row included.
  int RowCount() const { return static_cast<int>(records_.size()) + 1; }
  QTableView* Grid() const { return sonstiges; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool ProfileChosen() const;
  void TellRefused(const QString& fileName, const std::vector<RefusedLine>& refused);

  VarQueue& queue_;
  QString profileDir_;
  std::vector<Tsonstigesrec> records_;
  SonstigesModel* model_;
  QComboBox* ComboBox1;
  QTableView* sonstiges;
  QLabel* Label17;
  QLineEdit* Edit6;
  QPushButton* Button48;
  QPushButton* Button21;
  std::string pickedName_;  // the name Label17 shows, as bytes
  QSet<QString> told_;      // profiles whose unused lines were told
  QPersistentModelIndex pressCurrent_;
};

}  // namespace zelmora
