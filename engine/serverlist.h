// The listed servers: their records in list order and, index-aligned with
// them, their ping histories. The one owner of both: whoever adds, removes,
// moves or edits an entry does it here, so the histories always stay with
// their servers, and the views learn of it from the signals.
//
// A row is where an entry stands now; its uid (Tserverrec::uid) is who it
// is for the run. Everything started for a server (its session, its lines,
// its pending kicks) follows the uid.
//
// Main thread only.
#pragma once

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/serverrec.h"

namespace zelmora {

// Ping history of one server, oldest sample first (milliseconds).
using tpingit = std::vector<double>;
// One history per entry of the server list, index-aligned with it.
using tpingarray = std::vector<tpingit>;

class ServerList : public QObject {
  Q_OBJECT

 public:
  using Uid = std::uint64_t;

  explicit ServerList(QObject* parent = nullptr) : QObject(parent) {}

  // --- reading ---------------------------------------------------------------
  std::size_t Size() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  const Tserverrec& At(std::size_t index) const { return entries_[index]; }
  const Tserverlist& Entries() const { return entries_; }
  // Row of the entry with this identity, -1 for none (also for 0).
  int IndexOf(Uid uid) const;
  const Tserverrec* Find(Uid uid) const;
  const tpingit& History(std::size_t index) const { return histories_[index]; }
  const tpingarray& Histories() const { return histories_; }
  // Counts changes of the order and of an entry's host or port text (the
  // reply attribution keeps an index that follows it).
  std::uint64_t Generation() const { return generation_; }

  // --- the list's rows --------------------------------------------------------
  // Replaces every entry (the start-up load); histories start empty.
  void Replace(Tserverlist list);
  // Appends a record with an empty history; returns its uid.
  Uid Append(Tserverrec rec);
  // Removes the entry at index with its history (out of range: nothing).
  void RemoveAt(std::size_t index);
  void Clear();
  // Swaps two rows with their histories (out of range: nothing).
  void Exchange(std::size_t a, std::size_t b);
  // New row i holds what row order[i] held; order is a permutation.
  void Reorder(const std::vector<std::size_t>& order);
  // The menu sorts by ping (the classic unstable quicksort operators know).
  void SortByPing(bool ascending);

  // --- an entry's operator fields -----------------------------------------------
  // Host, port, password and provider of the entry changed in place: same
  // uid, same row. Texts are cut to 250 characters. Returns whether host or
  // port changed (then EntryEdited says so too).
  bool Edit(Uid uid, std::string_view host, std::string_view port, std::string_view rconpass,
            std::string_view provider);
  void SetRconPassword(Uid uid, std::string_view rconpass);

  // --- status ---------------------------------------------------------------------
  // The status values are written by the engine as replies come; it says
  // when it is done with an entry (NoteStatusChanged).
  Tserverrec& MutableAt(std::size_t index) { return entries_[index]; }
  tpingit& MutableHistory(std::size_t index) { return histories_[index]; }
  void NoteStatusChanged(std::size_t index) { emit EntryChanged(static_cast<int>(index)); }
  // The reset after add, edit and delete (every entry; see serverfile.h).
  void ResetAllStatus();
  // The start-up reset after loading.
  void ApplyStartupReset();

 signals:
  // Rows were added, removed, moved or replaced: everything shown by row
  // must be looked at again.
  void RowsChanged();
  // The status values of the entry at index changed.
  void EntryChanged(int index);
  // The operator changed an entry's host, port or password in place.
  void EntryEdited(Uid uid, bool addressChanged);

 private:
  void RowsMoved();

  Tserverlist entries_;
  // Row of each uid: looked up at every reply and every painted cell.
  mutable std::unordered_map<Uid, int> rows_;
  mutable bool rowsStale_ = true;
  tpingarray histories_;
  std::uint64_t generation_ = 0;
};

}  // namespace zelmora
