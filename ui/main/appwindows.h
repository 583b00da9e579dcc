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
class TForm5;
class TForm6;
class TForm8;

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
  TForm5& form5() { return *form5_; }
  TForm6& form6() { return *form6_; }
  TForm8& form8() { return *form8_; }

 private:
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm4> form4_;
  std::unique_ptr<TForm5> form5_;
  std::unique_ptr<TForm6> form6_;
  std::unique_ptr<TForm8> form8_;
};

}  // namespace zelmora
