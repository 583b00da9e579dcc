// The main thread's copy of the options for drawing: the views draw hundreds
// of cells per repaint and must not lock the store for each one. The copy is
// renewed on the main thread the first time it is read after any change of
// the store (which may happen on any thread).
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "core/settings.h"

namespace zelmora {

class SettingsCache {
 public:
  explicit SettingsCache(SettingsStore& store);
  ~SettingsCache();
  SettingsCache(const SettingsCache&) = delete;
  SettingsCache& operator=(const SettingsCache&) = delete;

  // Main thread only.
  const Settings& Get();
  SettingsStore& Store() { return store_; }

  // Called (on the thread that changed the store) after every change.
  void SetOnChange(std::function<void()> fn) { onChange_ = std::move(fn); }

 private:
  SettingsStore& store_;
  SettingsStore::ObserverId observer_ = 0;
  std::shared_ptr<std::atomic<bool>> dirty_;
  std::function<void()> onChange_;
  Settings copy_;
};

}  // namespace zelmora
