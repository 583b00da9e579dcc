#include "ui/main/historyreader.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <chrono>
#include <utility>

#include "history/playerhistory.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora {

namespace {

// Runs fn on the main thread later, if the reader is still there. The
// application object outlives every reader; the guard is only looked at
// on the main thread.
template <class Fn>
void BackToMain(const QPointer<HistoryReader>& reader, Fn fn) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [reader, fn = std::move(fn)]() mutable {
        if (reader) fn(*reader);
      },
      Qt::QueuedConnection);
}

}  // namespace

HistoryReader::HistoryReader(std::shared_ptr<PlayerHistory> history, QObject* parent)
    : QObject(parent), history_(std::move(history)) {
  qRegisterMetaType<std::vector<PlayerSummary>>();
  qRegisterMetaType<std::vector<PenaltyRow>>();
}

void HistoryReader::Search(const std::string& text) {
  if (searching_) {
    waiting_ = text;
    return;
  }
  StartSearch(text);
}

void HistoryReader::StartSearch(std::string text) {
  searching_ = true;
  QPointer<HistoryReader> self(this);
  QThreadPool::globalInstance()->start([history = history_, self, text = std::move(text)] {
    const auto start = std::chrono::steady_clock::now();
    std::vector<PlayerSummary> rows = history->Search(text, kSearchLimit);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    BackToMain(self, [text, rows = std::move(rows), ms](HistoryReader& r) {
      r.searching_ = false;
      // The newest text first: while it runs, this answer is known to be old.
      if (r.waiting_) r.StartSearch(*std::exchange(r.waiting_, std::nullopt));
      emit r.Found(FromCp1252(text), rows, ms);
    });
  });
}

void HistoryReader::ReadPenalties(std::int64_t playerId) {
  QPointer<HistoryReader> self(this);
  QThreadPool::globalInstance()->start([history = history_, self, playerId] {
    std::vector<PenaltyRow> rows = history->Penalties(playerId);
    BackToMain(self, [playerId, rows = std::move(rows)](HistoryReader& r) {
      emit r.PenaltiesRead(playerId, rows);
    });
  });
}

void HistoryReader::ExportPenalties(const std::string& path) {
  QPointer<HistoryReader> self(this);
  QThreadPool::globalInstance()->start([history = history_, self, path] {
    std::string error;
    const bool ok = history->ExportPenaltiesCsv(path, &error);
    if (ok)
      error.clear();
    else if (error.empty())
      error = "Die Datei konnte nicht geschrieben werden.";
    BackToMain(self, [path, error](HistoryReader& r) {
      emit r.Exported(QString::fromStdString(path), QString::fromStdString(error));
    });
  });
}

}  // namespace zelmora
