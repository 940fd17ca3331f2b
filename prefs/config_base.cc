#include "prefs/config_base.h"

#include <exception>

#include "common/product.h"

namespace regcorvex {
namespace {

constexpr unsigned kErrorBoxStyle =
    platform::kMbOk | platform::kMbIconError | platform::kMbSetForeground;

// A value the probe writes and deletes again to learn whether a key can be written.
constexpr char kProbeValueName[] = "amdk328wlskdjf";

}  // namespace

// What a public operation reports: the error it raises when its entry is empty, and the caption
// suffix and text prefix of its message box.
struct TConfigBase::WrapperTexts {
  const char* own_error;
  const char* caption_suffix;
  const char* prefix;
};

TConfigBase::TConfigBase(platform::Registry& registry, platform::MessageBoxes& message_boxes,
                         platform::Hwnd application_window)
    : registry_(registry), message_boxes_(message_boxes), application_window_(application_window) {}

TConfigBase::~TConfigBase() = default;

template <typename Call>
void TConfigBase::RunReported(const WrapperTexts& texts, bool bound, Call call) {
  try {
    if (!bound) throw PrefError(texts.own_error);
    call();
  } catch (const std::exception& error) {
    message_boxes_.MessageBoxA(platform::kNoWindow, texts.prefix + std::string(error.what()),
                               ProductTitle + std::string(texts.caption_suffix), kErrorBoxStyle);
  }
}

bool TConfigBase::OpenPref(cfgDataScope scope, const std::string& key, bool can_create,
                           bool read_only) {
  bool result = false;
  try {
    if (table_.CloseKeyProc.IsBound()) table_.CloseKeyProc();
    result = OpenRegistryKey(scope, key, can_create, read_only);
  } catch (const std::exception& error) {
    ShowOpenFailure(scope, key, error.what());
    return false;
  }
  if (!result && can_create) ShowOpenFailure(scope, key, "");
  return result;
}

void TConfigBase::ShowOpenFailure(cfgDataScope scope, const std::string& key,
                                  const std::string& error) {
  // A registry that cannot be used fails every open of the run for one reason: it is shown once,
  // not once per key.
  if (!error.empty() && !reported_errors_.insert(error).second) return;
  const std::string text =
      "OpenPref Error: Unable to open Preferences.\r\n\r\nPrefLocation: " + GetPrefLocationName() +
      "\r\n" + "cfgDataScope: " + GetDataScopeName(scope) + "\r\n" + "Key: " + key + "\r\n\r\n" +
      error;
  message_boxes_.MessageBoxA(application_window_, text,
                             ProductTitle + std::string(" OpenPref Error"), kErrorBoxStyle);
}

void TConfigBase::SetPrefInteger(const std::string& section, const std::string& name,
                                 std::int32_t value) {
  static constexpr WrapperTexts kTexts = {"Error writing integer to preferences: SetPrefInteger",
                                          " Error: SetPrefInteger", "SetPrefInteger: "};
  RunReported(kTexts, table_.SetIntegerProc.IsBound(),
              [&] { table_.SetIntegerProc(section, name, value); });
}

void TConfigBase::SetPrefString(const std::string& section, const std::string& name,
                                const std::string& value) {
  static constexpr WrapperTexts kTexts = {"Error writing string to preferences: SetPrefString",
                                          " Error: SetPrefString", "SetPrefString: "};
  RunReported(kTexts, table_.SetStringProc.IsBound(),
              [&] { table_.SetStringProc(section, name, value); });
}

void TConfigBase::SetPrefBooleanProc(const std::string& section, const std::string& name,
                                     bool value) {
  static constexpr WrapperTexts kTexts = {
      "Error reading boolean from preferences: SetPrefBooleanProc", " Error: SetPrefBooleanProc",
      "SetPrefBooleanProc: "};
  RunReported(kTexts, table_.SetBooleanProc.IsBound(),
              [&] { table_.SetBooleanProc(section, name, value); });
}

void TConfigBase::SetPrefBinaryProc(const std::string& section, const std::string& name,
                                    const std::uint8_t* buffer, std::int32_t size) {
  static constexpr WrapperTexts kTexts = {
      "Error reading binary from preferences: SetPrefBooleanProc", " Error: SetPrefBinaryProc",
      "SetPrefBinaryProc: "};
  RunReported(kTexts, table_.SetBinaryProc.IsBound(),
              [&] { table_.SetBinaryProc(section, name, buffer, size); });
}

bool TConfigBase::DeletePrefValue(const std::string& section, const std::string& name) {
  static constexpr WrapperTexts kTexts = {"Error reading string from preferences: DeletePrefValue",
                                          " Error: DeletePrefValue", "DeletePrefValue: "};
  bool deleted = false;
  RunReported(kTexts, table_.DeleteValueProc.IsBound(),
              [&] { deleted = table_.DeleteValueProc(section, name); });
  return deleted;
}

void TConfigBase::ClosePref() {
  static constexpr WrapperTexts kTexts = {"Error: ClosePref", " Error: ClosePref", "ClosePref: "};
  RunReported(kTexts, table_.CloseKeyProc.IsBound(), [&] {
    table_.CloseKeyProc();
    table_.Clear();
  });
}

std::string TConfigBase::GetPrefLocationName() const { return PrefLocationNames[PrefLocation]; }

bool TConfigBase::OpenRegistryKey(cfgDataScope scope, const std::string& key, bool can_create,
                                  bool read_only) {
  bool machine_mode = false;
  try {
    machine_mode =
        scope == cfgPerMachine && (read_only || IsWritable(key, platform::kHkeyLocalMachine));
  } catch (const PrefError&) {
    // The machine hive cannot be used at all: the open fails as a machine-mode open of it would,
    // with the table bound, so that the caller's ClosePref stays quiet.
    table_.Bind(*this, kMachineRoutines);
    throw;
  }
  if (!machine_) machine_ = std::make_unique<TRegistry>(registry_);
  machine_->SetRootKey(platform::kHkeyLocalMachine);
  if (machine_mode) {
    table_.Bind(*this, kMachineRoutines);
    return read_only ? machine_->OpenKeyReadOnly(key) : machine_->OpenKey(key, can_create);
  }
  if (!user_) user_ = std::make_unique<TRegistry>(registry_);
  user_->SetRootKey(platform::kHkeyCurrentUser);
  table_.Bind(*this, kOverlayRoutines);
  machine_->OpenKeyReadOnly(key);
  return read_only ? user_->OpenKeyReadOnly(key) : user_->OpenKey(key, can_create);
}

// A hive that cannot be used at all, or a key behind a link that leads nowhere, raises its reason
// rather than failing the probe: its values would otherwise go quietly to the other hive.
bool TConfigBase::IsWritable(const std::string& key, platform::Hkey root) {
  platform::Hkey opened = platform::kNoKey;
  const platform::Long status =
      registry_.RegOpenKeyExA(root, key.c_str(), 0, platform::kKeyAllAccess, &opened);
  if (status != platform::kErrorSuccess) TRegistry::RaiseIfUnreachable(registry_, root);
  if (status == platform::kErrorSuccess) {
    const platform::UniqueHkey probed = platform::MakeUniqueHkey(registry_, opened);
    const std::uint8_t zero[4] = {};
    if (registry_.RegSetValueExA(probed.get(), kProbeValueName, platform::kRegDword, zero,
                                 sizeof zero) != platform::kErrorSuccess) {
      return false;
    }
    registry_.RegDeleteValueA(probed.get(), kProbeValueName);
    return true;
  }
  const platform::Long created =
      registry_.RegCreateKeyExA(root, key.c_str(), platform::kRegOptionNonVolatile,
                                platform::kKeyAllAccess, &opened, nullptr);
  if (created != platform::kErrorSuccess) {
    TRegistry::RaiseIfUnreachable(registry_, root);
    return false;
  }
  platform::MakeUniqueHkey(registry_, opened).reset();
  return true;
}

}  // namespace regcorvex
