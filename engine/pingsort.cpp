#include "engine/pingsort.h"

#include <utility>

namespace zelmora {

void TSortBaseClass::QuickSort(int L, int R) {
  int I = 0;
  int J = 0;
  do {
    I = L;
    J = R;
    int P = (L + R) / 2;
    do {
      while (Compare(I, P) < 0) ++I;
      while (Compare(J, P) > 0) --J;
      if (I <= J) {
        if (I != J) {
          Exchange(I, J);
          // The pivot is the item, not the place: when the exchange moved it,
          // follow it. Comparing against whatever landed on the old place
          // leaves lists unsorted (pings 1 2 0 0 would come out 0 1 0 2).
          if (P == I)
            P = J;
          else if (P == J)
            P = I;
        }
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) QuickSort(L, J);
    L = I;
  } while (I < R);
}

namespace {
int Sign(long long v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}
}  // namespace

int TSortsArray::CompareUp(int i, int j) {
  return Sign(static_cast<long long>(list_[static_cast<size_t>(i)].ping) -
              static_cast<long long>(list_[static_cast<size_t>(j)].ping));
}

int TSortsArray::CompareDown(int i, int j) {
  return -CompareUp(i, j);
}

void TSortsArray::Exchange(int i, int j) {
  const auto n = static_cast<int>(list_.size());
  if (i < 0 || j < 0 || i >= n || j >= n) return;
  std::swap(list_[static_cast<size_t>(i)], list_[static_cast<size_t>(j)]);
  const auto h = static_cast<int>(history_.size());
  if (i < h && j < h) std::swap(history_[static_cast<size_t>(i)], history_[static_cast<size_t>(j)]);
}

void SortServersByPing(Tserverlist& list, std::vector<std::vector<double>>& pingHistory,
                       bool ascending) {
  TSortsArray sorter(list, pingHistory, ascending);
  if (list.size() >= 2) sorter.QuickSort(0, static_cast<int>(list.size()) - 1);
}

}  // namespace zelmora
