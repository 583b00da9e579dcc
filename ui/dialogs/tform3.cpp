#include "ui/dialogs/tform3.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QThread>
#include <QVBoxLayout>

#include "core/paths.h"
#include "core/profile.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/skin.h"
#include "ui_tform3.h"

namespace zelmora {
namespace {

constexpr int kPathColumn = 2;

QString DefaultChooseExecutable(QWidget* parent, const QString& current) {
#ifdef _WIN32
  const QString filter = QStringLiteral("Executables (*.exe)");
#else
  // Under Wine the clients are .exe files; a native start script or binary
  // is accepted as well.
  const QString filter = QStringLiteral("Executables (*.exe);;Alle Dateien (*)");
#endif
  const QString dir = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
  return QFileDialog::getOpenFileName(parent, QStringLiteral("Öffnen"), dir, filter);
}

// A small picture for an info option when the main window offers none.
QIcon DrawInfoIcon(MainWindowHooks::InfoIcon which) {
  using I = MainWindowHooks::InfoIcon;
  QString text;
  QColor color;
  switch (which) {
    case I::Version:
      text = QStringLiteral("2");
      color = QColor(70, 110, 60);
      break;
    case I::Password:
      text = QStringLiteral("P");
      color = QColor(190, 140, 20);
      break;
    case I::Rcon:
      text = QStringLiteral("R");
      color = QColor(40, 90, 170);
      break;
    case I::FriendlyFire:
      text = QStringLiteral("F");
      color = QColor(200, 50, 40);
      break;
    case I::Killcam:
      text = QStringLiteral("K");
      color = QColor(90, 90, 90);
      break;
    case I::Anticheat:
      text = QStringLiteral("A");
      color = QColor(30, 140, 120);
      break;
    case I::Voice:
      text = QStringLiteral("V");
      color = QColor(130, 60, 160);
      break;
    case I::Flag:
      text = QString();
      color = QColor(0, 0, 0);
      break;
  }
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  if (which == I::Flag) {
    // Three stripes: a generic flag.
    p.fillRect(1, 3, 14, 3, QColor(20, 20, 20));
    p.fillRect(1, 6, 14, 4, QColor(210, 30, 30));
    p.fillRect(1, 10, 14, 3, QColor(240, 200, 0));
    p.setPen(QColor(90, 90, 90));
    p.drawRect(QRectF(0.5, 2.5, 15, 11));
  } else {
    p.setBrush(color);
    p.setPen(color.darker(140));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont f = p.font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, text);
  }
  p.end();
  return QIcon(pm);
}

void CheckInGroup(QButtonGroup* group, int id) {
  if (QAbstractButton* b = group->button(id)) {
    if (!b->isChecked()) b->setChecked(true);
    return;
  }
  // No button chosen: an exclusive group cannot be cleared directly.
  group->setExclusive(false);
  for (QAbstractButton* b : group->buttons()) b->setChecked(false);
  group->setExclusive(true);
}

void SetChecked(QAbstractButton* box, bool on) {
  if (box->isChecked() != on) box->setChecked(on);
}

void SetLineText(QLineEdit* edit, const QString& text) {
  if (edit->text() != text) edit->setText(text);
}

}  // namespace

// Everything above the button row goes into a scroll area: on a small
// screen (or a large scale) the window is made smaller than designed, the
// options scroll, and "Schließen" stays in reach.
void TForm3::PutOptionsInScrollArea() {
  designedSize_ = sizeHint();
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("OptionsContent"));
  auto* contentLayout = new QVBoxLayout(content);
  contentLayout->setContentsMargins(0, 0, 0, 0);
  while (ui_->MainLayout->count() > 1) {
    QLayoutItem* item = ui_->MainLayout->takeAt(0);
    if (QLayout* l = item->layout()) {
      contentLayout->addLayout(l);
    } else if (QWidget* w = item->widget()) {
      contentLayout->addWidget(w);
      delete item;
    } else {
      contentLayout->addItem(item);
    }
  }
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("OptionsScrollArea"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(content);
  ui_->MainLayout->insertWidget(0, scroll, 1);
}

