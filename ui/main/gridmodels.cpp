#include "ui/main/gridmodels.h"

#include <limits>

#include "core/serverfile.h"
#include "core/textutil.h"
#include "engine/clock.h"
#include "engine/historyfeed.h"
#include "geo/flags.h"
#include "geo/namecache.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"
#include "ui/main/icons.h"

namespace zelmora {

namespace {

// Texts of the program's own (headers, numbers, the provider's country
// names) are Windows-1252; a server's texts are read in its encoding.
constexpr TextEncoding kOwn = TextEncoding::Cp1252;

QString Raw(const std::string& text, TextEncoding encoding = kOwn) {
  return DecodeGameText(text, encoding);
}

QString Plain(const std::string& text, TextEncoding encoding = kOwn) {
  return WithoutColorCodes(Raw(text, encoding));
}

// A number to sort by where the text is one; texts that are none ("CNCT",
// "ZMBI", "TOUT") after all numbers.
QVariant NumberOrLast(const std::string& text) {
  const auto n = ParseInt32(TrimCtl(text));
  return n ? QVariant(static_cast<qlonglong>(*n)) : QVariant(std::numeric_limits<qlonglong>::max());
}

// A dotted IPv4 address as a number; anything else sorts after all of them.
quint64 AddressNumber(const std::string& host) {
  if (!IsDottedIPv4(host)) return 0x100000000ULL;
  quint64 n = 0;
  for (const std::string& part : SplitText(host, ".")) n = n * 256 + StrToIntDef(part, 0);
  return n;
}

// The roles every text cell answers alike; sort: the value to sort by (the
// lower-case text when none is given).
QVariant TextCell(const std::string& raw, int role, const QVariant& sort = {},
                  TextEncoding encoding = kOwn) {
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return Plain(raw, encoding);
    case kRawTextRole:
      return Raw(raw, encoding);
    case kSortRole:
      return sort.isValid() ? sort : QVariant(Plain(raw, encoding).toLower());
    default:
      return {};
  }
}

template <std::size_t N>
QVariant Header(const char* const (&headers)[N], int col, int role) {
  if (col < 0 || static_cast<std::size_t>(col) >= N) return {};
  if (role == Qt::DisplayRole || role == kRawTextRole) return FromCp1252(headers[col]);
  return {};
}

// The ping colour of a ping text that is a number other than 0.
QVariant PingForeground(const std::string& text) {
  const int ping = StrToIntDef(text, 0);
  return ping != 0 ? QVariant(PingColor(ping)) : QVariant();
}

}  // namespace

QColor PingColor(int ping) {
  QColor c(0, 198, 99);
  if (ping > 20) c = QColor(0, 166, 83);
  if (ping > 50) c = QColor(0, 106, 53);
  if (ping > 80) c = QColor(0, 0, 0);
  if (ping > 120) c = QColor(128, 0, 255);
  if (ping > 160) c = QColor(255, 0, 128);
  if (ping > 200) c = QColor(255, 0, 0);
  return c;
}

std::string PlayersText(const Tserverrec& e) {
  std::string t = std::to_string(e.players) + "/" + std::to_string(e.maxclients);
  // Appended piece by piece: GCC 12 takes "text" + std::string for an overlapping
  // copy (-Wrestrict, a false alarm, GCC bug 105329).
  if (e.privateclients >= 1) t.append("(").append(std::to_string(e.privateclients)).append(")");
  return t;
}

QColor PlayersColor(const Tserverrec& e) {
  QColor c;
  if (e.maxclients != 0) {
    // 64-bit: the counts come from the network and may be anything.
    const long long players = e.players;
    if (players >= static_cast<long long>(e.maxclients) - e.privateclients) c = kFullRed;
    if (players + 1 == e.maxclients) c = kOneSlotOrange;
  }
  return c;
}

std::string PingCellText(const Tserverrec& e, const Settings& s, std::uint32_t now) {
  const auto cqt = ConvertInteger(s.cqt);
  if (!cqt) return {};
  if (IsTimedOut(e.lastreply, now, *cqt)) return "TOUT";
  if (e.ping < 1) return "?";
  return std::to_string(e.ping);
}

