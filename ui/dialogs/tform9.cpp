#include "ui/dialogs/tform9.h"

#include <QPixmap>

#include "ui/dialogs/makerlinks.h"
#include "ui_tform9.h"
#include "zelmora_version.h"

namespace zelmora {
namespace {

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 270;

void StyleLink(LinkLabel* link, const QString& url) {
  link->setUrl(url);
  link->setLinkColors(QColor(0, 0, 255), QColor(255, 0, 0));
}

}  // namespace

TForm9::TForm9(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm9>()) {
  ui_->setupUi(this);
  // A tool window above the others, without the help button of dialogs.
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  // Franklin Gothic Medium where it is installed (Windows); elsewhere the
  // closest sans faces, Liberation Sans having Arial's metrics.
  QFont title;
  title.setFamilies({QStringLiteral("Franklin Gothic Medium"), QStringLiteral("Libre Franklin"),
                     QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                     QStringLiteral("DejaVu Sans")});
  title.setPixelSize(31);
  title.setBold(true);
  ui_->Label1->setFont(title);
  ui_->Label1->setStyleSheet(QStringLiteral("color: rgb(20, 28, 44);"));
  ui_->Label2->setText(QString::fromLatin1(kProgramVersion));
  QFont version = ui_->Label2->font();
  version.setBold(true);
  ui_->Label2->setFont(version);
  ui_->Label2->setStyleSheet(QStringLiteral("color: rgb(90, 100, 120);"));

  ui_->Image1->setPixmap(QPixmap(QStringLiteral(":/zelmora/zelmora_logo.jpg")));

  StyleLink(ui_->LinkLabel3, QString::fromLatin1(kSupportForumUrl));
  StyleLink(ui_->LinkLabel1, QString::fromLatin1(kHomepageUrl));
  StyleLink(ui_->LinkLabel2, QString::fromLatin1(kProductPageUrl));
  // The two address links show the address they open.
  ui_->LinkLabel1->setText(ui_->LinkLabel1->url());
  ui_->LinkLabel2->setText(ui_->LinkLabel2->url());
  // The credits in a smaller face so the longest line fits its column.
  QFont credits = ui_->Label4->font();
  credits.setPointSizeF(credits.pointSizeF() * 0.9);
  ui_->Label4->setFont(credits);
  QFont bold = ui_->LinkLabel3->font();
  bold.setBold(true);
  ui_->LinkLabel3->setFont(bold);

  connect(ui_->Button1, &QPushButton::clicked, this, &TForm9::Button1Click);
}

TForm9::~TForm9() = default;

QString TForm9::Version() const {
  return ui_->Label2->text();
}

void TForm9::Button1Click() {
  accept();
}

void TForm9::showEvent(QShowEvent* event) {
  if (const QWidget* owner = parentWidget()) {
    QRect r = frameGeometry();
    r.moveCenter(owner->frameGeometry().center());
    move(r.topLeft());
  }
  QDialog::showEvent(event);
}

}  // namespace zelmora
