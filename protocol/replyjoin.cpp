#include "protocol/replyjoin.h"

#include <algorithm>

namespace zelmora {

namespace {

constexpr std::string_view kPrintHead = "print\n";
constexpr std::string_view kMapLineHead = "print\nmap:";

bool StartsAt4(std::string_view datagram, std::string_view head) {
  return datagram.size() >= 4 + head.size() && datagram.substr(4, head.size()) == head;
}

}  // namespace

bool IsPrintReply(std::string_view datagram) {
  return StartsAt4(datagram, kPrintHead);
}

bool PrintJoiner::Add(const std::string& sender, std::string_view datagram, double nowMs) {
  if (!IsPrintReply(datagram)) return false;
  // Finish what is complete: a burst after a pause is a new output.
  FinishQuiet(nowMs);
  const std::string_view body = datagram.substr(4 + kPrintHead.size());
  auto it = std::find_if(open_.begin(), open_.end(),
                         [&](const PrintOutput& o) { return o.sender == sender; });
  if (it == open_.end()) {
    PrintOutput o;
    o.sender = sender;
    o.text.assign("\xff\xff\xff\xff", 4);
    o.text += kPrintHead;
    o.first = nowMs;
    open_.push_back(std::move(o));
    it = open_.end() - 1;
  }
  PrintOutput& o = *it;
  o.last = nowMs;
  if (o.truncated || o.datagrams >= kMaxDatagrams || o.text.size() + body.size() > kMaxBytes) {
    o.truncated = true;
    return true;
  }
  o.text.append(body);
  ++o.datagrams;
  return true;
}

void PrintJoiner::FinishQuiet(double nowMs) {
  for (auto it = open_.begin(); it != open_.end();) {
    if (nowMs - it->last >= gapMs_) {
      finished_.push_back(std::move(*it));
      it = open_.erase(it);
    } else {
      ++it;
    }
  }
}

std::vector<PrintOutput> PrintJoiner::TakeFinished(double nowMs) {
  FinishQuiet(nowMs);
  std::vector<PrintOutput> out = std::move(finished_);
  finished_.clear();
  std::stable_sort(out.begin(), out.end(),
                   [](const PrintOutput& a, const PrintOutput& b) { return a.first < b.first; });
  return out;
}

std::vector<PrintOutput> PrintJoiner::TakeAll() {
  std::vector<PrintOutput> out = std::move(finished_);
  finished_.clear();
  for (PrintOutput& o : open_) out.push_back(std::move(o));
  open_.clear();
  return out;
}

double PrintJoiner::NextFinish() const {
  if (!finished_.empty()) return -std::numeric_limits<double>::infinity();
  double next = std::numeric_limits<double>::infinity();
  for (const PrintOutput& o : open_) next = std::min(next, o.last + gapMs_);
  return next;
}

void PrintJoiner::Drop(const std::string& sender) {
  const auto gone = [&](const PrintOutput& o) { return o.sender == sender; };
  open_.erase(std::remove_if(open_.begin(), open_.end(), gone), open_.end());
  finished_.erase(std::remove_if(finished_.begin(), finished_.end(), gone), finished_.end());
}

void OutputJoiner::Append(PrintOutput& o, std::string_view datagram, double nowMs) {
  const std::string_view body = datagram.substr(4 + kPrintHead.size());
  o.last = nowMs;
  if (o.truncated || o.datagrams >= PrintJoiner::kMaxDatagrams ||
      o.text.size() + body.size() > PrintJoiner::kMaxBytes) {
    o.truncated = true;
    return;
  }
  o.text.append(body);
  ++o.datagrams;
}

OutputJoiner::Took OutputJoiner::Add(std::string_view datagram, double nowMs) {
  if (!IsPrintReply(datagram)) return Took::None;
  if (open_ && nowMs - open_->last >= gapMs_) {
    // Complete, but not taken yet: this one still belongs to it.
    Append(*open_, datagram, nowMs);
    return Took::Open;
  }
  if (!open_ && last_) {
    Append(*last_, datagram, nowMs);
    return Took::Late;
  }
  if (!open_) {
    PrintOutput o;
    o.text.assign("\xff\xff\xff\xff", 4);
    o.text += kPrintHead;
    o.first = nowMs;
    open_ = std::move(o);
  }
  Append(*open_, datagram, nowMs);
  return Took::Open;
}

std::optional<PrintOutput> OutputJoiner::TakeFinished(double nowMs, bool force) {
  if (!open_ || (!force && nowMs - open_->last < gapMs_)) return std::nullopt;
  last_ = std::move(open_);
  open_.reset();
  return last_;
}

double OutputJoiner::NextFinish() const {
  return open_ ? open_->last + gapMs_ : std::numeric_limits<double>::infinity();
}

void OutputJoiner::CommandLeft() {
  last_.reset();
}

void StatusAnswers::Add(std::string_view datagram) {
  if (!IsPrintReply(datagram)) return;
  if (StartsAt4(datagram, kMapLineHead)) {
    answers_.push_back({std::string(datagram)});
  } else if (answers_.empty()) {
    before_.emplace_back(datagram);
  } else {
    answers_.back().emplace_back(datagram);
  }
}

StatusAssembly StatusAnswers::Result() const {
  StatusAssembly first;
  for (std::size_t i = 0; i < answers_.size(); ++i) {
    std::vector<std::string> parts = answers_[i];
    // Pieces that overtook the first answer's map datagram belong to it.
    if (i == 0) parts.insert(parts.begin() + 1, before_.begin(), before_.end());
    StatusAssembly a = AssembleStatusTable(parts);
    if (StatusTableComplete(a.table)) return a;
    if (i == 0) first = std::move(a);
  }
  return first;
}

bool StatusTableComplete(std::string_view table) {
  return table.size() >= 2 && table.substr(table.size() - 2) == "\n\n";
}

}  // namespace zelmora