QStringList InfoIconMeanings(const Tserverrec& e, const Settings& s, const QString& country) {
  QStringList out;
  if (s.prov && s.fl && !country.isEmpty() && country != QLatin1String("?"))
    out << QStringLiteral("Land: %1").arg(country);
  if (s.version) {
    switch (e.protocol) {
      case 5:
      case 6:
        out << QStringLiteral("Call of Duty (Protokoll %1)").arg(e.protocol);
        break;
      case 21:
      case 22:
        out << QStringLiteral("Call of Duty: United Offensive (Protokoll %1)").arg(e.protocol);
        break;
      case 115:
      case 117:
      case 118:
        out << QStringLiteral("Call of Duty 2 (Protokoll %1)").arg(e.protocol);
        break;
      default:
        break;
    }
  }
  if (s.pwd && e.passworded) out << QString::fromUtf8("Passwort zum Betreten");
  if (s.rcon && !e.rconpass.empty())
    out << (StoredPasswordProblem(e).empty()
                ? QStringLiteral("rcon-Passwort gespeichert")
                : QStringLiteral("rcon-Passwort unbrauchbar: %1")
                      .arg(QString::fromStdString(StoredPasswordProblem(e))));
  if (s.kc && e.killcam) out << QStringLiteral("Killcam an");
  if (s.ff && e.friendlyfire) out << QStringLiteral("Friendly Fire an");
  if (s.ac && e.punkbuster) out << QStringLiteral("Anti-Cheat (PunkBuster) an");
  if (s.vc && e.voice) out << QStringLiteral("Voice-Chat an");
  return out;
}

std::string ProviderCellText(const Tstatusrow& row) {
  if (row[10].empty() && row[11].empty() && row[12].empty()) return {};
  return row[10] + ";" + row[11] + ";" + row[12];
}

// --- server list -------------------------------------------------------------

ServerListModel::ServerListModel(const QueryEngine& engine,
                                 std::function<const Settings&()> settings, QObject* parent)
    : DrawGridModel(kServerColumns - 1, parent),
      engine_(engine),
      settings_(std::move(settings)),
      now_(&TickCount32) {
  SetFixedColumn(true);
}

QVariant ServerListModel::InfosCell(const Tserverrec& e, const Settings& s, int role) const {
  if (role == kFlagRole) {
    if (!s.prov || !s.fl) return -1;
    return FindFlag(engine_.FlagCodes(), LowerAscii(FieldOf(e.provider.view(), ";", 1)));
  }
  if (role == kIconsRole) {
    QVariantList icons;
    if (s.version) {
      int icon = -1;  // the slot stays, empty, for a game of no known protocol
      if (e.protocol == 5 || e.protocol == 6) icon = kIconCod1;
      if (e.protocol == 21 || e.protocol == 22) icon = kIconUo;
      if (e.protocol == 115 || e.protocol == 117 || e.protocol == 118) icon = kIconCod2;
      icons << icon;
    }
    if (s.pwd && e.passworded) icons << kIconPassword;
    // A stored password that cannot be used shows no rcon icon.
    if (s.rcon && !e.rconpass.empty() && StoredPasswordProblem(e).empty()) icons << kIconRcon;
    if (s.kc && e.killcam) icons << kIconKillcam;
    if (s.ff && e.friendlyfire) icons << kIconFriendlyFire;
    if (s.ac && e.punkbuster) icons << kIconAnticheat;
    if (s.vc && e.voice) icons << kIconVoice;
    return icons;
  }
  const QStringList meanings =
      InfoIconMeanings(e, s, FromCp1252(FieldOf(e.provider.view(), ";", 2)));
  if (role == Qt::DisplayRole) return meanings.join(QStringLiteral(", "));
  if (role == Qt::ToolTipRole) return meanings.join(QLatin1Char('\n'));
  if (role == kSortRole) return static_cast<int>(e.protocol);
  return {};
}

