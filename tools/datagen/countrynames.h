// German country names for the table, from Debian's iso-codes: the ISO 3166-1
// list (JSON) and its German translation catalogue.
#pragma once

#include <map>
#include <string>

namespace zelmora::datagen {

class CountryNames {
 public:
  // Reads isoJsonDir/iso_3166-1.json and localeDir/de/LC_MESSAGES/iso_3166-1.mo.
  // False with *error set when either is missing or unreadable; the names
  // then fall back to the database's.
  bool Load(const std::string& isoJsonDir, const std::string& localeDir, std::string* error);

  // Windows-1252 name for the code: the German name (of the short common
  // name where ISO has one: "Südkorea", not "Korea, Republik"), for the
  // database's region codes our own German text, else the database's name.
  std::string Local(const std::string& cc, const std::string& databaseName) const;

  std::size_t size() const { return german_.size(); }

 private:
  std::map<std::string, std::string> german_;  // upper-case code -> UTF-8
};

}  // namespace zelmora::datagen
