#include "ui/main/settingscache.h"

namespace zelmora {

SettingsCache::SettingsCache(SettingsStore& store)
    : store_(store), dirty_(std::make_shared<std::atomic<bool>>(true)) {
  observer_ = store_.AddObserver([this, dirty = dirty_] {
    dirty->store(true);
    if (onChange_) onChange_();
  });
}

SettingsCache::~SettingsCache() {
  store_.RemoveObserver(observer_);
}

const Settings& SettingsCache::Get() {
  if (dirty_->exchange(false)) copy_ = store_.Snapshot();
  return copy_;
}

}  // namespace zelmora
