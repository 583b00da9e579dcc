#include "ui/main/multiresults.h"

#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"

namespace zelmora {

namespace {

const char* const kHeaders[kResultColumns] = {"Server", "Gesendet", "Beantwortet", "Ausgabe",
                                              "Zustand"};

}  // namespace

QColor StateColor(RconBatch::State state) {
  using S = RconBatch::State;
  switch (state) {
    case S::Done:
      return QColor(0, 128, 64);
    case S::Throttled:
      return QColor(224, 112, 0);
    case S::NoPassword:
    case S::WrongPassword:
    case S::NoAnswer:
    case S::Dropped:
      return QColor(210, 0, 0);
    case S::Waiting:
    case S::Sent:
      break;
  }
  return {};
}

QString TimeText(const QDateTime& at) {
  return at.isValid() ? at.toString(QStringLiteral("HH:mm:ss.zzz")) : QString();
}

ResultModel::ResultModel(QueryEngine& engine, std::function<const RconBatch*()> batch,
                         std::function<int()> highlighted, QObject* parent)
    : DrawGridModel(kResultColumns, parent),
      engine_(engine),
      batch_(std::move(batch)),
      highlighted_(std::move(highlighted)) {}

// The server may have gone from the list meanwhile: its bytes are then
// read automatically.
QString ResultModel::ServerTextOf(const RconBatch::Row& r, const std::string& bytes) const {
  return DecodeGameText(bytes, EncodingOfServer(engine_.List().Find(r.server)));
}

QString ResultModel::OutputText(int row) const {
  const RconBatch* b = batch_();
  if (!b || row < 1 || static_cast<std::size_t>(row) > b->Rows().size()) return {};
  const RconBatch::Row& r = b->Rows()[static_cast<std::size_t>(row - 1)];
  if (!r.output) return {};
  QStringList lines;
  for (const std::string& line : *r.output) lines << ServerTextOf(r, line);
  return lines.join(QLatin1Char('\n'));
}

QVariant ResultModel::CellData(int col, int row, int role) const {
  if (col < 0 || col >= kResultColumns) return {};
  if (row == 0) {
    if (role == Qt::DisplayRole || role == kRawTextRole) return QString::fromUtf8(kHeaders[col]);
    return {};
  }
  if (role == kHighlightRole) return row == highlighted_();
  const RconBatch* b = batch_();
  if (!b || static_cast<std::size_t>(row) > b->Rows().size()) return {};
  const RconBatch::Row& r = b->Rows()[static_cast<std::size_t>(row - 1)];
  QString raw;
  switch (static_cast<ResultColumn>(col)) {
    case ResultColumn::Server: {
      // The name with its colours while the server is listed and named.
      const Tserverrec* e = engine_.List().Find(r.server);
      raw = ServerTextOf(r, e && !e->hostname.empty() ? e->hostname.str() : r.name);
      if (role == Qt::ToolTipRole)
        return QStringLiteral("%1\n%2").arg(WithoutColorCodes(raw),
                                            QString::fromStdString(r.address));
      if (role == kSortRole) return WithoutColorCodes(raw).toLower();
      break;
    }
    case ResultColumn::Sent:
      raw = TimeText(r.sent);
      break;
    case ResultColumn::Answered:
      raw = TimeText(r.answered);
      break;
    case ResultColumn::Output:
      raw = ServerTextOf(r, r.FirstLine());
      break;
    case ResultColumn::State:
      raw = QString::fromUtf8(RconBatch::StateText(r.state));
      if (role == Qt::ForegroundRole) {
        const QColor c = StateColor(r.state);
        return c.isValid() ? QVariant(c) : QVariant();
      }
      if (role == kSortRole) return static_cast<int>(r.state);
      break;
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return WithoutColorCodes(raw);
    case kRawTextRole:
      return raw;
    case kSortRole:
      return raw.toLower();
    default:
      return {};
  }
}

}  // namespace zelmora
