// Request handling of the scripted game server, without sockets or threads:
// one datagram in, the datagrams to send back out. Time is passed in so that
// flood protection can be driven deterministically.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tools/testserver/console.h"
#include "tools/testserver/testserver.h"

namespace zelmora::testing {

// The four 0xFF bytes that start every out-of-band datagram.
inline const std::string kOobPrefix("\xff\xff\xff\xff", 4);

class ServerLogic {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ServerLogic(TestServerConfig config = TestServerConfig());

  // Handles one received datagram; returns the datagrams to send back to its
  // sender in send order (dropShare already applied). sender ("ip:port")
  // matters only for per-sender flood protection.
  std::vector<std::string> handle(std::string_view datagram, Clock::time_point now,
                                  std::string_view sender = {});

  const TestServerConfig& config() const { return config_; }
  // Replaces the configuration; flood timer, variable defaults, PRNG, stats
  // and the command log are kept.
  void setConfig(TestServerConfig config);
  // For edits in place; call noteVarDefaults() afterwards.
  TestServerConfig& mutableConfig() { return config_; }
  void noteVarDefaults();

  const TestServerStats& stats() const { return stats_; }
  TestServerStats& mutableStats() { return stats_; }
  const std::vector<std::string>& executedCommands() const { return executed_; }

  // Building blocks, usable on their own.
  std::string statusResponse() const;  // whole datagram
  std::string statusOutput() const;    // console output of "status"
  // Console output of one accepted rcon command (may change the state).
  std::string execute(std::string_view command);
  // "print" datagrams carrying an output: split and (if configured) shuffled.
  std::vector<std::string> printDatagrams(std::string_view output);
  // Value of a status variable or console variable; nullptr when unknown.
  const std::string* findVar(std::string_view name) const;
  // Sets a status variable when one of that name exists, else a console
  // variable (created when absent).
  void setVar(std::string_view name, std::string value);

 private:
  std::vector<std::string> finish(std::vector<std::string> replies);  // loss and counting
  std::string handleRcon(std::string_view text, Clock::time_point now, std::string_view sender,
                         bool& answered);
  std::string varReply(std::string_view name);
  std::string kick(const std::vector<std::string>& args, std::string_view verb);
  std::string dir(const std::vector<std::string>& args);
  std::string mapCommand(const std::vector<std::string>& args);
  std::string exec(const std::vector<std::string>& args);
  TestPlayer* playerBySlot(const std::string& arg, std::string& error);
  uint64_t nextRandom();
  double nextUnit();

  TestServerConfig config_;
  std::map<std::string, std::string> defaults_;  // lower-cased name -> value at first sight
  // Time of the last accepted rcon request, server-wide ("") or per sender.
  std::map<std::string, Clock::time_point, std::less<>> lastRcon_;
  // The request limiter's buckets, per sender address.
  struct Bucket {
    int level = 0;
    Clock::time_point last{};
  };
  bool limited(std::string_view sender, Clock::time_point now);
  std::map<std::string, Bucket, std::less<>> buckets_;
  uint64_t rng_ = 0;
  TestServerStats stats_;
  std::vector<std::string> executed_;
};

}  // namespace zelmora::testing
