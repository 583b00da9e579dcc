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

class QWidget;

namespace zelmora {

// The selected entry when it may be administered (a server is selected and
// an rcon password is stored for it), else nullptr.
const Tserverrec* UsableServer(const QueryEngine& engine);

// Texts typed by the operator go into an rcon command line. A line break
// inside one would end the command there and start a second one on the
// server, and a NUL byte cuts it; such a text is refused with a German
// message (shown over parent) and false is returned.
bool CheckCommandText(QWidget* parent, std::string_view text);

// The same test without the message.
bool IsSafeCommandText(std::string_view text);

// A value Zelmora puts between double quotes (set name "value"): a double
// quote inside would end the value there and let the rest run as commands
// on the server. Refused with a German message, as line breaks are.
bool CheckQuotedValue(QWidget* parent, std::string_view value);
bool IsSafeQuotedValue(std::string_view value);

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