void TForm3::showEvent(QShowEvent* event) {
  // The designed size where the screen has room, inside its available area.
  if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
    const QRect area = s->availableGeometry();
    const QSize frame(16, 40);
    const QSize room = (area.size() - frame).expandedTo(QSize(320, 240));
    resize(designedSize_.boundedTo(room));
    QRect outer(QPoint(0, 0), size() + frame);
    outer.moveCenter(parentWidget() && parentWidget()->isVisible()
                         ? parentWidget()->frameGeometry().center()
                         : area.center());
    if (outer.right() > area.right()) outer.moveRight(area.right());
    if (outer.bottom() > area.bottom()) outer.moveBottom(area.bottom());
    if (outer.left() < area.left()) outer.moveLeft(area.left());
    if (outer.top() < area.top()) outer.moveTop(area.top());
    move(outer.topLeft());
  }
  QDialog::showEvent(event);
}

TForm3::TForm3(SettingsStore& store, MainWindowHooks* hooks, QWidget* parent)
    : QDialog(parent), store_(store), hooks_(hooks), ui_(std::make_unique<Ui::TForm3>()) {
  ui_->setupUi(this);
  chooser_ = DefaultChooseExecutable;
  PutOptionsInScrollArea();

  ui_->LabeledEdit1->setRange(1, 10000);
  ui_->LabeledEdit1->setSingleStep(100);
  ui_->LabeledEdit2->setRange(1, 10000);
  ui_->LabeledEdit2->setSingleStep(50);

  joinGroup_ = new QButtonGroup(this);
  joinGroup_->addButton(ui_->RadioButton1, static_cast<int>(JoinAfter::kStayOpen));
  joinGroup_->addButton(ui_->RadioButton2, static_cast<int>(JoinAfter::kMinimize));
  joinGroup_->addButton(ui_->RadioButton3, static_cast<int>(JoinAfter::kQuit));
  kickBanGroup_ = new QButtonGroup(this);
  kickBanGroup_->addButton(ui_->RadioGroup1Item0, 0);
  kickBanGroup_->addButton(ui_->RadioGroup1Item1, 1);
  kickGroup_ = new QButtonGroup(this);
  kickGroup_->addButton(ui_->RadioGroup2Item0, 0);
  kickGroup_->addButton(ui_->RadioGroup2Item1, 1);

  SetUpPathsTable();
  SetUpInfoIcons();
  FillControls(store_.Snapshot());
  ConnectControls();

  // Keep the controls in step with changes made elsewhere. Observers may run
  // on any thread; the controls are only touched on the window's thread.
  QPointer<TForm3> self(this);
  observer_ = store_.AddObserver([self] {
    if (!self) return;
    if (QThread::currentThread() == self->thread()) {
      self->StoreChanged();
    } else {
      QMetaObject::invokeMethod(
          self.data(),
          [self] {
            if (self) self->StoreChanged();
          },
          Qt::QueuedConnection);
    }
  });
}

TForm3::~TForm3() {
  store_.RemoveObserver(observer_);
  if (!created_) return;  // nothing was loaded: do not overwrite the file with defaults
  // Errors while saving are ignored; the file keeps what was written so far.
  try {
    ProfileFile ini(iniPath_);
    store_.SaveAll(ini);
  } catch (...) {
  }
}