QVariant ServerListModel::PingCell(const Tserverrec& e, const Settings& s, int role) const {
  const std::string raw = PingCellText(e, s, now_ ? now_() : TickCount32());
  // Answering, but only as often as its limiter lets requests through.
  const bool limited = !raw.empty() && raw != "TOUT" && engine_.IsLimited(e.uid);
  switch (role) {
    case kSortRole:  // servers that do not answer after all that do
      return raw == "TOUT" || raw == "?" ? INT32_MAX : e.ping;
    case Qt::ForegroundRole:
      if (raw.empty()) return {};
      if (raw == "TOUT") return kFullRed;
      return raw == "?" ? QColor(0, 0, 0) : PingColor(e.ping);
    case kMarkRole:
      return limited;
    case Qt::ToolTipRole:
      if (raw == "TOUT") return QString::fromUtf8("Keine Antwort mehr (Zeitüberschreitung)");
      if (limited) return QStringLiteral("Server drosselt Anfragen");
      break;
    case Qt::DisplayRole:
      if (limited) return Plain(raw) + QStringLiteral(" (gedrosselt)");
      break;
    default:
      break;
  }
  return TextCell(raw, role);
}

QVariant ServerListModel::CellData(int col, int row, int role) const {
  const ServerList& list = engine_.List();
  // With no server selected (index -1) the header row carries the
  // selection colour, as the list has always shown it.
  if (role == kHighlightRole) return row - 1 == engine_.Selected().Index();
  if (row == 0) {
    if (role == Qt::ToolTipRole && col >= 0 && col < kServerColumns)
      return QString::fromUtf8("Ein Klick sortiert die Liste nach dieser Spalte");
    return Header(kServerHeaders, col, role);
  }
  const Tserverrec* e = RowOf(list.Entries(), row);
  if (!e) return {};
  const Settings& s = settings_();
  std::string raw;
  switch (static_cast<ServerColumn>(col)) {
    case ServerColumn::Infos:
      return InfosCell(*e, s, role);
    case ServerColumn::Name:
      if (role == kWatchRole) return engine_.HasWatchedPlayer(e->uid);
      if (role == Qt::ToolTipRole && engine_.HasWatchedPlayer(e->uid)) {
        QStringList tip{Plain(e->hostname.str(), EncodingOf(*e))};
        for (const WatchAlertInfo& w : engine_.Feed()->WatchedOn(e->uid))
          tip << QStringLiteral("Beobachteter Spieler: %1").arg(Plain(w.player, EncodingOf(*e)));
        return tip.join(QLatin1Char('\n'));
      }
      return TextCell(e->hostname.str(), role, {}, EncodingOf(*e));
    case ServerColumn::Map:
      return TextCell(e->mapinfo.str(), role, {}, EncodingOf(*e));
    case ServerColumn::Players:
      raw = PlayersText(*e);
      if (role == kSortRole) return e->players;
      if (role == Qt::ForegroundRole) {
        const QColor c = PlayersColor(*e);
        return c.isValid() ? QVariant(c) : QVariant();
      }
      break;
    case ServerColumn::Ping:
      return PingCell(*e, s, role);
    case ServerColumn::Address:
      raw = e->host.str() + ":" + e->port.str();
      // By address and port as numbers; names after all addresses.
      if (role == kSortRole)
        return static_cast<qulonglong>((AddressNumber(e->host.str()) << 16) |
                                       (StrToIntDef(e->port.str(), 0) & 0xffff));
      break;
    case ServerColumn::Provider:
      raw = e->provider.str();
      break;
  }
  return TextCell(raw, role);
}

// --- server variables ------------------------------------------------------

ServerVarsModel::ServerVarsModel(SessionSource source, QObject* parent)
    : DrawGridModel(2, parent), source_(std::move(source)) {}

