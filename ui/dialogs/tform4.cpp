#include "ui/dialogs/tform4.h"

#include <algorithm>

#include "core/commandrules.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/serverencoding.h"
#include "core/serverfile.h"
#include "core/textutil.h"
#include "ui/dialogs/messages.h"

namespace zelmora {
namespace {

constexpr int kPortMaxChars = 9;

// The items of EncodingBox, in this order.
constexpr TextEncoding kEncodings[] = {TextEncoding::Automatic, TextEncoding::Cp1252,
                                       TextEncoding::Utf8};

}  // namespace

TForm4::TForm4(ServerList& list, Selection& selection, SavedFiles& files, const RangeTable& ranges,
               QWidget* parent)
    : QDialog(parent),
      list_(list),
      selection_(selection),
      files_(files),
      ranges_(ranges),
      lookups_(NameLookups::System()) {
  setObjectName(QStringLiteral("TForm4"));
  setWindowTitle(QStringLiteral("Servereinstellungen"));

  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit2 = new QLineEdit(QStringLiteral("28960"), this);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit3 = new QLineEdit(this);
  Edit3->setObjectName(QStringLiteral("Edit3"));
  Edit3->setEchoMode(QLineEdit::Normal);  // the rcon password is shown in clear text
  EncodingBox = new QComboBox(this);
  EncodingBox->setObjectName(QStringLiteral("EncodingBox"));
  EncodingBox->addItems(
      {QStringLiteral("Automatisch"), QStringLiteral("Windows-1252"), QStringLiteral("UTF-8")});
  EncodingBox->setToolTip(
      QStringLiteral("Wie Namen, Karten, Variablen und Konsolentext dieses Servers gelesen "
                     "und an ihn gesendete Texte geschrieben werden. Automatisch: UTF-8, wo "
                     "ein Text gültiges UTF-8 mit Umlauten oder anderen Zeichen ist, sonst "
                     "Windows-1252."));
  Button1 = new QPushButton(QStringLiteral("Abbruch"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2 = new QPushButton(QStringLiteral("OK"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setDefault(true);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("IP"), this), 0, 0);
  grid->addWidget(Edit1, 1, 0);
  grid->addWidget(new QLabel(QStringLiteral("Port:"), this), 0, 1);
  grid->addWidget(Edit2, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("rcon Passwort:"), this), 2, 0, 1, 2);
  grid->addWidget(Edit3, 3, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Zeichensatz:"), this), 4, 0, 1, 2);
  grid->addWidget(EncodingBox, 5, 0, 1, 2);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button2);
  buttons->addWidget(Button1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  Edit1->setMinimumWidth(200);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // fixed-size dialog

  connect(Edit1, &QLineEdit::textChanged, this, &TForm4::Edit1Change);
  connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
  Edit1->installEventFilter(this);
}

void TForm4::BeginAdd() {
  editMode = false;
  EncodingBox->setCurrentIndex(0);
}

bool TForm4::BeginEdit() {
  const Tserverrec* e = selection_.Entry();
  if (!e) return false;
  Edit1->setText(FromCp1252(e->host.view()));
  Edit2->setText(FromCp1252(e->port.view()));
  Edit3->setText(FromCp1252(e->rconpass.view()));
  for (int i = 0; i < 3; ++i)
    if (kEncodings[i] == EncodingOf(*e)) EncodingBox->setCurrentIndex(i);
  editMode = true;
  editUid = e->uid;
  return true;
}

void TForm4::AddServerClick() {
  BeginAdd();
  exec();
}

void TForm4::EditServerClick() {
  if (BeginEdit()) exec();
}

void TForm4::Button2Click() {
  // A password with a blank or a quote could never be accepted by the
  // server, and on some servers its rest would run as a command.
  if (const std::string why = PasswordProblem(ToCp1252(Edit3->text())); !why.empty()) {
    ShowMessage(this, QString::fromStdString(why));
    Edit3->setFocus(Qt::OtherFocusReason);
    return;
  }
  const std::string typed = TrimCtl(ToCp1252(Edit1->text()));
  // A port that is no whole number from 1 to 65535 could never be asked:
  // the entry would stay "TOUT" for good. Told before anything is looked up.
  const std::string portText = TrimCtl(ToCp1252(Edit2->text()));
  const auto portNumber = ParseInt32(portText);
  if (!IsDecimalNumber(portText) || !portNumber || *portNumber < 1 || *portNumber > 65535) {
    ShowMessage(this, QStringLiteral("Der Port \"%1\" ist ungültig: erlaubt ist eine ganze Zahl "
                                     "von 1 bis 65535.")
                          .arg(Edit2->text()));
    Edit2->setFocus(Qt::OtherFocusReason);
    return;
  }
  // The lookups run off the window's thread, as long as the resolver takes;
  // "Abbrechen" leaves the dialog as it was.
  std::optional<HostLookup> resolved = RunCancellable<HostLookup>(
      this, QStringLiteral("Der Servername wird aufgelöst ..."),
      [resolve = lookups_.resolve, typed] { return resolve ? resolve(typed) : HostLookup{}; });
  if (!resolved) return;
  if (resolved->libraryFailed)
    ShowMessage(this, QStringLiteral("DNS-Resolve error - Winsock is not responding."));
  if (resolved->status == HostLookup::Status::kFailed && !resolved->libraryFailed) {
    // The resolver could not answer now: it did not say the name is
    // unknown, so the name is not stored as if it were.
    ShowMessage(this, QStringLiteral("Der Name \"%1\" konnte im Moment nicht aufgelöst werden "
                                     "(%2). Bitte später noch einmal versuchen.")
                          .arg(FromCp1252(typed), QString::fromLocal8Bit(resolved->reason)));
    return;
  }
  const bool found = resolved->status == HostLookup::Status::kFound;
  const std::string host = Cut(found ? resolved->address : typed, 250);
  // As replies name it (no leading zeros), or they would never match.
  const std::string port = std::to_string(*portNumber);

  const bool editing = editMode && list_.Find(editUid) != nullptr;
  if (IsDuplicateServer(list_, host, port, editing ? editUid : 0)) {
    ShowMessage(this, QStringLiteral("Server schon vorhanden!"));
    return;
  }

  std::optional<std::string> reverse = RunCancellable<std::string>(
      this, QStringLiteral("Der Provider wird ermittelt ..."),
      [lookup = lookups_.reverse, host] { return lookup ? lookup(host) : std::string("?"); });
  if (!reverse) return;
  const std::string provider = ProviderText(*reverse, ranges_, host);
  const std::string rconpass = ToCp1252(Edit3->text());
  const TextEncoding encoding = kEncodings[std::clamp(EncodingBox->currentIndex(), 0, 2)];

  if (editing && list_.Find(editUid)) {
    list_.Edit(editUid, host, port, rconpass, provider);
    // The rest of the record (the spare field's other items too) stays.
    if (const int row = list_.IndexOf(editUid); row >= 0)
      SetEncoding(list_.MutableAt(static_cast<std::size_t>(row)), encoding);
  } else {
    Tserverrec rec;  // every byte zero
    rec.port.assign(port);
    rec.host.assign(host);
    rec.rconpass.assign(Cut(rconpass, 250));
    rec.provider.assign(Cut(provider, 250));
    SetEncoding(rec, encoding);
    list_.Append(std::move(rec));
  }
  list_.ResetAllStatus();
  for (std::size_t i = 0; i < list_.Size(); ++i) list_.MutableAt(i).hostname.clear();
  SaveServerList(this, files_, list_);
  accept();
}

void TForm4::Button1Click() {
  reject();
}

void TForm4::Edit1Change(const QString& text) {
  const qsizetype colon = text.indexOf(QLatin1Char(':'));
  if (colon < 0) return;
  Edit2->setText(text.mid(colon + 1, kPortMaxChars));
  Edit1->setText(text.left(colon));  // runs this handler again, without ":"
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Edit1 && event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    Edit1KeyUp(key->key(), key->modifiers());
  }
  return QDialog::eventFilter(watched, event);
}

void TForm4::Edit1KeyUp(int key, Qt::KeyboardModifiers modifiers) {
  const Qt::KeyboardModifiers others =
      modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const bool colon = key == Qt::Key_Colon && others == Qt::NoModifier;
  const bool shiftPeriod = key == Qt::Key_Period && modifiers == Qt::ShiftModifier;
  if (!colon && !shiftPeriod) return;
  Edit2->setFocus(Qt::TabFocusReason);
  Edit2->selectAll();
}

}  // namespace zelmora
