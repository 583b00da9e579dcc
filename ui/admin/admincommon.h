// Small rules shared by the administration tabs.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/serverrec.h"
#include "engine/queryengine.h"
#include "engine/serversession.h"
#include "protocol/commands.h"

class QWidget;

namespace zelmora {

// The selected entry when it may be administered (a server is selected and
// a usable rcon password is stored for it), else nullptr.
const Tserverrec* UsableServer(const QueryEngine& engine);

// A command built by the quoting rule (protocol/commands.h): when it was
// refused, the operator is told why (a message over parent) and true is
// returned.
bool Refused(QWidget* parent, const BuiltCommand& command);

// A raw console line is sent as typed, but a line break or a NUL byte in it
// would start a second command: refused with a German message (false).
bool CheckConsoleLine(QWidget* parent, std::string_view line);

// The session a tab shows and the connections to its signals: following
// another one drops the connections to the one before.
class FollowedSession {
 public:
  FollowedSession() = default;
  FollowedSession(const FollowedSession&) = delete;
  FollowedSession& operator=(const FollowedSession&) = delete;
  ~FollowedSession() { Follow(nullptr); }

  void Follow(ServerSession* session) {
    for (const QMetaObject::Connection& c : links_) QObject::disconnect(c);
    links_.clear();
    session_ = session;
  }
  template <class Signal, class Fn>
  void Connect(Signal signal, const QObject* context, Fn fn) {
    if (session_) links_.push_back(QObject::connect(session_.data(), signal, context, fn));
  }
  ServerSession* get() const { return session_.data(); }
  ServerSession* operator->() const { return session_.data(); }
  explicit operator bool() const { return !session_.isNull(); }

 private:
  QPointer<ServerSession> session_;
  std::vector<QMetaObject::Connection> links_;
};

}  // namespace zelmora
