#include "ui/main/multicommand.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <unordered_set>

#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/servertext.h"
#include "ui/main/drawgrid.h"
#include "ui/main/multiresults.h"

namespace zelmora {

namespace {

// How a server stands in ServerChecks: its name as it shows it, and where.
QString CheckText(const Tserverrec& e) {
  const QString name = WithoutColorCodes(DecodeGameText(e.hostname.view(), EncodingOf(e)));
  const QString address = FromCp1252(e.host.str() + ":" + e.port.str());
  return name.isEmpty() ? address : QStringLiteral("%1 (%2)").arg(name, address);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

}  // namespace

MultiCommand::MultiCommand(QueryEngine& engine, std::function<const Settings&()> settings,
                           QWidget* parent)
    : QDialog(parent), engine_(engine), settings_(settings), painter_(settings) {
  setObjectName(QStringLiteral("MultiCommand"));
  setWindowTitle(QStringLiteral("Befehl an mehrere Server"));
  setModal(false);
  BuildWidgets();
  connect(&engine_.List(), &ServerList::RowsChanged, this, [this] { FillServerChecks(); });
  connect(&engine_.List(), &ServerList::EntryChanged, this, [this](int index) {
    if (!isVisible() || index < 0 || static_cast<std::size_t>(index) >= engine_.List().Size())
      return;
    const Tserverrec& e = engine_.List().At(static_cast<std::size_t>(index));
    for (int i = 0; i < ServerChecks->count(); ++i) {
      QListWidgetItem* item = ServerChecks->item(i);
      if (item->data(Qt::UserRole).toULongLong() == e.uid) {
        const QString text = CheckText(e);
        if (item->text() != text) item->setText(text);
        break;
      }
    }
  });
}

MultiCommand::~MultiCommand() = default;

void MultiCommand::BuildWidgets() {
  ServerChecks = new QListWidget(this);
  ServerChecks->setObjectName(QStringLiteral("ServerChecks"));
  AllButton = Button(this, "AllButton", QStringLiteral("&Alle"));
  NoneButton = Button(this, "NoneButton", QStringLiteral("&Keine"));
  QuickBox = new QComboBox(this);
  QuickBox->setObjectName(QStringLiteral("QuickBox"));
  for (int i = 0; i < kQuickChoices; ++i)
    QuickBox->addItem(QuickChoiceText(static_cast<QuickChoice>(i)));
  CommandEdit = new QComboBox(this);
  CommandEdit->setObjectName(QStringLiteral("CommandEdit"));
  CommandEdit->setEditable(true);
  CommandEdit->setInsertPolicy(QComboBox::NoInsert);
  CommandEdit->setMinimumWidth(280);
  ValueEdit = new QLineEdit(this);
  ValueEdit->setObjectName(QStringLiteral("ValueEdit"));
  ValueEdit->setPlaceholderText(QStringLiteral("Wert"));
  SendButton = Button(this, "SendButton", QStringLiteral("&Senden"));
  SendButton->setDefault(true);
  CancelButton = Button(this, "CancelButton", QStringLiteral("A&bbrechen"));
  CancelButton->setEnabled(false);

  ResultGrid = new DrawGrid(kResultColumns, false, this);
  ResultGrid->setObjectName(QStringLiteral("ResultGrid"));
  model_ = new ResultModel(
      engine_, [this]() -> const RconBatch* { return batch_.get(); }, [this] { return shownRow_; },
      ResultGrid);
  ResultGrid->SetDataModel(model_);
  ResultGrid->Setup(kResultColumns, false);
  ResultGrid->SetColumnsResizable(true);
  for (int c = 0; c < kResultColumns; ++c) ResultGrid->SetColWidth(c, kResultWidths[c]);
  ResultGrid->SetDrawCell([this](QPainter& p, int c, int r, const QRect& rect) {
    painter_.DrawCell(*model_, p, ResultGrid->palette(), c, r, rect, false);
  });
  ResultGrid->onClick = [this] { ShowOutput(ResultGrid->CurrentRow()); };
  SummaryLabel = new QLabel(this);
  SummaryLabel->setObjectName(QStringLiteral("SummaryLabel"));
  OutputLabel =
      new QLabel(QStringLiteral("Ausgabe (ein Klick auf eine Zeile zeigt sie ganz):"), this);
  OutputView = new QPlainTextEdit(this);
  OutputView->setObjectName(QStringLiteral("OutputView"));
  OutputView->setReadOnly(true);
  OutputView->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  OutputView->setFont(fixed);

  LayOut();
  Wire();
}

void MultiCommand::LayOut() {
  auto* left = new QWidget(this);
  auto* leftBox = new QVBoxLayout(left);
  leftBox->setContentsMargins(0, 0, 0, 0);
  leftBox->addWidget(new QLabel(QStringLiteral("Server:"), left));
  leftBox->addWidget(ServerChecks);
  auto* pick = new QHBoxLayout;
  pick->addWidget(AllButton);
  pick->addWidget(NoneButton);
  leftBox->addLayout(pick);

  auto* right = new QWidget(this);
  auto* form = new QGridLayout(right);
  form->setContentsMargins(0, 0, 0, 0);
  form->addWidget(new QLabel(QStringLiteral("Auswahl:"), right), 0, 0);
  form->addWidget(QuickBox, 0, 1, 1, 3);
  form->addWidget(new QLabel(QStringLiteral("Befehl:"), right), 1, 0);
  form->addWidget(CommandEdit, 1, 1);
  form->addWidget(ValueEdit, 1, 2);
  form->addWidget(SendButton, 1, 3);
  form->addWidget(SummaryLabel, 2, 0, 1, 3);
  form->addWidget(CancelButton, 2, 3);
  form->addWidget(ResultGrid, 3, 0, 1, 4);
  form->addWidget(OutputLabel, 4, 0, 1, 4);
  form->addWidget(OutputView, 5, 0, 1, 4);
  form->setColumnStretch(1, 3);
  form->setColumnStretch(2, 1);
  form->setRowStretch(3, 3);
  form->setRowStretch(5, 2);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(left);
  split->addWidget(right);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setSizes({230, 900});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split);
  resize(1160, 620);
}

void MultiCommand::Wire() {
  connect(AllButton, &QPushButton::clicked, this, [this] {
    for (int i = 0; i < ServerChecks->count(); ++i)
      ServerChecks->item(i)->setCheckState(Qt::Checked);
  });
  connect(NoneButton, &QPushButton::clicked, this, [this] {
    for (int i = 0; i < ServerChecks->count(); ++i)
      ServerChecks->item(i)->setCheckState(Qt::Unchecked);
  });
  connect(QuickBox, &QComboBox::currentIndexChanged, this, [this] { QuickChanged(); });
  connect(SendButton, &QPushButton::clicked, this, [this] { SendButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
  connect(CommandEdit->lineEdit(), &QLineEdit::returnPressed, this, [this] { SendButtonClick(); });
  QuickChanged();
  ShowSummary();
}

void MultiCommand::QuickChanged() {
  const auto choice = static_cast<QuickChoice>(QuickBox->currentIndex());
  CommandEdit->setEnabled(TakesText(choice));
  ValueEdit->setEnabled(TakesValue(choice));
  QString hint;
  switch (choice) {
    case QuickChoice::Raw:
      hint = QStringLiteral("rcon-Befehl, wie er gesendet wird");
      break;
    case QuickChoice::Say:
      hint = QStringLiteral("Text der Nachricht");
      break;
    case QuickChoice::Exec:
      hint = QStringLiteral("Konfigurationsdatei, z. B. server.cfg");
      break;
    case QuickChoice::SetVar:
      hint = QStringLiteral("Name der Variable");
      break;
    default:
      break;
  }
  CommandEdit->lineEdit()->setPlaceholderText(hint);
}

void MultiCommand::Open(const std::vector<Uid>& checked) {
  FillServerChecks();
  SetChecked(checked);
  show();
  raise();
  activateWindow();
  CommandEdit->setFocus(Qt::OtherFocusReason);
}

void MultiCommand::FillServerChecks() {
  const std::vector<Uid> checked = CheckedServers();
  const std::unordered_set<Uid> keep(checked.begin(), checked.end());
  ServerChecks->clear();
  for (const Tserverrec& e : engine_.List().Entries()) {
    auto* item = new QListWidgetItem(CheckText(e), ServerChecks);
    item->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(e.uid));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(keep.count(e.uid) ? Qt::Checked : Qt::Unchecked);
  }
}

std::vector<MultiCommand::Uid> MultiCommand::CheckedServers() const {
  std::vector<Uid> out;
  for (int i = 0; i < ServerChecks->count(); ++i) {
    const QListWidgetItem* item = ServerChecks->item(i);
    if (item->checkState() == Qt::Checked) out.push_back(item->data(Qt::UserRole).toULongLong());
  }
  return out;
}

void MultiCommand::SetChecked(const std::vector<Uid>& uids) {
  const std::unordered_set<Uid> on(uids.begin(), uids.end());
  for (int i = 0; i < ServerChecks->count(); ++i) {
    QListWidgetItem* item = ServerChecks->item(i);
    item->setCheckState(on.count(item->data(Qt::UserRole).toULongLong()) ? Qt::Checked
                                                                         : Qt::Unchecked);
  }
}

bool MultiCommand::SendButtonClick() {
  if (batch_ && !batch_->Finished()) return false;
  const std::vector<Uid> servers = CheckedServers();
  if (servers.empty()) {
    ShowMessage(this, QStringLiteral("Bitte mindestens einen Server ankreuzen."));
    return false;
  }
  MultiCommandInput input;
  input.choice = static_cast<QuickChoice>(QuickBox->currentIndex());
  input.text = CommandEdit->currentText();
  input.value = ValueEdit->text();
  // Each server gets the line in its own encoding; a refusal is the same
  // for all and nothing is sent.
  std::vector<RconBatch::Item> items;
  for (Uid uid : servers) {
    const ServerSession* session = engine_.Session(uid);
    const BuiltCommand line = BuildForServer(input, EncodingOfServer(session), SpeaksUtf8(session));
    if (!line.ok()) {
      ShowMessage(this, QString::fromStdString(line.problem));
      return false;
    }
    items.push_back({uid, line.line});
  }
  if (items.size() > 1 && AsksFirst(items.front().command)) {
    const QString shown = input.choice == QuickChoice::Raw
                              ? input.text
                              : QString::fromStdString(items.front().command);
    if (!AskOkCancel(
            this,
            QStringLiteral("„%1“ wirklich an %2 Server senden?").arg(shown).arg(items.size())))
      return false;
  }
  if (TakesText(input.choice)) Remember(input.text);
  batch_ = std::make_unique<RconBatch>(engine_);
  connect(batch_.get(), &RconBatch::RowChanged, this, &MultiCommand::RowChanged);
  connect(batch_.get(), &RconBatch::AllDone, this, &MultiCommand::BatchDone);
  shownRow_ = 0;
  OutputView->clear();
  ResultGrid->SetRowCount(static_cast<int>(items.size()) + 1);
  SendButton->setEnabled(false);
  CancelButton->setEnabled(true);
  batch_->Start(std::move(items));
  ShowSummary();
  ResultGrid->Repaint();
  return true;
}

void MultiCommand::CancelButtonClick() {
  if (batch_) batch_->Cancel();
}

void MultiCommand::RowChanged(int index) {
  if (index + 1 == shownRow_) ShowOutput(shownRow_);
  ShowSummary();
  ResultGrid->Repaint();
}

void MultiCommand::BatchDone() {
  SendButton->setEnabled(true);
  CancelButton->setEnabled(false);
  ShowSummary();
}

void MultiCommand::ShowSummary() {
  if (!batch_) {
    SummaryLabel->setText(QStringLiteral("Noch nichts gesendet."));
    return;
  }
  int done = 0, failed = 0, open = 0;
  for (const RconBatch::Row& r : batch_->Rows()) {
    if (!RconBatch::Final(r.state))
      ++open;
    else if (r.state == RconBatch::State::Done)
      ++done;
    else
      ++failed;
  }
  SummaryLabel->setText(QStringLiteral("%1 Server: %2 ausgeführt, %3 nicht, %4 offen")
                            .arg(batch_->Rows().size())
                            .arg(done)
                            .arg(failed)
                            .arg(open));
}

void MultiCommand::ShowOutput(int row) {
  if (!batch_ || row < 1 || static_cast<std::size_t>(row) > batch_->Rows().size()) return;
  shownRow_ = row;
  const RconBatch::Row& r = batch_->Rows()[static_cast<std::size_t>(row - 1)];
  const QString name =
      model_->Cell(static_cast<int>(ResultColumn::Server), row, Qt::DisplayRole).toString();
  OutputLabel->setText(QStringLiteral("Ausgabe von %1 (%2):")
                           .arg(name, QString::fromUtf8(RconBatch::StateText(r.state))));
  OutputView->setPlainText(r.output ? model_->OutputText(row) : QStringLiteral("(keine Ausgabe)"));
  ResultGrid->Repaint();
}

void MultiCommand::Remember(const QString& text) {
  if (text.isEmpty()) return;
  const int at = CommandEdit->findText(text);
  if (at >= 0) CommandEdit->removeItem(at);
  CommandEdit->insertItem(0, text);
  while (CommandEdit->count() > kHistory) CommandEdit->removeItem(CommandEdit->count() - 1);
  CommandEdit->setCurrentIndex(0);
}

}  // namespace zelmora