QVariant ServerVarsModel::CellData(int col, int row, int role) const {
  if (row == 0) return Header(kGrid3Headers, col, role);
  const ServerSession* s = source_();
  const auto* e = s ? RowOf(s->Vars(), row) : nullptr;
  if (!e) return {};
  return TextCell(col == 0 ? e->first : e->second, role, {}, EncodingOfServer(s));
}

// --- players of the status reply ---------------------------------------------

PlayerRowsModel::PlayerRowsModel(SessionSource source, QObject* parent)
    : DrawGridModel(3, parent), source_(std::move(source)) {}

QVariant PlayerRowsModel::CellData(int col, int row, int role) const {
  if (row == 0) return Header(kGrid4Headers, col, role);
  const ServerSession* s = source_();
  const auto* e = s ? RowOf(s->Players(), row) : nullptr;
  if (!e || col < 0 || col > 2) return {};
  // Columns: name, score, ping; the row holds score, ping, name.
  static const int kField[] = {2, 0, 1};
  const std::string& raw = (*e)[static_cast<std::size_t>(kField[col])];
  if (role == Qt::ForegroundRole) return col == 2 ? PingForeground(raw) : QVariant();
  return TextCell(raw, role, col == 0 ? QVariant() : NumberOrLast(raw), EncodingOfServer(s));
}

// --- rcon player table -------------------------------------------------------

StatusRowsModel::StatusRowsModel(SessionSource source, std::function<int()> highlighted,
                                 std::function<const Settings&()> settings, QObject* parent)
    : DrawGridModel(9, parent),
      source_(std::move(source)),
      highlighted_(std::move(highlighted)),
      settings_(std::move(settings)) {}

QVariant StatusRowsModel::CellData(int col, int row, int role) const {
  if (role == kHighlightRole) return row >= 1 && row - 1 == highlighted_();
  if (row == 0) return Header(kGrid2Headers, col, role);
  const ServerSession* s = source_();
  const Tstatusrow* e = s ? RowOf(s->Table(), row) : nullptr;
  if (!e) return {};
  const Tstatusrow& r = *e;
  const TextEncoding encoding = EncodingOfServer(s);
  std::string raw;
  bool number = false;
  switch (static_cast<StatusColumn>(col)) {
    case StatusColumn::Name:
      raw = r[1];
      if (!r[9].empty() && r[9] != r[1]) raw = r[1] + " ^0(" + r[9] + "^0)";
      if (role == kBoldRole) return !r[9].empty();
      if (role == kFlagRole) return settings_().prov ? StrToIntDef(r[13], -1) : -1;
      if (role == Qt::ToolTipRole) {
        QStringList tip{Plain(r[1], encoding)};
        if (!r[9].empty()) tip << QStringLiteral("Gemerkt als: %1").arg(Plain(r[9], encoding));
        if (!r[12].empty() && r[12] != "?") tip << QStringLiteral("Land: %1").arg(Plain(r[12]));
        return tip.join(QLatin1Char('\n'));
      }
      break;
    case StatusColumn::Id:
      raw = r[0];
      number = true;
      break;
    case StatusColumn::Score:
      raw = r[4];
      number = true;
      break;
    case StatusColumn::Guid:
      raw = r[3];
      if (role == Qt::ToolTipRole && raw == "0") return QStringLiteral("Keine GUID");
      if (role == Qt::ForegroundRole) return raw == "0" ? QVariant(kFullRed) : QVariant();
      return TextCell(raw, role);
    case StatusColumn::Ping:
      raw = r[2];
      number = true;
      if (role == Qt::ForegroundRole) return PingForeground(raw);
      break;
    case StatusColumn::Address:
      raw = r[6];
      break;
    case StatusColumn::Provider:
      return TextCell(ProviderCellText(r), role);
    case StatusColumn::Lastmsg:
      raw = r[5];
      number = true;
      break;
    case StatusColumn::Rate:
      raw = r[8];
      number = true;
      break;
    default:
      return {};
  }
  return TextCell(raw, role, number ? NumberOrLast(raw) : QVariant(), encoding);
}

}  // namespace zelmora
