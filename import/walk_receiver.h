// What the walk of a configuration document asks of the preference store, in the order it asks.
// The import's receiver writes through the store; other receivers only look.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "prefs/pref_keys.h"

namespace regcorvex {

class WalkReceiver {
 public:
  virtual ~WalkReceiver() = default;

  // Opens key (PrefBaseKey, a backslash and a category key path) for scope; true when it is open.
  virtual bool OpenPref(cfgDataScope scope, const std::string& key) = 0;
  virtual void ClosePref() = 0;
  virtual void SetPrefInteger(const std::string& section, const std::string& name,
                              std::int32_t value) = 0;
  virtual void SetPrefString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
  virtual void SetPrefBooleanProc(const std::string& section, const std::string& name,
                                  bool value) = 0;
  virtual void SetPrefBinaryProc(const std::string& section, const std::string& name,
                                 const std::vector<std::uint8_t>& bytes) = 0;
};

}  // namespace regcorvex
