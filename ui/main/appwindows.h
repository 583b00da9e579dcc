// All windows of the application, created in their fixed order: the main
// window first (it loads the server list and starts the worker threads),
// then the settings window, which reads config.ini and applies it to the main
// window, then the other windows, hidden until they are opened. The program,
// the screenshot tool and the window tests create them the same way.
#pragma once

#include <memory>

#include "core/settings.h"

namespace zelmora {

class TForm1;
class TForm3;
class TForm4;
class TForm16;
class TForm17;

class AppWindows {
 public:
  // The data folder (core/paths.h) must be set before. settings must
  // outlive the windows.
  explicit AppWindows(SettingsStore& settings);
  // Destroys the windows in the reverse order of creation, after the main
  // window has closed: the settings window saves config.ini on the way.
  ~AppWindows();
  AppWindows(const AppWindows&) = delete;
  AppWindows& operator=(const AppWindows&) = delete;

  TForm1& form1() { return *form1_; }
  TForm3& form3() { return *form3_; }
  TForm4& form4() { return *form4_; }
  TForm16& form16() { return *form16_; }
  TForm17& form17() { return *form17_; }

 private:
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm4> form4_;
  std::unique_ptr<TForm16> form16_;
  std::unique_ptr<TForm17> form17_;
};

}  // namespace zelmora
