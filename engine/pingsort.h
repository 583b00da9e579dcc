// In-place sorting of the server list by ping, and the row exchange of the
// list view. The sort is the classic quicksort over positions with a pivot
// position, unstable: servers with equal ping may change their relative order,
// and operators are used to exactly that order, so it is kept as it is.
#pragma once

#include <vector>

#include "core/serverrec.h"

namespace zelmora {

// A generic in-place quicksort over positions 0..n-1 of some sequence.
class TSortBaseClass {
 public:
  explicit TSortBaseClass(bool ascendingOrder = true) : ascending(ascendingOrder) {}
  virtual ~TSortBaseClass() = default;

  // -1, 0 or +1 for the items at positions i and j.
  virtual int CompareUp(int i, int j) = 0;
  virtual int CompareDown(int i, int j) = 0;
  virtual void Exchange(int i, int j) = 0;

  // Sorts positions L..R (CompareUp when ascending, else CompareDown).
  void QuickSort(int L, int R);

  bool ascending;

 private:
  int Compare(int i, int j) { return ascending ? CompareUp(i, j) : CompareDown(i, j); }
};

// Sorts serverlist by the raw ping value and keeps pingHistory aligned with it:
// an exchange swaps two complete records and their ping histories.
class TSortsArray final : public TSortBaseClass {
 public:
  TSortsArray(Tserverlist& list, std::vector<std::vector<double>>& pingHistory,
              bool ascendingOrder = true)
      : TSortBaseClass(ascendingOrder), list_(list), history_(pingHistory) {}

  int CompareUp(int i, int j) override;
  int CompareDown(int i, int j) override;
  // Out-of-range positions are left alone (a history list that is shorter
  // than the server list only swaps what exists).
  void Exchange(int i, int j) override;

 private:
  Tserverlist& list_;
  std::vector<std::vector<double>>& history_;
};

// The two menu sorts: QuickSort(0, n - 1) when the list holds at least two
// entries.
void SortServersByPing(Tserverlist& list, std::vector<std::vector<double>>& pingHistory,
                       bool ascending);

}  // namespace zelmora
