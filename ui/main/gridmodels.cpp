#include "ui/main/gridmodels.h"

#include <limits>

#include "core/textutil.h"
#include "engine/clock.h"
#include "geo/namecache.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"
#include "ui/dialogs/cp1252.h"
#include "ui/main/detailgrids.h"
#include "ui/main/serverlistview.h"

namespace zelmora {

namespace {

QString Plain(const std::string& text) {
  return FromCp1252(StripColorCodes(text));
}

QString Raw(const std::string& text) {
  return FromCp1252(text);
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
QVariant TextCell(const std::string& raw, int role, const QVariant& sort = {}) {
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return Plain(raw);
    case kRawTextRole:
      return Raw(raw);
    case kSortRole:
      return sort.isValid() ? sort : QVariant(Plain(raw).toLower());
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

}  // namespace

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
  if (s.rcon && !e.rconpass.empty()) out << QStringLiteral("rcon-Passwort gespeichert");
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

ServerListModel::ServerListModel(const AppState& state, std::function<const Settings&()> settings,
                                 QObject* parent)
    : DrawGridModel(kServerColumns - 1, parent),
      state_(state),
      settings_(std::move(settings)),
      now_(&TickCount32) {
  SetFixedColumn(true);
}

QVariant ServerListModel::CellData(int col, int row, int role) const {
  if (row == 0) {
    if (role == Qt::ToolTipRole && col >= 0 && col < kServerColumns)
      return QString::fromUtf8("Ein Klick sortiert die Liste nach dieser Spalte");
    return Header(kServerHeaders, col, role);
  }
  if (row < 1 || static_cast<std::size_t>(row - 1) >= state_.serverlist.size()) return {};
  const Tserverrec& e = state_.serverlist[static_cast<std::size_t>(row - 1)];
  const Settings& s = settings_();
  const auto column = static_cast<ServerColumn>(col);
  std::string raw;
  switch (column) {
    case ServerColumn::Infos: {
      const QStringList meanings =
          InfoIconMeanings(e, s, FromCp1252(FieldOf(e.provider.view(), ";", 2)));
      if (role == Qt::DisplayRole || role == kRawTextRole)
        return meanings.join(QStringLiteral(", "));
      if (role == Qt::ToolTipRole) return meanings.join(QLatin1Char('\n'));
      if (role == kSortRole) return static_cast<int>(e.protocol);
      return {};
    }
    case ServerColumn::Name:
      raw = e.hostname.str();
      break;
    case ServerColumn::Map:
      raw = e.mapinfo.str();
      break;
    case ServerColumn::Players:
      raw = PlayersText(e);
      if (role == kSortRole) return e.players;
      break;
    case ServerColumn::Ping:
      raw = PingCellText(e, s, now_ ? now_() : TickCount32());
      // Servers that do not answer after all that do.
      if (role == kSortRole) return raw == "TOUT" || raw == "?" ? INT32_MAX : e.ping;
      if (role == Qt::ToolTipRole && raw == "TOUT")
        return QString::fromUtf8("Keine Antwort mehr (Zeitüberschreitung)");
      // Answering, but only as often as its limiter lets requests through:
      // the painter puts a mark behind the ping.
      if (!raw.empty() && raw != "TOUT" && state_.throttled.count(e.uid)) {
        if (role == Qt::ToolTipRole) return QStringLiteral("Server drosselt Anfragen");
        if (role == Qt::DisplayRole) return Plain(raw) + QStringLiteral(" (gedrosselt)");
      }
      break;
    case ServerColumn::Address: {
      raw = e.host.str() + ":" + e.port.str();
      if (role == kSortRole) {
        // By address and port as numbers; names after all addresses.
        return static_cast<qulonglong>((AddressNumber(e.host.str()) << 16) |
                                       (StrToIntDef(e.port.str(), 0) & 0xffff));
      }
      break;
    }
    case ServerColumn::Provider:
      raw = e.provider.str();
      break;
  }
  return TextCell(raw, role);
}

// --- server variables ------------------------------------------------------

ServerVarsModel::ServerVarsModel(const AppState& state, QObject* parent)
    : DrawGridModel(2, parent), state_(state) {}

QVariant ServerVarsModel::CellData(int col, int row, int role) const {
  if (row == 0) return Header(kGrid3Headers, col, role);
  if (row < 1 || static_cast<std::size_t>(row - 1) >= state_.serverVarsView.size()) return {};
  const auto& e = state_.serverVarsView[static_cast<std::size_t>(row - 1)];
  return TextCell(col == 0 ? e.first : e.second, role);
}

// --- players of the status reply ---------------------------------------------

PlayerRowsModel::PlayerRowsModel(const AppState& state, QObject* parent)
    : DrawGridModel(3, parent), state_(state) {}

QVariant PlayerRowsModel::CellData(int col, int row, int role) const {
  if (row == 0) return Header(kGrid4Headers, col, role);
  if (row < 1 || static_cast<std::size_t>(row - 1) >= state_.playerRowsView.size()) return {};
  const auto& e = state_.playerRowsView[static_cast<std::size_t>(row - 1)];
  // Columns: name, score, ping; the row holds score, ping, name.
  static const int kField[] = {2, 0, 1};
  if (col < 0 || col > 2) return {};
  const std::string& raw = e[static_cast<std::size_t>(kField[col])];
  return TextCell(raw, role, col == 0 ? QVariant() : NumberOrLast(raw));
}

// --- rcon player table -------------------------------------------------------

StatusRowsModel::StatusRowsModel(const AppState& state, QObject* parent)
    : DrawGridModel(9, parent), state_(state) {}

QVariant StatusRowsModel::CellData(int col, int row, int role) const {
  if (row == 0) return Header(kGrid2Headers, col, role);
  if (row < 1 || static_cast<std::size_t>(row - 1) >= state_.statusRowsView.size()) return {};
  const Tstatusrow& e = state_.statusRowsView[static_cast<std::size_t>(row - 1)];
  std::string raw;
  bool number = false;
  switch (static_cast<StatusColumn>(col)) {
    case StatusColumn::Name:
      raw = e[1];
      if (!e[9].empty() && e[9] != e[1]) raw = e[1] + " ^0(" + e[9] + "^0)";
      if (role == Qt::ToolTipRole) {
        QStringList tip{Plain(e[1])};
        if (!e[9].empty()) tip << QStringLiteral("Gemerkt als: %1").arg(Plain(e[9]));
        if (!e[12].empty() && e[12] != "?") tip << QStringLiteral("Land: %1").arg(Plain(e[12]));
        return tip.join(QLatin1Char('\n'));
      }
      break;
    case StatusColumn::Id:
      raw = e[0];
      number = true;
      break;
    case StatusColumn::Score:
      raw = e[4];
      number = true;
      break;
    case StatusColumn::Guid:
      raw = e[3];
      if (role == Qt::ToolTipRole && raw == "0") return QStringLiteral("Keine GUID");
      break;
    case StatusColumn::Ping:
      raw = e[2];
      number = true;
      break;
    case StatusColumn::Address:
      raw = e[6];
      break;
    case StatusColumn::Provider:
      raw = ProviderCellText(e);
      break;
    case StatusColumn::Lastmsg:
      raw = e[5];
      number = true;
      break;
    case StatusColumn::Rate:
      raw = e[8];
      number = true;
      break;
    default:
      return {};
  }
  return TextCell(raw, role, number ? NumberOrLast(raw) : QVariant());
}

}  // namespace zelmora
