// One window per data folder.
//
// Two windows on one data folder would each save their own server list when
// they close, and the one closed last would throw away what was added in
// the other. So the first start takes a lock file in the data folder
// (QLockFile: a lock left by a process that died is taken over) and listens
// on a local socket named after that folder; a later start finds the lock,
// asks the running program over the socket to bring its window to the front
// and ends. Another data folder has its own lock and socket, and so a window
// of its own.
//
// Forms of the program that only read the data folder (a shell form that
// sends commands or prints a status, one day) need no lock and may run
// beside the window.
//
// Everything runs on the thread's event loop; nothing waits.
#pragma once

#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QTimer>

namespace zelmora {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  enum class Claim {
    First,      // this process holds the lock and takes requests
    Second,     // a running program holds it
    Unguarded,  // no lock can be made there (a read-only folder: nothing
                // can be saved there either); the window opens unguarded
  };
  enum class Answer {
    Delivered,    // the running program brings its window to the front
    NoAnswer,     // it holds the lock but did not answer in time
    BecameFirst,  // it ended meanwhile; this process holds the lock now
  };
  Q_ENUM(Answer)

  // The request and its acknowledgement on the socket, each one line.
  static constexpr char kActivateRequest[] = "zelmora activate\n";
  static constexpr char kActivateAnswer[] = "ok\n";

  // dataFolder: the operator's folder (a trailing separator is allowed).
  explicit SingleInstance(const QString& dataFolder, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Takes the lock (making the folder when it is not there yet).
  Claim ClaimFolder();

  // After Claim::Second: asks the running program to bring its window to
  // the front. Answered comes once, within the answer time.
  void AskRunningToFront();

  // After Claim::First: takes no more requests (the window is closing). The
  // lock is kept until this object ends, after the last save.
  void StopListening();

  // How long AskRunningToFront tries (5 s by default).
  void SetAnswerTime(int ms) { answerTimeMs_ = ms; }

  // The lock file (zelmora.lock in the data folder) and the socket's name:
  // on Unix a path in the user's runtime folder, elsewhere a plain name, both
  // made from the folder's canonical path.
  QString LockFilePath() const { return lockPath_; }
  QString ServerName() const { return serverName_; }
  static QString ServerNameFor(const QString& dataFolder);

 signals:
  // A later start asked for the window.
  void ActivationRequested();
  void Answered(zelmora::SingleInstance::Answer answer);

 private:
  void Listen();
  void TakeConnections();
  void ReadRequest(QLocalSocket* peer);
  void Connect();
  void ReadAnswer();
  void ConnectFailed();
  void Finish(Answer answer);

  QString folder_;
  QString lockPath_;
  QString serverName_;
  QLockFile lock_;
  QLocalServer server_;
  QLocalSocket* ask_ = nullptr;
  QTimer retry_;
  QTimer deadline_;
  bool asking_ = false;
  int answerTimeMs_ = 5000;
};

}  // namespace zelmora