void TForm3::SetUpPathsTable() {
  QTableWidget* grid = ui_->StringGrid1;
  grid->setColumnCount(3);
  grid->setRowCount(static_cast<int>(kPathRowCount));
  QStringList headers;
  for (std::string_view h : kPathHeaders) headers << FromCp1252(h);
  grid->setHorizontalHeaderLabels(headers);
  grid->verticalHeader()->setVisible(false);
  grid->verticalHeader()->setDefaultSectionSize(20);
  grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid->setColumnWidth(0, 90);
  grid->setColumnWidth(1, 50);
  grid->setColumnWidth(2, 450);
  grid->horizontalHeader()->setStretchLastSection(true);
  for (int row = 0; row < static_cast<int>(kPathRowCount); ++row) {
    const PathRow& r = kPathRows[static_cast<std::size_t>(row)];
    grid->setItem(row, 0, new QTableWidgetItem(FromCp1252(r.label)));
    grid->setItem(row, 1, new QTableWidgetItem(FromCp1252(r.version)));
    grid->setItem(row, kPathColumn, new QTableWidgetItem(QString()));
  }
  grid->setCurrentCell(0, 0);
  // Room for the header and all seven rows without scrolling.
  const int rows = 20 * static_cast<int>(kPathRowCount);
  grid->setMinimumHeight(grid->horizontalHeader()->sizeHint().height() + rows +
                         2 * grid->frameWidth() + 2);
}

void TForm3::SetUpInfoIcons() {
  using I = MainWindowHooks::InfoIcon;
  const std::pair<QCheckBox*, I> boxes[] = {
      {ui_->CheckBox9, I::Version},  {ui_->CheckBox10, I::Password},
      {ui_->CheckBox11, I::Rcon},    {ui_->CheckBox12, I::FriendlyFire},
      {ui_->CheckBox13, I::Killcam}, {ui_->CheckBox14, I::Anticheat},
      {ui_->CheckBox17, I::Voice},   {ui_->CheckBox18, I::Flag},
  };
  for (const auto& [box, which] : boxes) {
    QIcon icon = hooks_ ? hooks_->InfoIconFor(which) : QIcon();
    if (icon.isNull()) icon = DrawInfoIcon(which);
    box->setIcon(icon);
    box->setIconSize(QSize(16, 16));
  }
}

void TForm3::FillControls(const Settings& s) {
  const bool wasFilling = filling_;
  filling_ = true;
  SetChecked(ui_->CheckBox1, s.aktive);
  ui_->LabeledEdit1->setText(FromCp1252(s.datenmenge));
  ui_->LabeledEdit2->setText(FromCp1252(s.ymax));
  SetChecked(ui_->CheckBox2, s.yauto);
  SetChecked(ui_->CheckBox4, s.startq);
  SetChecked(ui_->CheckBox5, s.cq);
  SetChecked(ui_->CheckBox3, s.sq);
  SetLineText(ui_->Edit1, FromCp1252(s.cqt));
  SetLineText(ui_->Edit2, FromCp1252(s.sqt));
  SetLineText(ui_->Edit3, FromCp1252(s.param));
  CheckInGroup(kickBanGroup_, s.k);
  CheckInGroup(kickGroup_, s.b);
  for (int row = 0; row < static_cast<int>(kPathRowCount); ++row) {
    QTableWidgetItem* cell = ui_->StringGrid1->item(row, kPathColumn);
    const QString path = FromCp1252(s.paths[static_cast<std::size_t>(row)]);
    if (cell->text() != path) cell->setText(path);
  }
  SetChecked(ui_->CheckBox6, s.ask);
  CheckInGroup(joinGroup_, s.join == JoinAfter::kNone ? -1 : static_cast<int>(s.join));
  SetChecked(ui_->CheckBox7, s.ducking);
  SetChecked(ui_->CheckBox8, s.design);
  SetChecked(ui_->CheckBox9, s.version);
  SetChecked(ui_->CheckBox10, s.pwd);
  SetChecked(ui_->CheckBox11, s.rcon);
  SetChecked(ui_->CheckBox12, s.ff);
  SetChecked(ui_->CheckBox13, s.kc);
  SetChecked(ui_->CheckBox14, s.ac);
  SetChecked(ui_->CheckBox15, s.se);
  SetChecked(ui_->CheckBox16, s.sp);
  SetChecked(ui_->CheckBox17, s.vc);
  SetChecked(ui_->CheckBox18, s.fl);
  SetChecked(ui_->CheckBox19, s.prov);
  SetChecked(ui_->CheckBox20, s.historyOn);
  if (ui_->SpinEdit1->value() != s.historyDays) ui_->SpinEdit1->setValue(s.historyDays);
  filling_ = wasFilling;
}

