#include "countrynames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "core/fileio.h"
#include "mocatalog.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora::datagen {

namespace {

// Codes of the database that are no ISO countries.
const std::map<std::string, std::string> kRegions = {
    {"A1", "Anonymer Proxy"}, {"A2", "Satellitenanbieter"},
    {"O1", "Sonstige"},       {"AP", "Asien/Pazifik"},
    {"EU", "Europa"},
};

}  // namespace

bool CountryNames::Load(const std::string& isoJsonDir, const std::string& localeDir,
                        std::string* error) {
  german_.clear();
  std::string json, mo;
  const std::string jsonPath = isoJsonDir + "/iso_3166-1.json";
  const std::string moPath = localeDir + "/de/LC_MESSAGES/iso_3166-1.mo";
  for (const auto& [path, bytes] : {std::pair{&jsonPath, &json}, std::pair{&moPath, &mo}}) {
    if (ReadWholeFile(*path, *bytes, error) != ReadResult::kOk) {
      if (error && error->empty()) *error = *path + ": missing";
      return false;
    }
  }
  const auto catalogue = ParseMoCatalog(mo);
  if (catalogue.empty()) {
    if (error) *error = moPath + ": not a message catalogue";
    return false;
  }
  QJsonParseError jsonError{};
  const QJsonDocument doc = QJsonDocument::fromJson(
      QByteArray(json.data(), static_cast<qsizetype>(json.size())), &jsonError);
  const QJsonArray list = doc.object().value(QStringLiteral("3166-1")).toArray();
  if (list.isEmpty()) {
    if (error) *error = jsonPath + ": no country list";
    return false;
  }
  for (const QJsonValue& v : list) {
    const QJsonObject c = v.toObject();
    const std::string code = c.value(QStringLiteral("alpha_2")).toString().toStdString();
    QString english = c.value(QStringLiteral("common_name")).toString();
    if (english.isEmpty()) english = c.value(QStringLiteral("name")).toString();
    if (code.size() != 2 || english.isEmpty()) continue;
    const auto it = catalogue.find(english.toStdString());
    german_[code] = it != catalogue.end() ? it->second : english.toStdString();
  }
  return true;
}

std::string CountryNames::Local(const std::string& cc, const std::string& databaseName) const {
  if (const auto it = german_.find(cc); it != german_.end())
    return ToCp1252(QString::fromStdString(it->second));
  if (const auto it = kRegions.find(cc); it != kRegions.end()) return it->second;
  return ToCp1252(QString::fromStdString(databaseName));
}

}  // namespace zelmora::datagen
