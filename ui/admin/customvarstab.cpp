#include "ui/admin/customvarstab.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>

#include "core/textutil.h"
#include "protocol/commands.h"
#include "protocol/text.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/varqueue.h"
#include "ui/admin/widgetlookup.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/servertext.h"
#include "ui/dialogs/textfiles.h"

namespace zelmora {

namespace {

constexpr int kColumns = 4;
constexpr int kWidths[kColumns] = {70, 150, 150, 1000};
const char* const kHeaders[kColumns] = {"Button", "Variablenname", "Wert", "Beschreibung"};
const QColor kSelectedRow(212, 222, 242);

// Every cell's text 2 pixels right of and below its top left corner; the
// "Aktualisieren" column looks like the button it is.
class SonstigesDelegate final : public QAbstractItemDelegate {
 public:
  using QAbstractItemDelegate::QAbstractItemDelegate;

  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    // Selected rows as in the server list: a light blue, the text stays dark.
    const bool selected = option.state & QStyle::State_Selected;
    p->fillRect(option.rect, selected ? QBrush(kSelectedRow) : option.palette.base());
    const QString text = index.data(Qt::DisplayRole).toString();
    if (index.column() == 0 && !text.isEmpty()) {
      QStyleOptionButton b;
      b.rect = option.rect.adjusted(1, 1, -1, -1);
      b.palette = option.palette;
      b.state = QStyle::State_Enabled | QStyle::State_Raised;
      const QWidget* w = option.widget;
      QStyle* style = w ? w->style() : QApplication::style();
      style->drawControl(QStyle::CE_PushButtonBevel, &b, p, w);
      p->setPen(option.palette.color(QPalette::ButtonText));
    } else {
      p->setPen(option.palette.color(QPalette::Text));
    }
    QFont f = option.font;
    // "Aktualisieren" in a narrow face so it fits its 70 pixels.
    if (index.column() == 0) f.setStretch(QFont::Condensed);
    p->setFont(f);
    const QRect r = option.rect.adjusted(2, 2, 0, 0);
    p->drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  }

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
    return {kWidths[index.column()], CustomVarsTab::kRowHeight};
  }
};

}  // namespace

int ChooseProfileIndex(const QStringList& items, int protocol, int current) {
  const QString number = QString::number(protocol);
  for (int i = 0; i < items.size(); ++i)
    if (items[i].contains(number)) current = i;
  return current;
}

// --- model ---------------------------------------------------------------------

SonstigesModel::SonstigesModel(const std::vector<Tsonstigesrec>& records, QObject* parent)
    : QAbstractTableModel(parent), records_(records) {}

int SonstigesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int SonstigesModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant SonstigesModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (row >= records_.size() || !profileChosen || !profileChosen()) return {};
  if (index.column() == 0) return QStringLiteral("Aktualisieren");
  if (!serverSelected || !serverSelected()) return {};
  const Tsonstigesrec& r = records_[row];
  switch (index.column()) {
    case 1:
      return FromCp1252(r.name);
    case 2:
      return serverText ? serverText(r.value) : FromCp1252(r.value);
    case 3:
      return FromCp1252(r.description);
    default:
      return {};
  }
}

QVariant SonstigesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  if (section < 0 || section >= kColumns) return {};
  return QString::fromLatin1(kHeaders[section]);
}

void SonstigesModel::Reset() {
  beginResetModel();
  endResetModel();
}

void SonstigesModel::ValuesChanged() {
  if (records_.empty()) return;
  emit dataChanged(index(0, 0), index(static_cast<int>(records_.size()) - 1, kColumns - 1));
}

// --- tab -------------------------------------------------------------------------

CustomVarsTab::CustomVarsTab(VarQueue& queue, QWidget* page, QString profileDir)
    : queue_(queue), profileDir_(std::move(profileDir)) {
  ComboBox1 = FindControl<QComboBox>(page, "ComboBox1");
  sonstiges = FindControl<QTableView>(page, "sonstiges");
  Label17 = FindControl<QLabel>(page, "Label17");
  Edit6 = FindControl<QLineEdit>(page, "Edit6");
  Button48 = FindControl<QPushButton>(page, "Button48");
  Button21 = FindControl<QPushButton>(page, "Button21");

  model_ = new SonstigesModel(records_, this);
  model_->profileChosen = [this] { return ProfileChosen(); };
  model_->serverSelected = [this] { return queue_.Engine().Selected().Valid(); };
  model_->serverText = [this](const std::string& value) {
    return ServerText(queue_.Engine().SelectedSession(), value);
  };
  sonstiges->setModel(model_);
  sonstiges->setItemDelegate(new SonstigesDelegate(sonstiges));
  sonstiges->setSelectionBehavior(QAbstractItemView::SelectRows);
  sonstiges->setSelectionMode(QAbstractItemView::SingleSelection);
  sonstiges->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sonstiges->setWordWrap(false);
  QFont font = sonstiges->font();
  font.setPixelSize(11);  // as the other grids: rows of 16 pixels
  sonstiges->setFont(font);
  sonstiges->verticalHeader()->hide();
  sonstiges->verticalHeader()->setMinimumSectionSize(kRowHeight);
  sonstiges->verticalHeader()->setDefaultSectionSize(kRowHeight);
  sonstiges->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sonstiges->horizontalHeader()->setHighlightSections(false);
  sonstiges->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (int c = 0; c < kColumns; ++c) sonstiges->setColumnWidth(c, kWidths[c]);
  sonstiges->viewport()->installEventFilter(this);

  connect(sonstiges->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) SelectCell(current.column(), current.row() + 1);
          });
  // A press on the cell that is already current changes nothing above; the
  // click still counts (a second read of the same variable).
  connect(sonstiges, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.isValid() && index == pressCurrent_) SelectCell(index.column(), index.row() + 1);
  });
  connect(ComboBox1, &QComboBox::activated, this, &CustomVarsTab::ComboBox1Change);
  connect(Button21, &QPushButton::clicked, this, &CustomVarsTab::Button21Click);
  connect(Button48, &QPushButton::clicked, this, &CustomVarsTab::Button48Click);
}

