// EngineView for the engine tests: records every call in order.
#pragma once

#include <string>
#include <vector>

#include "engine/engineview.h"

namespace zelmora::testing {

class RecordingView : public EngineView {
 public:
  // Every call as a short text, e.g. "ServerEntryChanged 3", in call order.
  std::vector<std::string> calls;

  std::vector<std::string> consoleLines;
  std::vector<std::string> maps;
  int mapChosen = -2;
  std::vector<std::string> pictures;  // every MapPictureShow path
  std::vector<std::string> configFiles;
  std::vector<std::string> varReplies;
  std::vector<double> plotted;
  int chartPoints = 0;
  int rebuilds = 0;
  bool playersTab = false;
  int tableReadyCount = 0;
  std::vector<PolledTable> tables;  // rows not kept
  std::vector<std::string> notes;
  bool sweepButton = false;
  bool selectedButton = false;

  void ConsoleShow(const std::vector<std::string>& lines) override {
    consoleLines = lines;
    calls.push_back("ConsoleShow");
  }
  void MapListShow(const std::vector<std::string>& m, int chosen) override {
    maps = m;
    mapChosen = chosen;
    calls.push_back("MapListShow " + std::to_string(chosen));
  }
  void MapPictureShow(const std::string& path) override {
    pictures.push_back(path);
    calls.push_back("MapPictureShow");
  }
  void ConfigListAppend(const std::vector<std::string>& files) override {
    configFiles.insert(configFiles.end(), files.begin(), files.end());
    calls.push_back("ConfigListAppend");
  }
  void GameTypeControls(const std::string& protocolText) override {
    calls.push_back("GameTypeControls " + protocolText);
  }
  void GameTypeLabel(const std::string& text) override { calls.push_back("GameTypeLabel " + text); }
  int ChartPointCount() override { return chartPoints; }
  void ChartRebuild(int points) override {
    chartPoints = points;
    ++rebuilds;
    calls.push_back("ChartRebuild " + std::to_string(points));
  }
  void ChartPlot(const std::vector<double>& values) override {
    plotted = values;
    calls.push_back("ChartPlot");
  }
  void ServerVarsChanged() override { calls.push_back("ServerVarsChanged"); }
  void PlayerRowsChanged() override { calls.push_back("PlayerRowsChanged"); }
  void StatusRowsChanged() override { calls.push_back("StatusRowsChanged"); }
  void StatusTableReadyMore(const PolledTable& table) override {
    ++tableReadyCount;
    tables.push_back(table);
    tables.back().rows = nullptr;
    calls.push_back(table.shown ? "StatusTableReadyMore" : "StatusTableReadyMore other");
  }
  void ConsoleNote(const std::string& line) override {
    notes.push_back(line);
    calls.push_back("ConsoleNote");
  }
  void ServerEntryChanged(int index) override {
    calls.push_back("ServerEntryChanged " + std::to_string(index));
  }
  void RefreshJoinDialog() override { calls.push_back("RefreshJoinDialog"); }
  void ApplyVarReply(const std::string& firstLine) override {
    varReplies.push_back(firstLine);
    calls.push_back("ApplyVarReply");
  }
  bool PlayersTabShown() override { return playersTab; }
  void SweepButtonShown(bool shown) override { sweepButton = shown; }
  void SelectedRefreshButtonShown(bool shown) override { selectedButton = shown; }

  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls)
      if (c == call) ++n;
    return n;
  }
  bool Has(const std::string& call) const { return Count(call) > 0; }
};

}  // namespace zelmora::testing
