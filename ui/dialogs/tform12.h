// Version check window "Versionsüberprüfung": the running version beside the
// newest one, fetched on request with one HTTP GET of the maker's version
// file. The query runs on the main thread without blocking it: the window
// stays responsive and the result arrives with the reply.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace Ui {
class TForm12;
}

namespace zelmora {

class TForm9;

class TForm12 : public QDialog {
  Q_OBJECT
 public:
  // "Diese Version:" shows the about window's version text.
  explicit TForm12(const TForm9& about, QWidget* parent = nullptr);
  ~TForm12() override;

  // The address asked for; kVersionUrl unless changed (tests).
  void SetVersionUrl(const QUrl& url) { url_ = url; }
  QUrl VersionUrl() const { return url_; }
  // A server that accepts but never finishes its answer counts as a failure
  // after this long without any data (milliseconds).
  void SetTimeout(int ms) { timeoutMs_ = ms; }

  // "Abfragen": sends the GET and returns; "Abfragen" is disabled until the
  // reply is in. Label4 then shows the whole body, or "Fehler" for any
  // failure (no connection, broken connection, a status other than 2xx, no
  // answer in time, a body beyond kMaxBody).
  void Button1Click();
  // "Schließen".
  void Button2Click();
  bool QueryRunning() const { return !reply_.isNull(); }

  // The version file holds a version number; anything larger is not one.
  static constexpr qint64 kMaxBody = 64 * 1024;

 signals:
  // Label4 holds the outcome of the query.
  void QueryFinished();

 private:
  void ReplyFinished();
  void ShowResult(const QString& text);

  std::unique_ptr<Ui::TForm12> ui_;
  QNetworkAccessManager* network_ = nullptr;
  QPointer<QNetworkReply> reply_;
  QUrl url_;
  int timeoutMs_ = 15000;
  bool tooLarge_ = false;
};

}  // namespace zelmora
