#include "app/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zelmora {

namespace {

// A request longer than this is not ours.
constexpr qint64 kMaxLine = 64;
// A peer that has not sent its request by then is dropped.
constexpr int kPeerTimeMs = 2000;
// Between two tries to reach a program that is starting or ending.
constexpr int kRetryMs = 100;

}  // namespace

// Short (a Unix socket's path has room for about 100 bytes), the same for
// every spelling of the folder's path, and private to the user on Unix (the
// runtime folder is the user's alone).
QString SingleInstance::ServerNameFor(const QString& dataFolder) {
  QString folder = QFileInfo(dataFolder).canonicalFilePath();
  if (folder.isEmpty()) folder = QFileInfo(dataFolder).absoluteFilePath();
  const QByteArray hash =
      QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex();
  const QString name = QStringLiteral("zelmora-") + QString::fromLatin1(hash.left(24));
#ifdef Q_OS_UNIX
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (!runtime.isEmpty()) return runtime + QLatin1Char('/') + name;
#endif
  return name;
}

SingleInstance::SingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent),
      folder_(QDir::cleanPath(dataFolder)),
      lockPath_(folder_ + QStringLiteral("/zelmora.lock")),
      lock_(lockPath_) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::TakeConnections);
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, &SingleInstance::Connect);
  deadline_.setSingleShot(true);
  connect(&deadline_, &QTimer::timeout, this, [this] { Finish(Answer::NoAnswer); });
}

SingleInstance::~SingleInstance() {
  StopListening();
  if (ask_) ask_->disconnect(this);
  // lock_ removes the lock file as it ends.
}

SingleInstance::Claim SingleInstance::ClaimFolder() {
  QDir().mkpath(folder_);
  serverName_ = ServerNameFor(folder_);
  if (lock_.tryLock(0)) {
    Listen();
    return Claim::First;
  }
  return lock_.error() == QLockFile::LockFailedError ? Claim::Second : Claim::Unguarded;
}

void SingleInstance::Listen() {
  // A socket left by a program that died: the lock is ours, so it is too.
  QLocalServer::removeServer(serverName_);
  // Failing that, the window still opens; later starts then find the lock
  // but no answer, and say so.
  server_.listen(serverName_);
}

void SingleInstance::StopListening() {
  server_.close();
}

void SingleInstance::TakeConnections() {
  while (QLocalSocket* peer = server_.nextPendingConnection()) {
    peer->setReadBufferSize(kMaxLine);
    connect(peer, &QLocalSocket::readyRead, this, [this, peer] { ReadRequest(peer); });
    connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    QTimer::singleShot(kPeerTimeMs, peer, [peer] {
      peer->abort();
      peer->deleteLater();
    });
  }
}

void SingleInstance::ReadRequest(QLocalSocket* peer) {
  if (!peer->canReadLine()) {
    if (peer->bytesAvailable() >= kMaxLine) {
      peer->abort();
      peer->deleteLater();
    }
    return;
  }
  const QByteArray line = peer->readLine(kMaxLine + 1);
  if (line != kActivateRequest) {
    peer->abort();
    peer->deleteLater();
    return;
  }
  emit ActivationRequested();
  peer->write(kActivateAnswer);
  peer->disconnectFromServer();
}

void SingleInstance::AskRunningToFront() {
  asking_ = true;
  deadline_.start(answerTimeMs_);
  Connect();
}

void SingleInstance::Connect() {
  if (!asking_) return;
  if (ask_) {
    ask_->disconnect(this);
    ask_->deleteLater();
  }
  ask_ = new QLocalSocket(this);
  ask_->setReadBufferSize(kMaxLine);
  connect(ask_, &QLocalSocket::connected, this, [this] { ask_->write(kActivateRequest); });
  connect(ask_, &QLocalSocket::readyRead, this, &SingleInstance::ReadAnswer);
  connect(ask_, &QLocalSocket::errorOccurred, this, &SingleInstance::ConnectFailed);
  ask_->connectToServer(serverName_);
}

void SingleInstance::ReadAnswer() {
  if (ask_->canReadLine()) {
    Finish(ask_->readLine(kMaxLine + 1) == kActivateAnswer ? Answer::Delivered : Answer::NoAnswer);
  } else if (ask_->bytesAvailable() >= kMaxLine) {
    Finish(Answer::NoAnswer);
  }
}

// Nobody listens (the program holding the lock is starting or ending) or the
// connection ended without the answer: the lock may be free by now;
// otherwise try again until the answer time is over.
void SingleInstance::ConnectFailed() {
  if (!asking_) return;
  if (ask_->canReadLine()) {
    ReadAnswer();
    return;
  }
  if (lock_.tryLock(0)) {
    Listen();
    Finish(Answer::BecameFirst);
    return;
  }
  if (!retry_.isActive()) retry_.start(kRetryMs);
}

void SingleInstance::Finish(Answer answer) {
  if (!asking_) return;
  asking_ = false;
  deadline_.stop();
  retry_.stop();
  if (ask_) {
    ask_->disconnect(this);
    ask_->abort();
    ask_->deleteLater();
    ask_ = nullptr;
  }
  emit Answered(answer);
}

}  // namespace zelmora
