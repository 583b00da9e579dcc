#include "core/guidlist.h"

#include "core/fileio.h"

namespace zelmora {

static_assert(decltype(Tguidrec::guid)::kFileSize + decltype(Tguidrec::name)::kFileSize ==
              kGuidRecSize);

void EncodeGuidRec(const Tguidrec& rec, std::uint8_t* out) {
  rec.guid.encode(out);
  rec.name.encode(out + decltype(Tguidrec::guid)::kFileSize);
}

Tguidrec DecodeGuidRec(const std::uint8_t* in) {
  Tguidrec rec;
  rec.guid.decode(in);
  rec.name.decode(in + decltype(Tguidrec::guid)::kFileSize);
  return rec;
}

bool LoadGuids(const std::string& path, Tguidlist& out, std::string* error) {
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
  const std::size_t count = bytes.size() / kGuidRecSize;
  Tguidlist list;
  list.reserve(count);
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  for (std::size_t i = 0; i < count; ++i) list.push_back(DecodeGuidRec(p + i * kGuidRecSize));
  out = std::move(list);
  return true;
}

bool SaveGuids(const std::string& path, const Tguidlist& list, std::string* error) {
  std::string bytes(list.size() * kGuidRecSize, '\0');
  auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
  for (std::size_t i = 0; i < list.size(); ++i) EncodeGuidRec(list[i], p + i * kGuidRecSize);
  return WriteFileAtomic(path, bytes, error);
}

}  // namespace zelmora
