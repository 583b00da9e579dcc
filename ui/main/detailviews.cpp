#include "ui/main/detailviews.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"
#include "ui/main/drawgrid.h"
#include "ui/main/gridmodels.h"

namespace zelmora {

namespace {

template <class List>
const typename List::value_type* At(const List& l, int index) {
  return index >= 0 && static_cast<size_t>(index) < l.size() ? &l[static_cast<size_t>(index)]
                                                             : nullptr;
}

// A text of the server shown, read in its encoding.
void ToClipboard(const ServerSession* shown, const std::string& text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard())
    clipboard->setText(ServerText(shown, text));
}

// The element a popup item acts on: the row the menu was opened for, else
// the grid's current row.
int PopupElement(int popupRow, const DrawGrid* grid) {
  const int row = popupRow > 0 ? popupRow : grid->SelectionTop();
  return row - 1;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& text) {
  QAction* a = menu->addAction(text);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

}  // namespace

DetailViews::DetailViews(DrawGrid* vars, DrawGrid* players, DrawGrid* table, QueryEngine& engine,
                         SettingsCache& settings, const std::vector<QImage>* flags,
                         QWidget* menuParent)
    : QObject(menuParent),
      g3_(vars),
      g4_(players),
      g2_(table),
      engine_(engine),
      settings_(settings),
      painter_([this]() -> const Settings& { return settings_.Get(); }) {
  painter_.SetFlagImages(flags);
  const SessionSource source = [this]() -> const ServerSession* { return session_.get(); };
  varsModel_ = new ServerVarsModel(source, g3_);
  playersModel_ = new PlayerRowsModel(source, g4_);
  tableModel_ = new StatusRowsModel(
      source, [this] { return selectedplayer; },
      [this]() -> const Settings& { return settings_.Get(); }, g2_);
  SetUpGrid(g3_, varsModel_, 2, kGrid3Widths, false);
  SetUpGrid(g4_, playersModel_, 3, kGrid4Widths, true);
  SetUpGrid(g2_, tableModel_, 9, kGrid2Widths, true);
  g3_->SetDrawCell([this](QPainter& p, int c, int r, const QRect& rect) {
    painter_.DrawCell(*varsModel_, p, g3_->palette(), c, r, rect, false);
  });
  g4_->SetDrawCell([this](QPainter& p, int c, int r, const QRect& rect) {
    painter_.DrawCell(*playersModel_, p, g4_->palette(), c, r, rect, false);
  });
  g2_->SetDrawCell([this](QPainter& p, int c, int r, const QRect& rect) {
    painter_.DrawCell(*tableModel_, p, g2_->palette(), c, r, rect, c == 0);
  });
  g2_->onMouseUp = [this](int, int r, Qt::MouseButton) { PlayerRowReleased(r); };
  g2_->onClick = [this] {
    Pick(g2_->SelectionTop() - 1);
    if (onPlayerSelected) onPlayerSelected();
  };
  AddMenus(menuParent);
}

void DetailViews::SetUpGrid(DrawGrid* g, DrawGridModel* model, int cols, const int* widths,
                            bool range) {
  g->SetDataModel(model);
  g->Setup(cols, false);
  g->SetSortableInView(kSortRole);
  g->SetColumnsResizable(true);
  g->SetRowCount(7);
  for (int c = 0; c < cols; ++c) g->SetColWidth(c, widths[c]);
  g->setSelectionMode(range ? QAbstractItemView::ContiguousSelection
                            : QAbstractItemView::SingleSelection);
}

void DetailViews::AddMenus(QWidget* menuParent) {
  auto addCopy = [](QMenu* menu, DrawGrid* grid, const char* name) {
    QAction* copy = AddItem(menu, name, QStringLiteral("Markierte Zeilen &kopieren"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, grid, &DrawGrid::CopySelection);
  };
  popup3_ = new QMenu(menuParent);
  popup3_->setObjectName(QStringLiteral("PopupMenu3"));
  connect(AddItem(popup3_, "VariableninhaltZwischenablage1",
                  QStringLiteral("&Variableninhalt in die Zwischenablage")),
          &QAction::triggered, this, &DetailViews::VariableninhaltZwischenablage1Click);
  addCopy(popup3_, g3_, "Kopieren3");
  popup4_ = new QMenu(menuParent);
  popup4_->setObjectName(QStringLiteral("PopupMenu4"));
  connect(AddItem(popup4_, "SpielernameindieZwischenablage1",
                  QStringLiteral("&Spielername in die Zwischenablage")),
          &QAction::triggered, this, &DetailViews::SpielernameindieZwischenablage1Click);
  addCopy(popup4_, g4_, "Kopieren4");
  popup2_ = new QMenu(menuParent);
  popup2_->setObjectName(QStringLiteral("PopupMenu2"));
  connect(AddItem(popup2_, "SpielernameindieZwischenablage2",
                  QStringLiteral("&Spielername in die Zwischenablage")),
          &QAction::triggered, this, &DetailViews::SpielernameindieZwischenablage2Click);
  connect(AddItem(popup2_, "IPindieZwischenablage1", QStringLiteral("&IP in die Zwischenablage")),
          &QAction::triggered, this, &DetailViews::IPindieZwischenablage1Click);
  connect(
      AddItem(popup2_, "guidindieZwischenablage1", QStringLiteral("&GUID in die Zwischenablage")),
      &QAction::triggered, this, &DetailViews::guidindieZwischenablage1Click);
  addCopy(popup2_, g2_, "Kopieren2");
  // The popup items act on the row the menu was opened for.
  g3_->onPopup = [this](const QPoint& at, int row) {
    popupRow3_ = row;
    popup3_->popup(at);
  };
  g4_->onPopup = [this](const QPoint& at, int row) {
    popupRow4_ = row;
    popup4_->popup(at);
  };
  g2_->onPopup = [this](const QPoint& at, int row) {
    popupRow2_ = row;
    popup2_->popup(at);
  };
}

void DetailViews::Follow(ServerSession* session) {
  // Nothing of another server's table stays picked (the first server
  // shown starts on its first row).
  const bool another = session_ && session != session_.get();
  session_.Follow(session);
  session_.Connect(&ServerSession::StatusChanged, this, [this] { ShowStatus(); });
  session_.Connect(&ServerSession::TableChanged, this, [this] { ShowTable(); });
  if (another) {
    selectedplayer = -1;
    picked_ = {};
    if (onPlayerSelected) onPlayerSelected();
  }
  ShowStatus();
  ShowTable();
}

void DetailViews::ShowStatus() {
  const ServerSession* s = session_.get();
  g3_->SetRowCount(s ? static_cast<int>(s->Vars().size()) + 1 : 1);
  g4_->SetRowCount(s ? static_cast<int>(s->Players().size()) + 1 : 1);
  varsModel_->CellsChanged();
  playersModel_->CellsChanged();
  g3_->Repaint();
  g4_->Repaint();
}

void DetailViews::ShowTable() {
  const ServerSession* s = session_.get();
  if (picked_.set && s) {
    selectedplayer = -1;
    const Tstatusinfo& rows = s->Table();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i][0] == picked_.client && rows[i][3] == picked_.guid && rows[i][1] == picked_.name)
        selectedplayer = static_cast<int>(i);
    }
    if (selectedplayer < 0) picked_ = {};
  }
  g2_->SetRowCount(s ? static_cast<int>(s->Table().size()) + 1 : 1);
  tableModel_->CellsChanged();
  g2_->Repaint();
  if (onPlayerSelected) onPlayerSelected();
}

