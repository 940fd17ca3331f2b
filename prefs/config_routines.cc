// The routines OpenPref binds into the operation table: machine mode acts on the machine key only;
// user overlay mode writes the user key, skipping a write the machine key already satisfies, and
// reads through from the user key to the machine key.
#include <algorithm>

#include "prefs/config_base.h"

namespace regcorvex {

using Text = const std::string&;

const OperationTable<TConfigBase> TConfigBase::kMachineRoutines = {
    .CloseKeyProc = &TConfigBase::CloseKey,
    .GetIntegerProc = &TConfigBase::MachineGetInteger,
    .SetIntegerProc = &TConfigBase::MachineSetInteger,
    .GetStringProc = &TConfigBase::MachineGetString,
    .SetStringProc = &TConfigBase::MachineSetString,
    .GetBooleanProc = &TConfigBase::MachineGetBoolean,
    .SetBooleanProc = &TConfigBase::MachineSetBoolean,
    .GetBinaryProc = &TConfigBase::MachineGetBinary,
    .SetBinaryProc = &TConfigBase::MachineSetBinary,
    .GetValueNamesProc = &TConfigBase::MachineGetValueNames,
    .DeleteValueProc = &TConfigBase::MachineDeleteValue,
    .DeleteKeyProc = &TConfigBase::MachineDeleteKey,
};

const OperationTable<TConfigBase> TConfigBase::kOverlayRoutines = {
    .CloseKeyProc = &TConfigBase::CloseKey,
    .GetIntegerProc = &TConfigBase::OverlayGetInteger,
    .SetIntegerProc = &TConfigBase::OverlaySetInteger,
    .GetStringProc = &TConfigBase::OverlayGetString,
    .SetStringProc = &TConfigBase::OverlaySetString,
    .GetBooleanProc = &TConfigBase::OverlayGetBoolean,
    .SetBooleanProc = &TConfigBase::OverlaySetBoolean,
    .GetBinaryProc = &TConfigBase::OverlayGetBinary,
    .SetBinaryProc = &TConfigBase::OverlaySetBinary,
    .GetValueNamesProc = &TConfigBase::OverlayGetValueNames,
    .DeleteValueProc = &TConfigBase::OverlayDeleteValue,
    .DeleteKeyProc = &TConfigBase::OverlayDeleteKey,
};

namespace {

// held read by decode, or fallback when no key holds the value.
template <typename Value, typename Decode>
Value ReadOr(const std::optional<TRegistry::StoredValue>& held, Text name, Value fallback,
             Decode decode) {
  return held ? decode(*held, name) : fallback;
}

std::int32_t ReadBinaryOr(const std::optional<TRegistry::StoredValue>& held, Text name,
                          std::uint8_t* buffer, std::int32_t size) {
  return held ? TRegistry::CopyBinary(*held, name, buffer, size) : -1;
}

}  // namespace

// The table may still be bound after CloseKeyProc was called through it directly; the accessors
// are then gone, and a routine reports that instead of reaching for them.
TRegistry& TConfigBase::Machine() {
  if (!machine_) throw PrefError(kNoOpenKeyError);
  return *machine_;
}

TRegistry& TConfigBase::User() {
  if (!user_) throw PrefError(kNoOpenKeyError);
  return *user_;
}

std::optional<TRegistry::StoredValue> TConfigBase::MachineValue(Text name) {
  return Machine().Fetch(name);
}

std::optional<TRegistry::StoredValue> TConfigBase::OverlayValue(Text name) {
  std::optional<TRegistry::StoredValue> held = User().Fetch(name);
  return held ? held : MachineValue(name);
}

template <typename Value, typename Decode, typename Write>
void TConfigBase::OverlayWrite(Text name, const Value& value, Decode decode, Write write) {
  if (!User().ValueExists(name)) {
    const std::optional<TRegistry::StoredValue> held = Machine().Fetch(name);
    if (held && decode(*held, name) == value) return;
  }
  (User().*write)(name, value);
}

// Moves accessor to its open key's subkey key and lists that key's values. An accessor without an
// open key has no subkeys: its root is not searched instead.
void TConfigBase::ListSubkeyValues(TRegistry& accessor, Text key, std::vector<std::string>& list) {
  if (accessor.HasOpenKey() && accessor.KeyExists(key) && accessor.OpenKey(key, false)) {
    accessor.GetValueNames(list);
  }
}

// Deletes a subkey of the open key. An empty path would name the open key itself, and without an
// open key the path would be taken from the root of the hive: both are refused.
bool TConfigBase::DeleteSubkey(TRegistry& accessor, Text key) {
  return accessor.HasOpenKey() && !key.empty() && accessor.DeleteKey(key);
}

void TConfigBase::CloseKey() {
  machine_.reset();
  user_.reset();
}

std::int32_t TConfigBase::MachineGetInteger(Text, Text name, std::int32_t fallback) {
  return ReadOr(MachineValue(name), name, fallback, &TRegistry::IntegerOf);
}

void TConfigBase::MachineSetInteger(Text, Text name, std::int32_t value) {
  Machine().WriteInteger(name, value);
}

std::string TConfigBase::MachineGetString(Text, Text name, Text fallback) {
  return ReadOr(MachineValue(name), name, fallback, &TRegistry::StringOf);
}

void TConfigBase::MachineSetString(Text, Text name, Text value) {
  Machine().WriteString(name, value);
}

bool TConfigBase::MachineGetBoolean(Text, Text name, bool fallback) {
  return ReadOr(MachineValue(name), name, fallback, &TRegistry::BooleanOf);
}

void TConfigBase::MachineSetBoolean(Text, Text name, bool value) {
  Machine().WriteBool(name, value);
}

std::int32_t TConfigBase::MachineGetBinary(Text, Text name, std::uint8_t* buffer,
                                           std::int32_t size) {
  return ReadBinaryOr(MachineValue(name), name, buffer, size);
}

void TConfigBase::MachineSetBinary(Text, Text name, const std::uint8_t* buffer, std::int32_t size) {
  Machine().WriteBinaryData(name, buffer, size);
}

void TConfigBase::MachineGetValueNames(Text, Text key, std::vector<std::string>& list) {
  ListSubkeyValues(Machine(), key, list);
}

bool TConfigBase::MachineDeleteValue(Text, Text name) { return Machine().DeleteValue(name); }

bool TConfigBase::MachineDeleteKey(Text key) { return DeleteSubkey(Machine(), key); }

std::int32_t TConfigBase::OverlayGetInteger(Text, Text name, std::int32_t fallback) {
  return ReadOr(OverlayValue(name), name, fallback, &TRegistry::IntegerOf);
}

void TConfigBase::OverlaySetInteger(Text, Text name, std::int32_t value) {
  OverlayWrite(name, value, &TRegistry::IntegerOf, &TRegistry::WriteInteger);
}

std::string TConfigBase::OverlayGetString(Text, Text name, Text fallback) {
  return ReadOr(OverlayValue(name), name, fallback, &TRegistry::StringOf);
}

void TConfigBase::OverlaySetString(Text, Text name, Text value) {
  OverlayWrite(name, value, &TRegistry::StringOf, &TRegistry::WriteString);
}

bool TConfigBase::OverlayGetBoolean(Text, Text name, bool fallback) {
  return ReadOr(OverlayValue(name), name, fallback, &TRegistry::BooleanOf);
}

void TConfigBase::OverlaySetBoolean(Text, Text name, bool value) {
  OverlayWrite(name, value, &TRegistry::BooleanOf, &TRegistry::WriteBool);
}

std::int32_t TConfigBase::OverlayGetBinary(Text, Text name, std::uint8_t* buffer,
                                           std::int32_t size) {
  return ReadBinaryOr(OverlayValue(name), name, buffer, size);
}

void TConfigBase::OverlaySetBinary(Text, Text name, const std::uint8_t* buffer, std::int32_t size) {
  if (!User().ValueExists(name)) {
    if (const std::optional<TRegistry::StoredValue> held = Machine().Fetch(name)) {
      const std::vector<std::uint8_t>& data = TRegistry::BinaryOf(*held, name);
      const bool same =
          static_cast<std::int32_t>(data.size()) == size &&
          (size == 0 || (buffer != nullptr && std::equal(data.begin(), data.end(), buffer)));
      if (same) return;
    }
  }
  User().WriteBinaryData(name, buffer, size);
}

void TConfigBase::OverlayGetValueNames(Text, Text key, std::vector<std::string>& list) {
  ListSubkeyValues(User(), key, list);
  if (list.empty()) ListSubkeyValues(Machine(), key, list);
}

bool TConfigBase::OverlayDeleteValue(Text, Text name) { return User().DeleteValue(name); }

bool TConfigBase::OverlayDeleteKey(Text key) { return DeleteSubkey(User(), key); }

}  // namespace regcorvex
