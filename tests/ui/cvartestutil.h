// The real windows against a scripted game server, as the variable tabs
// need them: a data folder listing the server with its rcon password, the
// windows created as the application creates them, the server selected, and
// the rcon commands the server received over the variable channel.
#pragma once

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/paths.h"
#include "core/serverfile.h"
#include "core/settings.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/main/appwindows.h"
#include "ui/main/drawgrid.h"
#include "ui/main/tform1.h"

namespace zelmora::testing {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

inline Tserverrec ListEntry(uint16_t port, const std::string& rcon) {
  Tserverrec e;
  e.host.assign("127.0.0.1");
  e.port.assign(std::to_string(port));
  e.rconpass.assign(rcon);
  return e;
}

// One rcon command as a server received it.
struct RconSeen {
  std::string command;
  Clock::time_point at;
};

// The rcon commands (after the password) that reached server from the local
// port fromPort, in arrival order.
inline std::vector<RconSeen> RconFrom(const TestServer& server, uint16_t fromPort,
                                      const std::string& password) {
  const std::string prefix = "\xff\xff\xff\xffrcon \"" + password + "\" ";
  std::vector<RconSeen> out;
  for (const ReceivedDatagram& d : server.received()) {
    if (d.fromPort != fromPort || d.data.compare(0, prefix.size(), prefix) != 0) continue;
    out.push_back({d.data.substr(prefix.size()), d.at});
  }
  return out;
}

inline std::vector<std::string> Commands(const std::vector<RconSeen>& seen) {
  std::vector<std::string> out;
  for (const RconSeen& s : seen) out.push_back(s.command);
  return out;
}

inline long long MsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration_cast<Ms>(b - a).count();
}

// The application's windows over a fresh data folder whose Servers.dat lists
// the given entries. Message boxes are recorded, never shown.
class CvarFixture {
 public:
  static constexpr const char* kPassword = "pw";

  explicit CvarFixture(const Tserverlist& list) {
    previous_ = SetMessageFunction([this](QWidget*, MessageKind, const QString&, const QString& t) {
      messages << t;
      return true;
    });
    SetDataDir(Dir());
    std::string error;
    ok_ = SaveServers(Dir() + "Servers.dat", list, &error);
  }
  ~CvarFixture() {
    if (windows_) windows_->form1().close();
    windows_.reset();
    SetMessageFunction(previous_);
  }

  std::string Dir() const { return dir_.path().toStdString() + "/"; }
  // Creates the windows (after the test has put its data files in place).
  bool Open() {
    if (!ok_) return false;
    windows_ = std::make_unique<AppWindows>(settings);
    form().show();
    return QTest::qWaitForWindowExposed(&form());
  }
  TForm1& form() { return windows_->form1(); }
  AppWindows& windows() { return *windows_; }

  // Selects list row (1-based) like a click on it.
  void Select(int row) {
    auto* grid = form().findChild<DrawGrid*>("DrawGrid1");
    grid->SelectRow(row);
    form().DrawGrid1Click();
  }
  void Click(const char* button) {
    auto* b = form().findChild<QPushButton*>(QString::fromLatin1(button));
    QVERIFY2(b, button);
    b->click();
  }
  uint16_t VarPort() { return form().Engine().VarLocalPort(); }

  SettingsStore settings;
  QStringList messages;

 private:
  QTemporaryDir dir_;
  bool ok_ = false;
  MessageFunction previous_;
  std::unique_ptr<AppWindows> windows_;
};

// A reply line of a variable read as the server words it.
inline std::string VarReply(const std::string& line) {
  return "\xff\xff\xff\xffprint\n" + line + "\n";
}

}  // namespace zelmora::testing
