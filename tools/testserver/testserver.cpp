#include "tools/testserver/testserver.h"

#include "tools/testserver/serverloop.h"

namespace zelmora::testing {

TestServer::TestServer() : loop_(std::make_unique<detail::ServerLoop>()) {}

TestServer::~TestServer() {
  stop();
}

bool TestServer::start(const TestServerConfig& config) {
  return loop_->start({config});
}

void TestServer::stop() {
  loop_->stop();
}

bool TestServer::running() const {
  return loop_->running();
}

uint16_t TestServer::port() const {
  return loop_->port(0);
}

TestServerConfig TestServer::config() const {
  return loop_->size() > 0 ? loop_->config(0) : TestServerConfig();
}

void TestServer::setConfig(const TestServerConfig& config) {
  loop_->update(0, [&](TestServerConfig& c) { c = config; });
}

void TestServer::update(const std::function<void(TestServerConfig&)>& edit) {
  loop_->update(0, edit);
}

void TestServer::setPlayers(std::vector<TestPlayer> players) {
  loop_->update(0, [&](TestServerConfig& c) { c.players = std::move(players); });
}

void TestServer::setVar(std::string_view name, std::string value) {
  loop_->withLogic(0, [&](ServerLogic& l) { l.setVar(name, std::move(value)); });
}

std::string TestServer::var(std::string_view name) const {
  std::string value;
  loop_->withLogic(0, [&](ServerLogic& l) {
    if (const std::string* v = l.findVar(name)) value = *v;
  });
  return value;
}

void TestServer::setReplyDelayMs(int ms) {
  loop_->update(0, [ms](TestServerConfig& c) { c.replyDelayMs = ms; });
}

std::vector<ReceivedDatagram> TestServer::received() const {
  return loop_->received(0);
}

uint64_t TestServer::receivedCount() const {
  return loop_->receivedCount(0);
}

void TestServer::clearReceived() {
  loop_->clearReceived(0);
}

std::vector<ReceivedDatagram> TestServer::takeReceived() {
  return loop_->takeReceived(0);
}

bool TestServer::waitForReceived(uint64_t count, std::chrono::milliseconds timeout) const {
  return loop_->waitForReceived(0, count, timeout);
}

std::vector<std::string> TestServer::executedCommands() const {
  return loop_->executedCommands(0);
}

std::vector<std::chrono::steady_clock::time_point> TestServer::sentTimes() const {
  return loop_->sentTimes(0);
}

TestServerStats TestServer::stats() const {
  return loop_->stats(0);
}

bool TestServer::sendTo(const std::string& host, uint16_t port, std::string_view bytes) {
  return loop_->sendTo(0, host, port, bytes);
}

TestServerFarm::TestServerFarm() : loop_(std::make_unique<detail::ServerLoop>()) {}

TestServerFarm::~TestServerFarm() {
  stop();
}

bool TestServerFarm::start(size_t count) {
  std::vector<TestServerConfig> configs(count);
  for (size_t i = 0; i < count; ++i) {
    SetVar(configs[i].vars, "sv_hostname", "Server " + std::to_string(i));
  }
  return start(std::move(configs));
}

bool TestServerFarm::start(std::vector<TestServerConfig> configs) {
  return loop_->start(std::move(configs));
}

void TestServerFarm::stop() {
  loop_->stop();
}

bool TestServerFarm::running() const {
  return loop_->running();
}

size_t TestServerFarm::size() const {
  return loop_->size();
}

std::string TestServerFarm::host(size_t index) const {
  return loop_->host(index);
}

uint16_t TestServerFarm::port(size_t index) const {
  return loop_->port(index);
}

std::vector<uint16_t> TestServerFarm::ports() const {
  std::vector<uint16_t> out;
  const size_t n = loop_->size();
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) out.push_back(loop_->port(i));
  return out;
}

TestServerConfig TestServerFarm::config(size_t index) const {
  return loop_->config(index);
}

void TestServerFarm::update(size_t index, const std::function<void(TestServerConfig&)>& edit) {
  loop_->update(index, edit);
}

std::vector<ReceivedDatagram> TestServerFarm::received(size_t index) const {
  return loop_->received(index);
}

uint64_t TestServerFarm::receivedCount(size_t index) const {
  return loop_->receivedCount(index);
}

uint64_t TestServerFarm::totalReceived() const {
  return loop_->totalReceived();
}

bool TestServerFarm::waitForTotalReceived(uint64_t count, std::chrono::milliseconds timeout) const {
  return loop_->waitForTotal(count, timeout);
}

TestServerStats TestServerFarm::stats(size_t index) const {
  return loop_->stats(index);
}

bool TestServerFarm::sendTo(size_t index, const std::string& host, uint16_t port,
                            std::string_view bytes) {
  return loop_->sendTo(index, host, port, bytes);
}

}  // namespace zelmora::testing
