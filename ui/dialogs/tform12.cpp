#include "ui/dialogs/tform12.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/makerlinks.h"
#include "ui/dialogs/tform9.h"
#include "ui_tform12.h"

namespace zelmora {

TForm12::TForm12(const TForm9& about, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TForm12>()),
      network_(new QNetworkAccessManager(this)),
      url_(QString::fromLatin1(kVersionUrl)) {
  ui_->setupUi(this);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  ui_->Label1->setText(about.Version());
  QFont bold = ui_->Label1->font();
  bold.setBold(true);
  ui_->Label1->setFont(bold);
  ui_->Label4->setFont(bold);
  ui_->LinkLabel3->setFont(bold);
  // Blue and bold, underlined while the mouse is over it.
  ui_->LinkLabel3->setLinkColors(QColor(0, 0, 255), QColor(0, 0, 255));
  ui_->LinkLabel3->setUrl(QString::fromLatin1(kProductPageUrl));
  setMinimumWidth(300);
  layout()->setSizeConstraint(QLayout::SetMinimumSize);

  connect(ui_->Button1, &QPushButton::clicked, this, &TForm12::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm12::Button2Click);
}

TForm12::~TForm12() {
  // The reply must not report into a window that is going away.
  if (reply_) {
    disconnect(reply_, nullptr, this, nullptr);
    reply_->abort();
  }
}

void TForm12::Button1Click() {
  if (reply_) return;
  QNetworkRequest request(url_);
  request.setRawHeader("Accept", "text/html, */*");
  request.setHeader(QNetworkRequest::UserAgentHeader,
                    QByteArrayLiteral("Mozilla/3.0 (compatible; Indy Library)"));
  request.setTransferTimeout(timeoutMs_);
  tooLarge_ = false;
  reply_ = network_->get(request);
  ui_->Button1->setEnabled(false);
  connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
    if (received > kMaxBody && reply_) {
      tooLarge_ = true;
      reply_->abort();
    }
  });
  connect(reply_, &QNetworkReply::finished, this, &TForm12::ReplyFinished);
}

void TForm12::ReplyFinished() {
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  if (!reply) return;
  reply->deleteLater();
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (tooLarge_ || reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
    ShowResult(QStringLiteral("Fehler"));
    return;
  }
  const QByteArray body = reply->readAll();
  QString text = FromCp1252(std::string_view(body.constData(), static_cast<size_t>(body.size())));
  // A label breaks lines at LF only: CR LF and lone CR become LF.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  ShowResult(text);
}

void TForm12::ShowResult(const QString& text) {
  ui_->Label4->setText(text);
  ui_->Button1->setEnabled(true);
  adjustSize();
  emit QueryFinished();
}

void TForm12::Button2Click() {
  accept();
}

}  // namespace zelmora
