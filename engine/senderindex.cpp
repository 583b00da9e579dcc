#include "engine/senderindex.h"

namespace zelmora {

namespace {
std::string AddressOf(const Tserverrec& e, NameCache* names) {
  return names ? names->Address(e.host.view()).value_or(e.host.str()) : e.host.str();
}
}  // namespace

std::string SenderKey(std::string_view host, std::string_view port) {
  std::string key;
  key.reserve(host.size() + port.size() + 1);
  key.append(host);
  key.push_back('\n');
  key.append(port);
  return key;
}

int SenderIndex::First(const std::string& host, int port, const ServerList& list,
                       NameCache* names) {
  const std::string key = SenderKey(host, std::to_string(port));
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::uint64_t generation = names ? names->Generation() : 0;
    if (generation_ != list.Generation() || names_ != generation || size_ != list.Size() ||
        attempt == 1) {
      first_.clear();
      first_.reserve(list.Size());
      for (std::size_t i = 0; i < list.Size(); ++i) {
        const Tserverrec& e = list.At(i);
        first_.emplace(SenderKey(AddressOf(e, names), e.port.view()), static_cast<int>(i));
      }
      generation_ = list.Generation();
      names_ = generation;
      size_ = list.Size();
    }
    const auto it = first_.find(key);
    if (it == first_.end()) return -1;
    if (IsFrom(list.At(static_cast<std::size_t>(it->second)), host, port, names)) return it->second;
  }
  return -1;
}

bool SenderIndex::IsFrom(const Tserverrec& e, const std::string& host, int port, NameCache* names) {
  return e.port == std::to_string(port) && AddressOf(e, names) == host;
}

}  // namespace zelmora
