// The selected server, held as its identity (uid). The row, the entry, the
// target of the tabs and the password rcon carries are all derived from it,
// so they can never part: a sort moves the highlighted row with its server,
// an edit in place keeps it, and whoever deletes the selected entry says
// which one is selected next.
//
// Main thread only.
#pragma once

#include <QObject>

#include <cstdint>

#include "engine/serverlist.h"

namespace zelmora {

class Selection : public QObject {
  Q_OBJECT

 public:
  using Uid = std::uint64_t;

  explicit Selection(const ServerList& list, QObject* parent = nullptr)
      : QObject(parent), list_(list) {}

  // The selected entry's identity, 0 for none.
  Uid SelectedUid() const { return list_.Find(uid_) ? uid_ : 0; }
  // Its row, -1 for none.
  int Index() const { return list_.IndexOf(uid_); }
  // The entry, nullptr for none.
  const Tserverrec* Entry() const { return list_.Find(uid_); }
  bool Valid() const { return Entry() != nullptr; }
  bool Is(Uid uid) const { return uid != 0 && SelectedUid() == uid; }

  // Selects the entry with this identity (0: none). Changed is emitted when
  // it is another one than before.
  void Select(Uid uid) {
    const Uid before = uid_;
    uid_ = list_.Find(uid) ? uid : 0;
    if (uid_ != before) emit Changed(before, uid_);
  }
  // Selects the entry on row index; none when there is no such row.
  void SelectRow(int index) {
    Select(index >= 0 && static_cast<std::size_t>(index) < list_.Size()
               ? list_.At(static_cast<std::size_t>(index)).uid
               : 0);
  }

 signals:
  void Changed(Uid before, Uid now);

 private:
  const ServerList& list_;
  Uid uid_ = 0;
};

}  // namespace zelmora
