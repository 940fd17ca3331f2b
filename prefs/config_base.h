// TConfigBase: the preference store. OpenPref opens one key for a data scope (in the machine hive,
// or in the user's hive overlaying the machine's) and binds the operation table to that mode's
// routines; the public operations call through the table. No public operation lets an error
// escape: each reports it in a modal message box and returns normally.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/registry.h"
#include "prefs/operation_table.h"
#include "prefs/pref_keys.h"
#include "prefs/registry_accessor.h"

namespace regcorvex {

class TConfigBase {
 public:
  // application_window owns the open-failure message; the other messages are owned by no window.
  TConfigBase(platform::Registry& registry, platform::MessageBoxes& message_boxes,
              platform::Hwnd application_window);
  virtual ~TConfigBase();
  TConfigBase(const TConfigBase&) = delete;
  TConfigBase& operator=(const TConfigBase&) = delete;

  // Releases the open key, opens key for scope and binds the table. True when the key is open; a
  // failure is reported unless the open merely failed with can_create false.
  bool OpenPref(cfgDataScope scope, const std::string& key, bool can_create, bool read_only);
  void SetPrefInteger(const std::string& section, const std::string& name, std::int32_t value);
  void SetPrefString(const std::string& section, const std::string& name, const std::string& value);
  void SetPrefBooleanProc(const std::string& section, const std::string& name, bool value);
  // Writes exactly size bytes from buffer; the buffer is not kept beyond the call.
  void SetPrefBinaryProc(const std::string& section, const std::string& name,
                         const std::uint8_t* buffer, std::int32_t size);
  // False when nothing was deleted or an error was reported.
  bool DeletePrefValue(const std::string& section, const std::string& name);
  // Releases the open key and empties the table.
  void ClosePref();
  std::string GetPrefLocationName() const;

  // The table as OpenPref bound it, for the reads that have no wrapper. Errors raised by a call
  // through it reach the caller as PrefError.
  const OperationTable<TConfigBase>& Operations() const { return table_; }

 private:
  struct WrapperTexts;
  template <typename Call>
  void RunReported(const WrapperTexts& texts, bool bound, Call call);
  void ShowOpenFailure(cfgDataScope scope, const std::string& key, const std::string& error);

  bool OpenRegistryKey(cfgDataScope scope, const std::string& key, bool can_create, bool read_only);
  bool IsWritable(const std::string& key, platform::Hkey root);

  TRegistry& Machine();
  TRegistry& User();
  // The value of name in the machine key; in the user key, else in the machine key.
  std::optional<TRegistry::StoredValue> MachineValue(const std::string& name);
  std::optional<TRegistry::StoredValue> OverlayValue(const std::string& name);
  // Writes value to the user key unless the user key lacks name and the machine key holds it
  // with a value that decode reads as equal.
  template <typename Value, typename Decode, typename Write>
  void OverlayWrite(const std::string& name, const Value& value, Decode decode, Write write);
  static void ListSubkeyValues(TRegistry& accessor, const std::string& key,
                               std::vector<std::string>& list);
  static bool DeleteSubkey(TRegistry& accessor, const std::string& key);

  // Shared by both modes.
  void CloseKey();

  // Machine mode: the machine accessor only.
  std::int32_t MachineGetInteger(const std::string& section, const std::string& name,
                                 std::int32_t fallback);
  void MachineSetInteger(const std::string& section, const std::string& name, std::int32_t value);
  std::string MachineGetString(const std::string& section, const std::string& name,
                               const std::string& fallback);
  void MachineSetString(const std::string& section, const std::string& name,
                        const std::string& value);
  bool MachineGetBoolean(const std::string& section, const std::string& name, bool fallback);
  void MachineSetBoolean(const std::string& section, const std::string& name, bool value);
  std::int32_t MachineGetBinary(const std::string& section, const std::string& name,
                                std::uint8_t* buffer, std::int32_t size);
  void MachineSetBinary(const std::string& section, const std::string& name,
                        const std::uint8_t* buffer, std::int32_t size);
  void MachineGetValueNames(const std::string& section, const std::string& key,
                            std::vector<std::string>& list);
  bool MachineDeleteValue(const std::string& section, const std::string& name);
  bool MachineDeleteKey(const std::string& key);

  // User overlay mode: writes go to the user key, reads fall through to the machine key.
  std::int32_t OverlayGetInteger(const std::string& section, const std::string& name,
                                 std::int32_t fallback);
  void OverlaySetInteger(const std::string& section, const std::string& name, std::int32_t value);
  std::string OverlayGetString(const std::string& section, const std::string& name,
                               const std::string& fallback);
  void OverlaySetString(const std::string& section, const std::string& name,
                        const std::string& value);
  bool OverlayGetBoolean(const std::string& section, const std::string& name, bool fallback);
  void OverlaySetBoolean(const std::string& section, const std::string& name, bool value);
  std::int32_t OverlayGetBinary(const std::string& section, const std::string& name,
                                std::uint8_t* buffer, std::int32_t size);
  void OverlaySetBinary(const std::string& section, const std::string& name,
                        const std::uint8_t* buffer, std::int32_t size);
  void OverlayGetValueNames(const std::string& section, const std::string& key,
                            std::vector<std::string>& list);
  bool OverlayDeleteValue(const std::string& section, const std::string& name);
  bool OverlayDeleteKey(const std::string& key);

  static const OperationTable<TConfigBase> kMachineRoutines;
  static const OperationTable<TConfigBase> kOverlayRoutines;

  platform::Registry& registry_;
  platform::MessageBoxes& message_boxes_;
  platform::Hwnd application_window_;
  std::unique_ptr<TRegistry> machine_;
  std::unique_ptr<TRegistry> user_;
  OperationTable<TConfigBase> table_;
  // The reasons of failed opens already shown in a message box.
  std::set<std::string> reported_errors_;
};

}  // namespace regcorvex
