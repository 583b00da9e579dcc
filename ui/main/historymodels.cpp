#include "ui/main/historymodels.h"

#include <QColor>
#include <QDateTime>
#include <QStringList>

#include <limits>

#include "core/textutil.h"
#include "history/penalties.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"
#include "ui/dialogs/cp1252.h"
#include "ui/main/gridmodels.h"

namespace zelmora {

namespace {

QString Plain(const std::string& raw) {
  return FromCp1252(StripColorCodes(raw));
}

// The roles every text cell answers alike; sort: the value to sort by (the
// lower-case text when none is given).
QVariant Text(const std::string& raw, int role, const QVariant& sort = {}) {
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return Plain(raw);
    case kRawTextRole:
      return FromCp1252(raw);
    case kSortRole:
      return sort.isValid() ? sort : QVariant(Plain(raw).toLower());
    default:
      return {};
  }
}

QVariant Header(const char* const* headers, int count, int col, int role) {
  if (col < 0 || col >= count) return {};
  if (role == Qt::DisplayRole || role == kRawTextRole) return FromCp1252(headers[col]);
  return {};
}

// Names one after another; each may carry colour codes, so black comes
// back before every separator (plain texts need none).
std::string JoinNames(const std::vector<std::string>& names, const char* separator = "^0, ") {
  std::string out;
  for (const std::string& n : names) {
    if (!out.empty()) out += separator;
    out += n;
  }
  return out;
}

// A dotted address as a number to sort by; anything else after them.
qulonglong AddressKey(const std::string& ip) {
  if (!IsDottedIPv4(ip)) return std::numeric_limits<qulonglong>::max();
  qulonglong n = 0;
  for (const std::string& part : SplitText(ip, ".")) n = n * 256 + StrToIntDef(part, 0);
  return n;
}

}  // namespace