void DetailViews::Repaint() {
  for (DrawGrid* g : {g2_, g3_, g4_}) g->Repaint();
}

void DetailViews::Pick(int index) {
  selectedplayer = index;
  const Tstatusrow* row = TableRow(index);
  picked_ = row ? Picked{true, (*row)[0], (*row)[3], (*row)[1]} : Picked{};
}

void DetailViews::PlayerRowReleased(int row) {
  // The row under the pointer at the release becomes the selected player.
  if (row >= 1) Pick(row - 1);
  if (onPlayerSelected) onPlayerSelected();
  g2_->Repaint();
}

const Tstatusrow* DetailViews::TableRow(int index) const {
  return session_ ? At(session_->Table(), index) : nullptr;
}

std::string DetailViews::VariableValueAt(int index) const {
  const auto* e = session_ ? At(session_->Vars(), index) : nullptr;
  return e ? e->second : std::string();
}
std::string DetailViews::PlayerNameAt(int index) const {
  const auto* e = session_ ? At(session_->Players(), index) : nullptr;
  return e ? (*e)[2] : std::string();
}
std::string DetailViews::StatusNameAt(int index) const {
  const Tstatusrow* e = TableRow(index);
  return e ? (*e)[1] : std::string();
}
std::string DetailViews::StatusIpAt(int index) const {
  const Tstatusrow* e = TableRow(index);
  return e ? AddressBeforePort((*e)[6]) : std::string();
}
std::string DetailViews::StatusGuidAt(int index) const {
  const Tstatusrow* e = TableRow(index);
  return e ? (*e)[3] : std::string();
}

void DetailViews::VariableninhaltZwischenablage1Click() {
  ToClipboard(session_.get(), VariableValueAt(PopupElement(popupRow3_, g3_)));
}
void DetailViews::SpielernameindieZwischenablage1Click() {
  ToClipboard(session_.get(), PlayerNameAt(PopupElement(popupRow4_, g4_)));
}
void DetailViews::SpielernameindieZwischenablage2Click() {
  ToClipboard(session_.get(), StatusNameAt(PopupElement(popupRow2_, g2_)));
}
void DetailViews::IPindieZwischenablage1Click() {
  ToClipboard(session_.get(), StatusIpAt(PopupElement(popupRow2_, g2_)));
}
void DetailViews::guidindieZwischenablage1Click() {
  ToClipboard(session_.get(), StatusGuidAt(PopupElement(popupRow2_, g2_)));
}

}  // namespace zelmora
