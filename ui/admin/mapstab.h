// "Karten": the maps installed on the selected server (listed by the game's
// directory command), a preview picture of the selected map, and loading,
// restarting and rotating maps.
#pragma once

#include <QObject>

#include <chrono>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/queryengine.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/admintab.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace zelmora {

struct MapsTabWidgets {
  QListWidget* ListBox2 = nullptr;  // map file names as listed
  QLabel* Image1 = nullptr;         // preview, 313 x 225, the picture stretched
  QPushButton* Button11 = nullptr;  // "Ausgewählte Karte laden"
  QPushButton* Button8 = nullptr;   // "Karte schnell neustarten"
  QPushButton* Button10 = nullptr;  // "Karte neu laden"
  QPushButton* Button12 = nullptr;  // "Karten rotieren"
};

// Full path of the picture to show for a map item of a server of this
// protocol: its own picture in the mapimgs folder when it exists, else the
// fallback picture when that exists, else "" (the picture stays).
std::string MapPicturePath(std::uint8_t protocol, const std::string& mapFile);

// Only the second game knows "fast_restart".
bool HasFastRestart(std::uint8_t protocol);
// A server that answered with a protocol Zelmora does not know (or none).
bool IsUnknownGame(std::uint8_t protocol);

class MapsTab : public QObject, public AdminTab {
 public:
  // A listing asked for on the page comes this much later.
  static constexpr std::chrono::milliseconds kPageListingDelay{600};

  MapsTab(QueryEngine& engine, MapsTabWidgets widgets);

  // The list shows the selected server's listing as it last came; with this
  // page in front a new one is requested at once.
  void ServerSelected(const Tserverrec& e, bool shown) override;
  void ServerGone() override;
  // Requested 600 ms later, the list left as it is until then.
  void PageShown(const Tserverrec& e) override;

  // The selected server's map listing, with the current map chosen and its
  // picture.
  void MapListShow(const Listing& listing, std::uint8_t protocol);
  void MapPictureShow(const std::string& path);

  void ListBox2Click();  // picture of the item
  void Button11Click();  // "map <item>" (also the double click)
  void Button8Click();   // "fast_restart"
  void Button10Click();  // "map_restart"
  void Button12Click();  // "map_rotate"

 private:
  void SendIfUsable(const std::string& command);
  void ShowUnknownGame(const Tserverrec& e);

  QueryEngine& engine_;
  MapsTabWidgets w_;
  FollowedSession session_;
};

}  // namespace zelmora
