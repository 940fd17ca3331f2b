// The import's receiver of the walk: every key and value goes to the preference store, always
// opened with CanCreate true and ReadOnly false. The store reports its own failures.
#pragma once

#include "import/walk_receiver.h"
#include "prefs/config_base.h"

namespace regcorvex {

class StoreReceiver final : public WalkReceiver {
 public:
  explicit StoreReceiver(TConfigBase& store) : store_(store) {}

  bool OpenPref(cfgDataScope scope, const std::string& key) override {
    return store_.OpenPref(scope, key, true, false);
  }
  void ClosePref() override { store_.ClosePref(); }
  void SetPrefInteger(const std::string& section, const std::string& name,
                      std::int32_t value) override {
    store_.SetPrefInteger(section, name, value);
  }
  void SetPrefString(const std::string& section, const std::string& name,
                     const std::string& value) override {
    store_.SetPrefString(section, name, value);
  }
  void SetPrefBooleanProc(const std::string& section, const std::string& name,
                          bool value) override {
    store_.SetPrefBooleanProc(section, name, value);
  }
  void SetPrefBinaryProc(const std::string& section, const std::string& name,
                         const std::vector<std::uint8_t>& bytes) override {
    store_.SetPrefBinaryProc(section, name, bytes.data(), static_cast<std::int32_t>(bytes.size()));
  }

 private:
  TConfigBase& store_;
};

}  // namespace regcorvex