void TForm3::StoreChanged() {
  if (filling_) return;
  FillControls(store_.Snapshot());
}

void TForm3::Write(const std::function<void(Settings&)>& change) {
  if (filling_) return;
  // The store notifies us back; the controls already show the new value.
  filling_ = true;
  store_.Update(change);
  filling_ = false;
}

void TForm3::ConnectControls() {
  // Plain options: the store follows the control.
  const std::pair<QCheckBox*, bool Settings::*> flags[] = {
      {ui_->CheckBox1, &Settings::aktive},  {ui_->CheckBox2, &Settings::yauto},
      {ui_->CheckBox4, &Settings::startq},  {ui_->CheckBox5, &Settings::cq},
      {ui_->CheckBox3, &Settings::sq},      {ui_->CheckBox6, &Settings::ask},
      {ui_->CheckBox7, &Settings::ducking}, {ui_->CheckBox8, &Settings::design},
      {ui_->CheckBox9, &Settings::version}, {ui_->CheckBox10, &Settings::pwd},
      {ui_->CheckBox11, &Settings::rcon},   {ui_->CheckBox12, &Settings::ff},
      {ui_->CheckBox13, &Settings::kc},     {ui_->CheckBox14, &Settings::ac},
      {ui_->CheckBox15, &Settings::se},     {ui_->CheckBox16, &Settings::sp},
      {ui_->CheckBox17, &Settings::vc},     {ui_->CheckBox18, &Settings::fl},
      {ui_->CheckBox19, &Settings::prov},   {ui_->CheckBox20, &Settings::historyOn},
  };
  for (const auto& [box, field] : flags) {
    connect(box, &QCheckBox::toggled, this,
            [this, field = field](bool on) { Write([&](Settings& s) { s.*field = on; }); });
  }
  const std::pair<QLineEdit*, std::string Settings::*> texts[] = {
      {ui_->Edit1, &Settings::cqt}, {ui_->Edit2, &Settings::sqt}, {ui_->Edit3, &Settings::param}};
  for (const auto& [edit, field] : texts) {
    connect(edit, &QLineEdit::textChanged, this, [this, field = field](const QString& t) {
      Write([&](Settings& s) { s.*field = ToCp1252(t); });
    });
  }
  connect(ui_->SpinEdit1, &QSpinBox::valueChanged, this,
          [this](int days) { Write([&](Settings& s) { s.historyDays = days; }); });
  connect(ui_->LabeledEdit1, &UpDownEdit::textChanged, this,
          [this](const QString& t) { Write([&](Settings& s) { s.datenmenge = ToCp1252(t); }); });
  // The axis follows every change of the maximum that is a number; a text
  // that is none is reported once the operator has finished editing (not at
  // every keystroke: clearing the field to type a new number is no error).
  connect(ui_->LabeledEdit2, &UpDownEdit::textChanged, this, [this](const QString& t) {
    if (filling_) return;
    Write([&](Settings& s) { s.ymax = ToCp1252(t); });
    ApplyChartAxis(false);
  });
  connect(ui_->LabeledEdit2, &UpDownEdit::editingFinished, this, [this] {
    if (filling_) return;
    ApplyChartAxis(true);
  });
  connect(kickBanGroup_, &QButtonGroup::idToggled, this,
          [this](int, bool) { Write([&](Settings& s) { s.k = kickBanGroup_->checkedId(); }); });
  connect(kickGroup_, &QButtonGroup::idToggled, this,
          [this](int, bool) { Write([&](Settings& s) { s.b = kickGroup_->checkedId(); }); });
  connect(joinGroup_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    Write([&](Settings& s) { SetJoinButton(s, static_cast<JoinAfter>(id), checked); });
  });

  // Options that act on the main window at once (operator clicks only).
  connect(ui_->CheckBox1, &QCheckBox::clicked, this, [this](bool on) {
    if (hooks_) hooks_->SetChartVisible(on);
  });
  connect(ui_->CheckBox2, &QCheckBox::clicked, this, [this] { ApplyChartAxis(true); });
  connect(ui_->CheckBox5, &QCheckBox::clicked, this, [this] {
    if (hooks_) hooks_->ApplyQuerySettings(MainWindowHooks::QueryTimers::AllServers);
  });
  connect(ui_->CheckBox3, &QCheckBox::clicked, this, [this] {
    if (hooks_) hooks_->ApplyQuerySettings(MainWindowHooks::QueryTimers::Selected);
  });
  connect(ui_->CheckBox8, &QCheckBox::clicked, this, [this](bool on) {
    SetSkinning(on);
    if (hooks_) hooks_->SkinningChanged(on);
  });
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm3::Button3Click);
  connect(ui_->StringGrid1, &QTableWidget::cellDoubleClicked, this,
          [this](int, int) { StringGrid1DblClick(); });
}

