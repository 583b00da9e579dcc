// Record files: plain sequences of fixed-size records without header or
// trailer (Servers.dat, Guids.dat, Ranges.dat). A trailing partial record is
// ignored; saving replaces the file atomically (see WriteFileAtomic).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/fileio.h"

namespace zelmora {

// Reads every whole record of the file. A missing file gives an empty list
// (true); a file that exists but cannot be read leaves out unchanged and
// returns false with the reason.
template <typename Rec, typename Decode>
bool LoadRecordFile(const std::string& path, std::size_t recSize, Decode decode,
                    std::vector<Rec>& out, std::string* error) {
  std::string bytes;
  switch (ReadWholeFile(path, bytes, error)) {
    case ReadResult::kMissing:
      out.clear();
      return true;
    case ReadResult::kError:
      return false;
    case ReadResult::kOk:
      break;
  }
  const std::size_t count = bytes.size() / recSize;
  std::vector<Rec> list;
  list.reserve(count);
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  for (std::size_t i = 0; i < count; ++i) list.push_back(decode(p + i * recSize));
  out = std::move(list);
  return true;
}

// Writes the records in list order, recSize bytes each.
template <typename Rec, typename Encode>
bool SaveRecordFile(const std::string& path, std::size_t recSize, Encode encode,
                    const std::vector<Rec>& list, std::string* error,
                    NewFileMode newMode = NewFileMode::kUsual) {
  std::string bytes(list.size() * recSize, '\0');
  auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
  for (std::size_t i = 0; i < list.size(); ++i) encode(list[i], p + i * recSize);
  return WriteFileAtomic(path, bytes, error, newMode);
}

}  // namespace zelmora