bool CustomVarsTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == sonstiges->viewport() && event->type() == QEvent::MouseButtonPress)
    pressCurrent_ = sonstiges->currentIndex();
  return QObject::eventFilter(watched, event);
}

bool CustomVarsTab::ProfileChosen() const {
  return ComboBox1->currentIndex() >= 0;
}

void CustomVarsTab::SetProfileList(const QStringList& items) {
  ComboBox1->clear();
  ComboBox1->addItems(items);
  ComboBox1->setCurrentIndex(-1);
  LoadProfile(QString());
}

void CustomVarsTab::LoadProfile(const QString& fileName) {
  records_.clear();
  const QString path = profileDir_ + fileName;
  if (!fileName.isEmpty() && QFileInfo(path).isFile()) {
    std::string bytes;
    QString error;
    if (!ReadTextFile(path, bytes, &error)) ShowMessage(queue_.Window(), error);
    ProfileRead read = ReadProfile(bytes);
    records_ = std::move(read.records);
    TellRefused(fileName, read.refused);
  }
  model_->Reset();
}

// Lines of a profile that are not used are told once per file and run.
void CustomVarsTab::TellRefused(const QString& fileName, const std::vector<RefusedLine>& refused) {
  if (refused.empty() || told_.contains(fileName)) return;
  told_.insert(fileName);
  QString text = QStringLiteral("Im Profil %1 werden diese Zeilen nicht benutzt:").arg(fileName);
  for (const RefusedLine& r : refused)
    text += QStringLiteral("\nZeile %1: %2").arg(r.line).arg(QString::fromStdString(r.reason));
  ShowMessage(queue_.Window(), text);
}

void CustomVarsTab::ChooseProfile(const Tserverrec& e) {
  QStringList items;
  for (int i = 0; i < ComboBox1->count(); ++i) items << ComboBox1->itemText(i);
  ComboBox1->setCurrentIndex(ChooseProfileIndex(items, e.protocol, ComboBox1->currentIndex()));
  LoadProfile(ComboBox1->currentText());
}

void CustomVarsTab::ServerSelected(const Tserverrec& e, bool shown) {
  if (shown && !e.rconpass.empty()) ChooseProfile(e);
  for (Tsonstigesrec& r : records_) r.value.clear();
  model_->ValuesChanged();
}

void CustomVarsTab::PageShown(const Tserverrec& e) {
  if (!e.rconpass.empty()) ChooseProfile(e);
}

void CustomVarsTab::ComboBox1Change(int index) {
  if (!UsableServer(queue_.Engine())) return;
  LoadProfile(ComboBox1->itemText(index));
}

void CustomVarsTab::SelectCell(int col, int row) {
  const int r = row - 1;
  if (r < 0 || static_cast<std::size_t>(r) >= records_.size()) return;
  if (!queue_.Engine().Selected().Valid()) return;
  const Tsonstigesrec& rec = records_[static_cast<std::size_t>(r)];
  pickedName_ = rec.name;
  Label17->setText(FromCp1252(rec.name));
  Edit6->setText(ServerText(queue_.Engine().SelectedSession(), rec.value));
  if (ProfileChosen() && col == 0 && UsableServer(queue_.Engine()) && !rec.name.empty()) {
    RconOptions read;
    read.kind = RconKind::Read;
    queue_.SendCommand(BuildReadVar(rec.name), std::move(read));
  }
}

void CustomVarsTab::Button21Click() {
  if (!ProfileChosen()) return;
  if (!queue_.BeginBatch()) return;
  for (Tsonstigesrec& r : records_) r.value.clear();
  model_->ValuesChanged();
  std::vector<std::string> names;
  for (const Tsonstigesrec& r : records_)
    if (!r.name.empty()) names.push_back(r.name);
  queue_.RunBatch(VarQueue::Kind::Read, std::move(names), VarQueue::kCustomRefreshInterval, 200);
}

void CustomVarsTab::Button48Click() {
  if (!queue_.Engine().Selected().Valid()) return;
  if (pickedName_.empty() || Label17->text().isEmpty()) return;
  const std::string value = TextForServer(queue_.Engine().SelectedSession(), Edit6->text());
  if (value != "show" && Refused(queue_.Window(), BuildSetVar(pickedName_, value))) return;
  queue_.SendVar(pickedName_, value);
}

void CustomVarsTab::ApplyReply(const std::string& name, const std::string& value) {
  const std::string key = LowerAscii(TrimCtl(name));
  bool changed = false;
  for (Tsonstigesrec& r : records_) {
    if (LowerAscii(TrimCtl(r.name)) == key) {
      r.value = value;
      changed = true;
    }
  }
  if (changed) model_->ValuesChanged();
}

}  // namespace zelmora