void TForm3::ApplyChartAxis(bool reportError) {
  if (!hooks_) return;
  const std::string ymax = store_.Get(&Settings::ymax);
  const auto maximum = ConvertInteger(ymax);
  if (!maximum) {
    if (reportError) ShowIntegerError(this, ymax);
    return;
  }
  hooks_->SetChartAxis(store_.Get(&Settings::yauto), *maximum);
}

bool TForm3::ApplyToMainWindow() {
  if (!hooks_) return true;
  const Settings s = store_.Snapshot();
  const auto maximum = ConvertInteger(s.ymax);
  if (!maximum) {
    ShowIntegerError(this, s.ymax);
    return false;
  }
  hooks_->SetChartAxis(s.yauto, *maximum);
  hooks_->SetStartQuery(s.startq);
  if (!hooks_->ApplyQuerySettings(MainWindowHooks::QueryTimers::Both)) return false;
  hooks_->SetChartVisible(s.aktive);
  return true;
}

void TForm3::FormCreate(const std::string& iniPath, const GameExecutables& installed) {
  iniPath_ = iniPath;
  {
    ProfileFile ini(iniPath_);
    store_.LoadAndComplete(ini, installed);
  }
  created_ = true;
  FillControls(store_.Snapshot());
  const bool design = store_.Get(&Settings::design);
  SetSkinning(design);
  if (hooks_) hooks_->SkinningChanged(design);
  ApplyToMainWindow();
}

void TForm3::FormCreate() {
  FormCreate(DataPath("config.ini"), FindGameExecutables());
}

void TForm3::StringGrid1DblClick() {
  const int row = ui_->StringGrid1->currentRow();
  if (row < 0 || row >= static_cast<int>(kPathRowCount)) return;
  QTableWidgetItem* cell = ui_->StringGrid1->item(row, kPathColumn);
  const QString chosen = chooser_ ? chooser_(this, cell->text()) : QString();
  if (chosen.isEmpty()) return;
  const QFileInfo info(chosen);
  if (!info.exists() || !info.isFile()) return;
  const QString path = QDir::toNativeSeparators(info.absoluteFilePath());
  cell->setText(path);
  Write([&](Settings& s) { s.paths[static_cast<std::size_t>(row)] = ToCp1252(path); });
}

void TForm3::Button3Click() {
  if (!AskOkCancel(this, QStringLiteral("Den ganzen Spielerverlauf löschen? Alle gesehenen "
                                        "Spieler, Namen, Adressen und Strafen werden entfernt; "
                                        "die Beobachtungsliste bleibt.")))
    return;
  if (hooks_) hooks_->ClearHistory();
}

void TForm3::Button2Click() {
  if (hooks_ && !hooks_->ApplyQuerySettings(MainWindowHooks::QueryTimers::Both)) return;
  accept();
}

}  // namespace zelmora
