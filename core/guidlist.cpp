#include "core/guidlist.h"

#include "core/recordfile.h"

#include <iterator>

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
  return LoadRecordFile(path, kGuidRecSize, DecodeGuidRec, out, error);
}

bool SaveGuids(const std::string& path, const Tguidlist& list, std::string* error) {
  return SaveRecordFile(path, kGuidRecSize, EncodeGuidRec, list, error);
}

GuidToggle RememberOrForgetGuid(Tguidlist& list, std::string_view guid, std::string_view name) {
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if (it->guid.view() == guid) {
      list.erase(std::next(it).base());
      return GuidToggle::Forgotten;
    }
  }
  Tguidrec rec;
  rec.guid.assign(guid);
  rec.name.assign(name);
  list.push_back(rec);
  return GuidToggle::Remembered;
}

}  // namespace zelmora
