#include "app/shellform.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTimer>

#include <ostream>

#include "core/encoding.h"
#include "core/paths.h"
#include "core/serverencoding.h"
#include "core/serverfile.h"
#include "core/settings.h"
#include "core/textutil.h"
#include "engine/queryengine.h"
#include "engine/rconbatch.h"
#include "protocol/colorcodes.h"

namespace zelmora {

namespace {

constexpr const char* kDefaultPort = "28960";
// A batch with a server that limits requests may take a while; one that
// has not ended by then drops what still waits.
constexpr int kSendDeadlineMs = 120000;
// A status query is asked up to three times, a second apart.
constexpr int kQueryTries = 3;
constexpr int kQueryWaitMs = 4000;

// A server's text as UTF-8 for the terminal, colour codes removed.
std::string Shown(std::string_view bytes, TextEncoding encoding) {
  return StripColorCodesUtf8(GameTextToUtf8(bytes, encoding));
}

std::string AddressOf(const Tserverrec& e) {
  return GameTextToUtf8(e.host.str() + ":" + e.port.str(), TextEncoding::Cp1252);
}

QJsonValue Time(const QDateTime& at) {
  // UTC, with its "Z": the same moment wherever the output is read.
  return at.isValid() ? QJsonValue(at.toUTC().toString(Qt::ISODateWithMs)) : QJsonValue();
}

QString Json(const QJsonObject& o) {
  return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

void PrintRow(std::ostream& out, const RconBatch::Row& r, TextEncoding encoding, bool json) {
  const std::string name = Shown(r.name, encoding);
  const std::string first = Shown(r.FirstLine(), encoding);
  const char* state = RconBatch::StateText(r.state);
  if (!json) {
    out << (name.empty() || name == r.address ? r.address : name + " (" + r.address + ")") << ": "
        << state << (first.empty() ? "" : " – " + first) << '\n';
    return;
  }
  QJsonObject o{{"server", Q(name)},
                {"address", Q(r.address)},
                {"state", QString::fromUtf8(state)},
                {"ok", r.state == RconBatch::State::Done},
                {"sent", Time(r.sent)},
                {"answered", Time(r.answered)}};
  if (r.output) {
    QJsonArray lines;
    for (const std::string& line : *r.output) lines.append(Q(Shown(line, encoding)));
    o.insert("output", lines);
  } else {
    o.insert("output", QJsonValue());
  }
  out << Json(o).toStdString() << '\n';
}

int RunSend(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const std::string path = DataPath("Servers.dat");
  Tserverlist list;
  std::string error;
  if (!LoadServers(path, list, &error)) {
    err << "zelmora: " << error << '\n';
    return 1;
  }
  std::vector<std::size_t> picked;
  if (line.all) {
    for (std::size_t i = 0; i < list.size(); ++i) picked.push_back(i);
  } else {
    std::vector<std::string> unknown;
    picked = PickServers(list, line.servers, &unknown);
    for (const std::string& name : unknown)
      err << "zelmora: kein Server „" << name << "“ in " << path << '\n';
    if (!unknown.empty()) return kUsageExitStatus;
  }
  if (picked.empty()) {
    err << "zelmora: keine Server in " << path << '\n';
    return 1;
  }
  SettingsStore settings;
  QueryEngine engine(settings);
  Tserverlist chosen;
  for (std::size_t i : picked) chosen.push_back(list[i]);
  engine.List().Replace(std::move(chosen));
  if (!engine.Start()) {
    err << "zelmora: Die Netzwerk-Sockets konnten nicht angelegt werden.\n";
    return 1;
  }
  std::vector<RconBatch::Item> items;
  // Automatic: a server whose stored name is UTF-8 was last seen speaking it.
  for (const Tserverrec& e : engine.List().Entries())
    items.push_back(
        {e.uid, Utf8ToGameText(line.command, EncodingOf(e), HasUtf8Sequence(e.hostname.view()))});
  RconBatch batch(engine);
  QObject::connect(&batch, &RconBatch::AllDone, qApp, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  QTimer::singleShot(kSendDeadlineMs, &batch, [&batch] { batch.Cancel(); });
  batch.Start(std::move(items));
  if (!batch.Finished()) QCoreApplication::exec();
  for (const RconBatch::Row& r : batch.Rows()) {
    const Tserverrec* e = engine.List().Find(r.server);
    PrintRow(out, r, e ? EncodingOf(*e) : TextEncoding::Automatic, line.json);
  }
  out.flush();
  engine.Shutdown();
  if (!out) return 1;
  return batch.Failures() > 0 ? 1 : 0;
}

void PrintStatus(std::ostream& out, const Tserverrec& e, const ServerSession& s, bool json) {
  const TextEncoding enc = EncodingOf(e);
  const std::string name = Shown(ServerVar(s.Vars(), "sv_hostname"), enc);
  const std::string map = Shown(ServerVar(s.Vars(), "mapname"), enc);
  const std::string type = Shown(ServerVar(s.Vars(), "g_gametype"), enc);
  if (json) {
    QJsonArray players;
    for (const auto& p : s.Players())
      players.append(QJsonObject{
          {"name", Q(Shown(p[2], enc))}, {"score", StrToIntDef(p[0], 0)}, {"ping", Q(p[1])}});
    QJsonObject vars;
    for (const auto& [k, v] : s.Vars()) vars.insert(Q(Shown(k, enc)), Q(Shown(v, enc)));
    out << Json(QJsonObject{{"address", Q(AddressOf(e))},
                            {"state", QStringLiteral("beantwortet")},
                            {"name", Q(name)},
                            {"map", Q(map)},
                            {"gametype", Q(type)},
                            {"players", e.players},
                            {"maxclients", e.maxclients},
                            {"privateclients", e.privateclients},
                            {"ping", e.ping},
                            {"protocol", static_cast<int>(e.protocol)},
                            {"playerList", players},
                            {"vars", vars}})
               .toStdString()
        << '\n';
    return;
  }
  out << "Server:     " << name << '\n'
      << "Adresse:    " << AddressOf(e) << '\n'
      << "Karte:      " << map << '\n'
      << "Spielmodus: " << type << '\n'
      << "Spieler:    " << e.players << '/' << e.maxclients;
  if (e.privateclients > 0) out << " (" << e.privateclients << " privat)";
  out << '\n'
      << "Ping:       " << e.ping << " ms\n"
      << "Protokoll:  " << static_cast<int>(e.protocol) << '\n';
  if (s.Players().empty()) return;
  out << "Punkte  Ping  Name\n";
  for (const auto& p : s.Players()) {
    std::string score = p[0], ping = p[1];
    score.insert(0, score.size() < 6 ? 6 - score.size() : 0, ' ');
    ping.insert(0, ping.size() < 4 ? 4 - ping.size() : 0, ' ');
    out << score << "  " << ping << "  " << Shown(p[2], enc) << '\n';
  }
}

int RunQuery(const CommandLine& line, std::ostream& out, std::ostream& err) {
  std::string host = line.address;
  std::string port = kDefaultPort;
  if (const std::size_t colon = host.rfind(':'); colon != std::string::npos) {
    port = host.substr(colon + 1);
    host.resize(colon);
  }
  const auto number = ParseInt32(port);
  if (host.empty() || !IsDecimalNumber(port) || !number || *number < 1 || *number > 65535) {
    err << RefusalText("ungültige Adresse „" + line.address + "“");
    return kUsageExitStatus;
  }
  Tserverrec rec;
  rec.host.assign(host);
  rec.port.assign(std::to_string(*number));
  // A listed server of that address lends its encoding.
  Tserverlist listed;
  std::string ignored;
  if (LoadServers(DataPath("Servers.dat"), listed, &ignored))
    for (const Tserverrec& e : listed)
      if (e.host == rec.host.view() && e.port == rec.port.view()) SetEncoding(rec, EncodingOf(e));
  SettingsStore settings;
  QueryEngine engine(settings);
  engine.List().Replace({rec});
  if (!engine.Start()) {
    err << "zelmora: Die Netzwerk-Sockets konnten nicht angelegt werden.\n";
    return 1;
  }
  ServerSession* session = engine.Session(engine.List().At(0).uid);
  QObject::connect(session, &ServerSession::StatusChanged, qApp, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  // A name is looked up in the background: the query goes once it is known.
  int sent = 0;
  QTimer ask;
  const auto tryAsk = [&] {
    if (sent >= kQueryTries) return;
    if (engine.SendGetStatus(0)) {
      ++sent;
      ask.setInterval(1000);
    }
  };
  QObject::connect(&ask, &QTimer::timeout, tryAsk);
  ask.start(100);
  tryAsk();
  QTimer::singleShot(kQueryWaitMs, qApp, &QCoreApplication::quit);
  QCoreApplication::exec();
  ask.stop();
  const Tserverrec& e = engine.List().At(0);
  if (!session->HasStatus()) {
    if (line.json)
      out << Json(QJsonObject{{"address", Q(AddressOf(e))},
                              {"state", QStringLiteral("keine Antwort")}})
                 .toStdString()
          << '\n';
    else
      out << AddressOf(e) << ": keine Antwort\n";
    out.flush();
    return 1;
  }
  PrintStatus(out, e, *session, line.json);
  out.flush();
  return out ? 0 : 1;
}

}  // namespace

DataFolders AppDataFolders() {
  // UTF-8, as core's file layer expects every path (on Windows it opens them
  // with the wide API, so any folder name works).
  const std::string exeDir =
      QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
  const std::string userData =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString();
  return ChooseDataFolders(exeDir, userData);
}

std::vector<std::size_t> PickServers(const Tserverlist& list, const std::vector<std::string>& items,
                                     std::vector<std::string>* unknown) {
  std::vector<bool> chosen(list.size(), false);
  for (const std::string& item : items) {
    const QString wanted = QString::fromStdString(item);
    bool found = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
      const Tserverrec& e = list[i];
      const bool byAddress = item == AddressOf(e) || e.host == item;
      const bool byName =
          !e.hostname.empty() && QString::fromStdString(Shown(e.hostname.view(), EncodingOf(e)))
                                         .compare(wanted, Qt::CaseInsensitive) == 0;
      if (byAddress || byName) chosen[i] = found = true;
    }
    if (!found && unknown) unknown->push_back(item);
  }
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (chosen[i]) out.push_back(i);
  return out;
}

int RunShellForm(int argc, char** argv, const CommandLine& line, std::ostream& out,
                 std::ostream& err) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Zelmora"));
  const DataFolders folders = AppDataFolders();
  SetDataDir(folders.data);
  return line.action == CommandLine::Action::Query ? RunQuery(line, out, err)
                                                   : RunSend(line, out, err);
}

}  // namespace zelmora
