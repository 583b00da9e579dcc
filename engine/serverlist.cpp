#include "engine/serverlist.h"

#include <algorithm>

#include "core/serverfile.h"
#include "core/textutil.h"
#include "engine/pingsort.h"

namespace zelmora {

namespace {
constexpr std::size_t kFieldMax = 250;
}  // namespace

int ServerList::IndexOf(Uid uid) const {
  if (uid == 0) return -1;
  if (rowsStale_) {
    rows_.clear();
    rows_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i)
      rows_.emplace(entries_[i].uid, static_cast<int>(i));  // the first row of a uid
    rowsStale_ = false;
  }
  const auto it = rows_.find(uid);
  if (it != rows_.end() && static_cast<std::size_t>(it->second) < entries_.size() &&
      entries_[static_cast<std::size_t>(it->second)].uid == uid)
    return it->second;
  // A record written over another one (MutableAt) brings its own uid: the
  // rows are looked at once more and the index is made anew next time.
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].uid == uid) {
      rowsStale_ = true;
      return static_cast<int>(i);
    }
  }
  return -1;
}

const Tserverrec* ServerList::Find(Uid uid) const {
  const int i = IndexOf(uid);
  return i < 0 ? nullptr : &entries_[static_cast<std::size_t>(i)];
}

void ServerList::RowsMoved() {
  ++generation_;
  rowsStale_ = true;
  histories_.resize(entries_.size());
  emit RowsChanged();
}

void ServerList::Replace(Tserverlist list) {
  entries_ = std::move(list);
  histories_.assign(entries_.size(), tpingit{});
  RowsMoved();
}

ServerList::Uid ServerList::Append(Tserverrec rec) {
  const Uid uid = rec.uid;
  entries_.push_back(std::move(rec));
  histories_.resize(entries_.size() - 1);
  histories_.emplace_back();
  RowsMoved();
  return uid;
}

void ServerList::RemoveAt(std::size_t index) {
  if (index >= entries_.size()) return;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  if (index < histories_.size())
    histories_.erase(histories_.begin() + static_cast<std::ptrdiff_t>(index));
  RowsMoved();
}

void ServerList::Clear() {
  entries_.clear();
  histories_.clear();
  RowsMoved();
}

void ServerList::Exchange(std::size_t a, std::size_t b) {
  if (a >= entries_.size() || b >= entries_.size() || a == b) return;
  std::swap(entries_[a], entries_[b]);
  std::swap(histories_[a], histories_[b]);
  RowsMoved();
}

void ServerList::Reorder(const std::vector<std::size_t>& order) {
  if (order.size() != entries_.size()) return;
  Tserverlist list;
  tpingarray histories;
  list.reserve(order.size());
  histories.reserve(order.size());
  for (std::size_t i : order) {
    list.push_back(std::move(entries_[i]));
    histories.push_back(std::move(histories_[i]));
  }
  entries_ = std::move(list);
  histories_ = std::move(histories);
  RowsMoved();
}

void ServerList::SortByPing(bool ascending) {
  SortServersByPing(entries_, histories_, ascending);
  RowsMoved();
}

bool ServerList::Edit(Uid uid, std::string_view host, std::string_view port,
                      std::string_view rconpass, std::string_view provider) {
  const int i = IndexOf(uid);
  if (i < 0) return false;
  Tserverrec& e = entries_[static_cast<std::size_t>(i)];
  const bool moved = e.host != Cut(host, kFieldMax) || e.port != Cut(port, kFieldMax);
  e.host.assign(Cut(host, kFieldMax));
  e.port.assign(Cut(port, kFieldMax));
  e.rconpass.assign(Cut(rconpass, kFieldMax));
  e.provider.assign(Cut(provider, kFieldMax));
  if (moved) ++generation_;
  emit EntryEdited(uid, moved);
  emit EntryChanged(i);
  return moved;
}

void ServerList::SetRconPassword(Uid uid, std::string_view rconpass) {
  const int i = IndexOf(uid);
  if (i < 0) return;
  entries_[static_cast<std::size_t>(i)].rconpass.assign(Cut(rconpass, kFieldMax));
  emit EntryEdited(uid, false);
  emit EntryChanged(i);
}

void ServerList::ResetAllStatus() {
  ResetServerStatus(entries_);
  emit RowsChanged();
}

void ServerList::ApplyStartupReset() {
  zelmora::ApplyStartupReset(entries_);
  emit RowsChanged();
}

}  // namespace zelmora
