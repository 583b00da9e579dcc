// Opening a web address with the desktop's handler (the default browser),
// at once and without asking. Tests replace the opener so no browser starts.
#pragma once

#include <QUrl>

#include <functional>

class QWidget;

namespace zelmora {

// Opens the address; false when the desktop could not.
using UrlOpener = std::function<bool(const QUrl& url)>;

// Replaces the opener; an empty function restores QDesktopServices. Returns
// the previous one (empty for the default).
UrlOpener SetUrlOpener(UrlOpener opener);

// Opens url; when the desktop reports failure, the message box "Error to
// execute Command" is shown over parent. Returns whether it was opened.
bool OpenLink(QWidget* parent, const QUrl& url);

}  // namespace zelmora
