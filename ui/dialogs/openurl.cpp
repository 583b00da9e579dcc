#include "ui/dialogs/openurl.h"

#include <QDesktopServices>

#include "ui/dialogs/messages.h"

namespace zelmora {
namespace {

UrlOpener& CurrentOpener() {
  static UrlOpener opener;
  return opener;
}

}  // namespace

UrlOpener SetUrlOpener(UrlOpener opener) {
  UrlOpener previous = std::move(CurrentOpener());
  CurrentOpener() = std::move(opener);
  return previous;
}

bool OpenLink(QWidget* parent, const QUrl& url) {
  const UrlOpener opener = CurrentOpener();  // copy: it may replace itself
  const bool opened = opener ? opener(url) : QDesktopServices::openUrl(url);
  if (!opened) ShowMessage(parent, QStringLiteral("Error to execute Command"));
  return opened;
}

}  // namespace zelmora
