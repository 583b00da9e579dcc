#include "core/guidlist.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "core/recordfile.h"
#include "core/textutil.h"

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

namespace {

Tguidrec MakeGuidRec(const std::string& guid, std::string_view name) {
  Tguidrec rec;
  rec.guid.assign(guid);
  rec.name.assign(name);
  return rec;
}

}  // namespace

bool GuidNumber(const Tguidrec& rec, std::int32_t* value) {
  const auto n = ParseInt32(rec.guid.view());
  if (!n) return false;
  *value = *n;
  return true;
}

bool HasGuidNumber(const Tguidlist& list, std::int32_t value) {
  for (const Tguidrec& rec : list) {
    std::int32_t n = 0;
    if (GuidNumber(rec, &n) && n == value) return true;
  }
  return false;
}

GuidAddResult AddGuidByHand(Tguidlist& list, const std::string& guidText, const std::string& name) {
  if (name.empty()) return GuidAddResult::kNameMissing;
  const auto number = ParseInt32(TrimCtl(guidText));
  // The field holds 10 characters: numbers below -999999999 would be stored
  // cut and read back as a different GUID, so they are refused like any
  // other text that is not a GUID.
  if (!number || std::to_string(*number).size() > decltype(Tguidrec::guid)::kCapacity)
    return GuidAddResult::kNotANumber;
  if (HasGuidNumber(list, *number)) return GuidAddResult::kDuplicate;
  list.push_back(MakeGuidRec(std::to_string(*number), name));
  return GuidAddResult::kAdded;
}

std::string ExportGuidText(const Tguidlist& list) {
  std::string out;
  for (const Tguidrec& rec : list) {
    out += rec.guid.view();
    out += kGuidSeparator;
    std::string name = rec.name.str();
    std::replace(name.begin(), name.end(), kGuidSeparator, '_');
    out += name;
    out += "\r\n";
  }
  return out;
}

std::size_t ImportGuidText(Tguidlist& list, const std::string& text) {
  // The numbers already in the list, so that a long file is not compared
  // line by line with the whole list (40,000 lines took 12 s that way).
  std::unordered_set<std::int32_t> numbers;
  numbers.reserve(list.size() * 2 + 64);
  for (const Tguidrec& rec : list) {
    std::int32_t n = 0;
    if (GuidNumber(rec, &n)) numbers.insert(n);
  }
  std::size_t taken = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + pos, end - pos);
    // CR LF ends one line, not two.
    pos = end + ((end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ? 2 : 1);

    const std::size_t sep = line.find(kGuidSeparator);
    const std::int32_t guid = StrToIntDef(line.substr(0, sep), 0);
    std::string_view name;
    if (sep != std::string_view::npos) {
      name = line.substr(sep + 1);
      name = name.substr(0, name.find(kGuidSeparator));
    }
    name = name.substr(0, decltype(Tguidrec::name)::kCapacity);
    if (guid <= 0 || name.empty() || !numbers.insert(guid).second) continue;
    list.push_back(MakeGuidRec(std::to_string(guid), name));
    ++taken;
  }
  return taken;
}

bool ImportGuidFile(const std::string& path, Tguidlist& list, std::string* error) {
  std::string text;
  switch (ReadWholeFile(path, text, error)) {
    case ReadResult::kMissing:
      return true;
    case ReadResult::kError:
      return false;
    case ReadResult::kOk:
      break;
  }
  ImportGuidText(list, text);
  return true;
}

bool ExportGuidFile(const std::string& path, const Tguidlist& list, std::string* error) {
  return WriteFileAtomic(path, ExportGuidText(list), error);
}

std::string GuidListLine(const Tguidrec& rec) {
  std::string line = rec.guid.str();
  line += ' ';
  line += rec.name.view();
  return line;
}

bool DeleteGuidAt(Tguidlist& list, std::size_t index) {
  if (index >= list.size()) return false;
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

std::string WithDefaultExtension(const std::string& path, const std::string& ext) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  if (nameStart >= path.size()) return path;  // a folder, not a file name
  if (path.find('.', nameStart) != std::string::npos) return path;
  return path + ext;
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
