// Join window "Startparameter": starts the game client connected to the
// selected server, with a player name and the server's join password from
// two histories (names.txt, passes.txt), and can wait until a public slot is
// free.
//
// Not modal: the operator may select another server while it is open or
// waits; start, wait and player count always concern the server selected at
// that moment. Created hidden at program start (FormCreate loads the
// histories) and kept until the end.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/launcher.h"
#include "core/settings.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace Ui {
class TForm10;
}

namespace zelmora {

class QueryEngine;
struct Tserverrec;

class TForm10 : public QDialog {
  Q_OBJECT
 public:
  // What the window does to the rest of the program. Empty functions do
  // nothing.
  struct Hooks {
    // After a join with "Programm minimieren".
    std::function<void()> minimizeApplication;
    // After a join with "Programm beenden": close the main window, which
    // ends the program. It must not close synchronously: a join can run
    // while a worker thread waits in a hand-over (the reply that freed the
    // slot), and the shutdown would wait for that very worker. The main
    // window posts the close so that it runs once the hand-over has
    // returned.
    std::function<void()> closeMainWindow;
    // "Farben": shows the colour-code window.
    std::function<void()> showColorCodes;
  };

  // Starts the client; the default is StartDetached (core/launcher.h).
  using Launcher = std::function<LaunchResult(
      const std::string& executable, const std::string& commandLine, const std::string& folder)>;

  // engine and settings must outlive the window.
  TForm10(QueryEngine& engine, const SettingsStore& settings, QWidget* parent = nullptr);
  ~TForm10() override;

  void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }
  void SetColorCodesWindow(std::function<void()> show) { hooks_.showColorCodes = std::move(show); }
  void SetLauncher(Launcher launcher) { launcher_ = std::move(launcher); }

  // Program start: loads the histories from names.txt and passes.txt in the
  // data folder (or the paths given), the most recent entry selected. A file
  // that exists but cannot be read is reported once and is never replaced.
  void FormCreate();
  void FormCreate(const std::string& namesPath, const std::string& passesPath);

  // A join from the server list or the menu: shows the window when the
  // option "ask" is on, otherwise starts at once with the last name and
  // password used.
  void JoinSelectedServer();

  // "Starte Call of Duty": starts the game for the selected server, records
  // name and password in the histories, saves them, hides the window and
  // carries out the option after a join.
  void Button1Click();
  // "Abbruch": stops waiting and closes the window.
  void Button2Click();
  // "Farben".
  void Button3Click();
  // The two "leeren" buttons: empty the list and the text (the files are
  // rewritten only by the next start).
  void Button4Click();
  void Button5Click();
  // "Warten bis Slot frei wird": starts at once when a public slot is free,
  // otherwise waits (caption "warte...").
  void Button6Click();
  // "Highpinger kicken".
  void Button7Click();
  // Wait timer tick (every second while waiting).
  void Timer1Timer();
  // A status reply of the selected server arrived: buttons and player count.
  void RefreshJoinDialog();
  // The server list's double click resets the wait button's caption.
  void ResetWaitCaption();

  bool Waiting() const;
  // The program is ending: no game start from a tick that slips in.
  void Closing() { closing_ = true; }

  QComboBox* ComboBox1 = nullptr;  // "Spielername:"
  QComboBox* ComboBox2 = nullptr;  // "Passwort:"
  QLabel* Label4 = nullptr;        // player count
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* Button7 = nullptr;
  QTimer* Timer1 = nullptr;

 private:
  // The selected entry, or nullptr.
  const Tserverrec* Selected() const;
  // True when the game's process was started.
  bool StartGame(const std::string& name, const std::string& password);
  QWidget* MessageParent();

  QueryEngine& engine_;
  bool closing_ = false;
  const SettingsStore& settings_;
  std::unique_ptr<Ui::TForm10> ui_;
  Hooks hooks_;
  Launcher launcher_;
  std::string namesPath_;
  std::string passesPath_;
  bool namesReadable_ = true;
  bool passesReadable_ = true;
};

}  // namespace zelmora