QString SeenText(std::int64_t time) {
  if (time == 0) return {};
  return QDateTime::fromSecsSinceEpoch(time).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

// --- players found -------------------------------------------------------------------

HistoryResultsModel::HistoryResultsModel(CountryLookup country, QObject* parent)
    : DrawGridModel(kHistoryColumns, parent), country_(std::move(country)) {}

void HistoryResultsModel::SetRows(std::vector<PlayerSummary> rows) {
  rows_ = std::move(rows);
  countries_.clear();
  countries_.reserve(rows_.size());
  for (const PlayerSummary& p : rows_)
    countries_.push_back(country_ && !p.lastAddress.empty() ? country_(p.lastAddress)
                                                            : AddressCountry{});
  picked_ = -1;
  CellsChanged();
}

const PlayerSummary* HistoryResultsModel::PickedRow() const {
  return picked_ >= 0 && static_cast<std::size_t>(picked_) < rows_.size()
             ? &rows_[static_cast<std::size_t>(picked_)]
             : nullptr;
}

QVariant HistoryResultsModel::CellData(int col, int row, int role) const {
  if (role == kHighlightRole) return row >= 1 && row - 1 == picked_;
  if (row == 0) return Header(kHistoryHeaders, kHistoryColumns, col, role);
  const PlayerSummary* p = RowOf(rows_, row);
  if (!p) return {};
  const AddressCountry& where = countries_[static_cast<std::size_t>(row - 1)];
  switch (static_cast<HistoryColumn>(col)) {
    case HistoryColumn::Name:
      if (role == Qt::ToolTipRole && p->playerId == 0)
        return Plain(p->name) + QStringLiteral("\nNur aus Statusabfragen bekannt (ohne GUID)");
      return Text(p->name, role);
    case HistoryColumn::OtherNames:
      return Text(JoinNames(p->otherNames), role);
    case HistoryColumn::Guid:
      return Text(p->guid, role);
    case HistoryColumn::Address: {
      std::string text = p->lastAddress;
      if (!where.country.empty()) text += " (" + where.country + ")";
      if (role == kFlagRole) return where.flag;
      return Text(text, role, static_cast<qulonglong>(AddressKey(p->lastAddress)));
    }
    case HistoryColumn::FirstSeen:
      if (role == kSortRole) return static_cast<qlonglong>(p->firstSeen);
      if (role == Qt::DisplayRole || role == kRawTextRole || role == Qt::ToolTipRole)
        return SeenText(p->firstSeen);
      return {};
    case HistoryColumn::LastSeen:
      if (role == kSortRole) return static_cast<qlonglong>(p->lastSeen);
      if (role == Qt::DisplayRole || role == kRawTextRole || role == Qt::ToolTipRole)
        return SeenText(p->lastSeen);
      return {};
    case HistoryColumn::Servers: {
      std::vector<std::string> names;
      // Plain: a row of coloured server names reads badly beside the player's.
      for (const ServerSeen& s : p->servers)
        names.push_back(s.name.empty() ? s.key : StripColorCodes(s.name));
      if (role == Qt::ToolTipRole) {
        QStringList lines;
        for (const ServerSeen& s : p->servers)
          lines << QStringLiteral("%1 (%2)").arg(Plain(s.name), FromCp1252(s.key));
        return lines.join(QLatin1Char('\n'));
      }
      return Text(JoinNames(names, ", "), role, static_cast<int>(p->servers.size()));
    }
    case HistoryColumn::Penalties:
      return Text(p->penalties ? std::to_string(p->penalties) : std::string(), role, p->penalties);
  }
  return {};
}

// --- penalties -------------------------------------------------------------------------

PenaltiesModel::PenaltiesModel(QObject* parent) : DrawGridModel(kPenaltyColumns, parent) {}

void PenaltiesModel::SetRows(std::vector<PenaltyRow> rows) {
  rows_ = std::move(rows);
  CellsChanged();
}

QVariant PenaltiesModel::CellData(int col, int row, int role) const {
  if (row == 0) return Header(kPenaltyHeaders, kPenaltyColumns, col, role);
  const PenaltyRow* p = RowOf(rows_, row);
  if (!p) return {};
  const PenaltyRecord& r = p->record;
  switch (static_cast<PenaltyColumn>(col)) {
    case PenaltyColumn::Time:
      return Text(LocalTimeText(r.time), role, static_cast<qlonglong>(r.time));
    case PenaltyColumn::Server:
      if (role == Qt::ToolTipRole)
        return QStringLiteral("%1 (%2)").arg(Plain(r.serverName), FromCp1252(r.serverKey));
      return Text(r.serverName.empty() ? r.serverKey : StripColorCodes(r.serverName), role);
    case PenaltyColumn::Kind:
      return Text(PenaltyKindText(r.kind), role);
    case PenaltyColumn::Name:
      return Text(r.name, role);
    case PenaltyColumn::Guid:
      return Text(r.guid, role);
    case PenaltyColumn::Address:
      return Text(r.address, role, static_cast<qulonglong>(AddressKey(r.address)));
    case PenaltyColumn::Outcome:
      return Text(PenaltyOutcomeText(p->outcome), role);
    case PenaltyColumn::Reason:
      return Text(r.reason, role);
  }
  return {};
}

// --- watch list ------------------------------------------------------------------------

WatchListModel::WatchListModel(std::function<std::int64_t()> now, QObject* parent)
    : DrawGridModel(kWatchColumns, parent), now_(std::move(now)) {}

void WatchListModel::SetRows(std::vector<WatchEntry> rows) {
  rows_ = std::move(rows);
  if (picked_ >= static_cast<int>(rows_.size())) picked_ = -1;
  CellsChanged();
}

QVariant WatchListModel::CellData(int col, int row, int role) const {
  if (role == kHighlightRole) return row >= 1 && row - 1 == picked_;
  if (row == 0) return Header(kWatchHeaders, kWatchColumns, col, role);
  const WatchEntry* e = RowOf(rows_, row);
  if (!e) return {};
  switch (static_cast<WatchColumn>(col)) {
    case WatchColumn::Kind:
      return Text(e->kind == WatchKind::kGuid ? "GUID" : "Namensmuster", role);
    case WatchColumn::Value:
      return Text(e->value, role);
    case WatchColumn::Note:
      return Text(e->note, role);
    case WatchColumn::Alarm:
      if (role == Qt::ForegroundRole && !e->enabled) return QColor(128, 128, 128);
      return Text(e->enabled ? "an" : "aus", role);
    case WatchColumn::Silenced: {
      const bool silent = e->silencedUntil > (now_ ? now_() : 0);
      if (role == kSortRole) return static_cast<qlonglong>(silent ? e->silencedUntil : 0);
      if (role == Qt::DisplayRole || role == kRawTextRole || role == Qt::ToolTipRole)
        return silent ? SeenText(e->silencedUntil) : QString();
      return {};
    }
    case WatchColumn::Created:
      if (role == kSortRole) return static_cast<qlonglong>(e->created);
      if (role == Qt::DisplayRole || role == kRawTextRole || role == Qt::ToolTipRole)
        return SeenText(e->created);
      return {};
  }
  return {};
}

}  // namespace zelmora
