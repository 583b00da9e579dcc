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
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm16;
class TForm17;
class TForm18;

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
  TForm9& form9() { return *form9_; }
  TForm10& form10() { return *form10_; }
  TForm11& form11() { return *form11_; }
  TForm12& form12() { return *form12_; }
  TForm16& form16() { return *form16_; }
  TForm17& form17() { return *form17_; }
  TForm18& form18() { return *form18_; }

 private:
  void CreateJoinWindow(SettingsStore& settings);

  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm4> form4_;
  std::unique_ptr<TForm5> form5_;
  std::unique_ptr<TForm6> form6_;
  std::unique_ptr<TForm8> form8_;
  std::unique_ptr<TForm9> form9_;
  std::unique_ptr<TForm10> form10_;
  std::unique_ptr<TForm11> form11_;
  std::unique_ptr<TForm12> form12_;
  std::unique_ptr<TForm16> form16_;
  std::unique_ptr<TForm17> form17_;
  std::unique_ptr<TForm18> form18_;
};

}  // namespace zelmora
