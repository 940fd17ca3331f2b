// The 8-bit registry functions over a Wine prefix's hive files, with the return codes, access
// checks and 32-bit view that a 32-bit program gets from Wine 8 in the same prefix.
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/code_page.h"
#include "platform/posix/wine_prefix.h"
#include "platform/posix/wine_registry/data.h"
#include "platform/posix/wine_registry/files.h"
#include "platform/posix/wine_registry/format.h"
#include "platform/posix/wine_registry/prefix_lock.h"
#include "platform/posix/wine_registry/read.h"
#include "platform/posix/wine_registry/registry.h"
#include "platform/posix/wine_registry/tree.h"
#include "platform/posix/wine_registry/view.h"
#include "platform/registry_toolkit.h"

namespace platform {
namespace {

using wine_registry::CopyData;
using wine_registry::Key;
using KeyPtr = std::shared_ptr<Key>;

constexpr Long kErrorNoAccess = 998;
constexpr Dword kDelete = 0x10000;
constexpr Dword kKeyCreateLink = 0x20;
constexpr Dword kWriteDac = 0x40000;
constexpr Dword kWriteOwner = 0x80000;
constexpr Dword kMaximumAllowed = 0x02000000;
constexpr Dword kGenericAll = 0x10000000;
constexpr Dword kGenericWrite = 0x40000000;
constexpr Dword kGenericRead = 0x80000000;
constexpr Dword kKeyWrite = 0x20006;
constexpr Dword kWriteRights =
    kKeySetValue | kKeyCreateSubKey | kKeyCreateLink | kDelete | kWriteDac | kWriteOwner;

std::u16string Wide(const char* text) { return AnsiToWide(text != nullptr ? text : ""); }

Long CopyName(std::u16string_view name, char* buffer, Dword* name_size) {
  return CopyAnsiName(WideToAnsi(name), buffer, name_size);
}

// Runs one call of the registry's interface, which answers with Win32 codes only: a call that
// throws comes back as out of memory, as nothing but an allocation can throw after a hive is read.
template <typename Call>
Long Guarded(const Call& call) noexcept {
  try {
    return call();
  } catch (...) {
    return kErrorNotEnoughMemory;
  }
}

// One hive file and what this process may do with it.
struct HiveSlot {
  HiveSlot(const char* file, const char* root) : file_name(file), relative_to(root) {}

  const char* file_name;
  const char* relative_to;  // as Wine writes it after ";; All keys relative to "
  // A hive is read once; while it is being read, the other hive's reading may look at it.
  enum class State { kUnread, kReading, kRead } state = State::kUnread;
  wine_registry::Status status;  // once read: why the hive cannot be used, when it cannot
  bool existed = false;
  wine_registry::FileVersion version;  // of the file as it was read
  bool writable = false;
  wine_registry::Status writes;  // why the file cannot be written, when it cannot
  bool changed = false;
  wine_registry::Hive hive;

  bool Wow64() const { return hive.arch == "win64"; }
};

struct OpenKey {
  KeyPtr key;
  HiveSlot* slot;
  Dword access;
};

class WineRegistry final : public WinePrefixRegistry {
 public:
  // With locate, the prefix is the one a Wine program of this user would use, found anew at the
  // start of each run.
  WineRegistry(std::string prefix, WinePrefixOptions options, bool locate = false)
      : prefix_(std::move(prefix)), options_(std::move(options)), locate_(locate) {}

  void DenyMachineWrites() override {
    machine_denied_ = true;
    machine_.writable = false;
  }

  std::string UnusableReason(Hkey root) override {
    HiveSlot* slot = SlotOf(root);
    return slot != nullptr ? Load(*slot).status.message() : std::string();
  }

  std::string UnreachableReason() override { return unreachable_; }

  std::string UnwritableReason(Hkey root) override {
    HiveSlot* slot = SlotOf(root);
    return slot != nullptr ? Load(*slot).writes.message() : std::string();
  }

  Long RegOpenKeyExA(Hkey key, const char* sub_key, Dword options, Dword sam,
                     Hkey* result) override {
    return Guarded([&]() -> Long {
      *result = kNoKey;
      OpenKey opened;
      const Long status = Open(key, Wide(sub_key), sam, false, &opened, nullptr,
                               (options & kRegOptionOpenLink) != 0);
      if (status == kErrorSuccess) *result = AddHandle(std::move(opened));
      return status;
    });
  }

  Long RegCreateKeyExA(Hkey key, const char* sub_key, Dword, Dword sam, Hkey* result,
                       Dword* disposition) override {
    return Guarded([&]() -> Long {
      *result = kNoKey;
      OpenKey opened;
      const Long status = Open(key, Wide(sub_key), sam, true, &opened, disposition);
      if (status == kErrorSuccess) *result = AddHandle(std::move(opened));
      return status;
    });
  }

  Long RegSetValueExA(Hkey key, const char* name, Dword type, const std::uint8_t* data,
                      Dword size) override {
    return Guarded([&]() -> Long {
      OpenKey* open = nullptr;
      if (const Long status = Use(key, kKeySetValue, &open)) return status;
      wine_registry::Value value{Wide(name), type, {}};
      if (value.name.size() > kMaxValueNameLength) return kErrorInvalidParameter;
      if (data == nullptr && size != 0) return kErrorNoAccess;
      const std::string_view bytes(reinterpret_cast<const char*>(data), data != nullptr ? size : 0);
      value.data = wine_registry::StoredData(type, bytes);
      open->key->SetValue(std::move(value));
      Touch(*open);
      return kErrorSuccess;
    });
  }

  Long RegQueryValueExA(Hkey key, const char* name, Dword* type, std::uint8_t* data,
                        Dword* size) override {
    return Guarded([&]() -> Long {
      if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
      OpenKey* open = nullptr;
      if (const Long status = Use(key, kKeyQueryValue, &open)) return status;
      const wine_registry::Value* value = open->key->FindValue(Wide(name));
      if (value == nullptr) return kErrorFileNotFound;
      if (type != nullptr) *type = value->type;
      return CopyData(*value, data, size);
    });
  }

  Long RegDeleteValueA(Hkey key, const char* name) override {
    return Guarded([&]() -> Long {
      OpenKey* open = nullptr;
      if (const Long status = Use(key, kKeySetValue, &open)) return status;
      if (!open->key->DeleteValue(Wide(name))) return kErrorFileNotFound;
      Touch(*open);
      return kErrorSuccess;
    });
  }

  Long RegDeleteKeyA(Hkey key, const char* sub_key) override {
    return Guarded([&]() -> Long {
      OpenKey target;
      if (const Long status = Open(key, Wide(sub_key), kDelete, false, &target, nullptr)) {
        return status;
      }
      Key* parent = target.key->parent();
      if (parent == nullptr || !target.key->subkeys().empty()) return kErrorAccessDenied;
      parent->DeleteSubkey(target.key->name());
      parent->modified = wine_registry::Now();
      target.slot->changed = true;
      return kErrorSuccess;
    });
  }

  Long RegEnumValueA(Hkey key, Dword index, char* name, Dword* name_size, Dword* type,
                     std::uint8_t* data, Dword* data_size) override {
    return Guarded([&]() -> Long {
      const wine_registry::Value* value = nullptr;
      if (const Long status = FindValue(key, index, name_size, data, data_size, &value)) {
        return status;
      }
      Dword needed = 0;
      wine_registry::CopyData(*value, nullptr, &needed);
      if (data != nullptr && needed > *data_size) {
        *data_size = needed;
        if (type != nullptr) *type = value->type;
        return kErrorMoreData;
      }
      if (const Long status = CopyName(value->name, name, name_size)) return status;
      if (type != nullptr) *type = value->type;
      return data_size != nullptr ? CopyData(*value, data, data_size) : kErrorSuccess;
    });
  }

  Long RegEnumKeyExA(Hkey key, Dword index, char* name, Dword* name_size) override {
    return Guarded([&]() -> Long {
      KeyPtr subkey;
      if (const Long status = FindSubkey(key, index, name_size, &subkey)) return status;
      return CopyName(subkey->name(), name, name_size);
    });
  }

  Long RegOpenKeyExW(Hkey key, const char16_t* sub_key, Dword options, Dword sam,
                     Hkey* result) override {
    return Guarded([&]() -> Long {
      *result = kNoKey;
      OpenKey opened;
      const Long status = Open(key, sub_key != nullptr ? sub_key : u"", sam, false, &opened,
                               nullptr, (options & kRegOptionOpenLink) != 0);
      if (status == kErrorSuccess) *result = AddHandle(std::move(opened));
      return status;
    });
  }

  Long RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* name_size) override {
    return Guarded([&]() -> Long {
      KeyPtr subkey;
      if (const Long status = FindSubkey(key, index, name_size, &subkey)) return status;
      return CopyWideName(subkey->name(), name, name_size);
    });
  }

  Long RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* name_size, Dword* type,
                     std::uint8_t* data, Dword* data_size) override {
    return Guarded([&]() -> Long {
      const wine_registry::Value* value = nullptr;
      if (const Long status = FindValue(key, index, name_size, data, data_size, &value)) {
        return status;
      }
      if (type != nullptr) *type = value->type;
      if (const Long status = CopyDataBytes(value->data, data, data_size)) return status;
      return CopyWideName(value->name, name, name_size);
    });
  }

  Long RegQueryInfoKeyA(Hkey key, Dword* sub_keys, Dword* max_sub_key_len, Dword* values,
                        Dword* max_value_name_len, Dword* max_value_len) override {
    return Guarded([&]() -> Long {
      OpenKey* open = nullptr;
      if (const Long status = Use(key, kKeyQueryValue, &open)) return status;
      Key& k = *open->key;
      if (sub_keys != nullptr) *sub_keys = static_cast<Dword>(k.subkeys().size());
      if (values != nullptr) *values = static_cast<Dword>(k.values().size());
      // The longest names and data take a pass over the key: only for a caller that asks.
      if (max_sub_key_len != nullptr) {
        *max_sub_key_len = 0;
        for (const auto& [folded, subkey] : k.subkeys()) {
          *max_sub_key_len = std::max(*max_sub_key_len, static_cast<Dword>(subkey->name().size()));
        }
      }
      if (max_value_name_len != nullptr || max_value_len != nullptr) {
        Dword longest_name = 0;
        Dword longest_data = 0;
        for (const wine_registry::Value& value : k.values()) {
          longest_name = std::max(longest_name, static_cast<Dword>(value.name.size()));
          longest_data = std::max(longest_data, static_cast<Dword>(value.data.size()));
        }
        if (max_value_name_len != nullptr) *max_value_name_len = longest_name;
        if (max_value_len != nullptr) *max_value_len = longest_data;
      }
      return kErrorSuccess;
    });
  }

  Long RegCloseKey(Hkey key) override {
    if (key == kHkeyCurrentUser || key == kHkeyLocalMachine) return kErrorSuccess;
    return handles_.erase(static_cast<std::uintptr_t>(key)) != 0 ? kErrorSuccess
                                                                 : kErrorInvalidHandle;
  }

  std::string Persist() override {
    std::vector<std::string> errors;
    std::vector<std::string> saved;
    for (HiveSlot* slot : {&user_, &machine_}) {
      if (slot->state != HiveSlot::State::kRead || !slot->changed || !slot->status.ok()) continue;
      const std::string path = FileOf(*slot);
      std::string error;
      if (options_.read_only) {
        error = "The registry file " + path +
                " was not saved: this program only reads the Wine prefix " + prefix_ + ".";
      } else if (const auto server = wine_registry::ProbeWineServer(prefix_, options_.tmp);
                 !server.ok() || *server) {
        error = server.ok()
                    ? "The registry file " + path +
                          " was not saved: a wineserver started for the prefix " +
                          "meanwhile and would overwrite it. The values written in " +
                          "this run are lost."
                    : "The registry file " + path + " was not saved: " + server.status().message();
      } else if (!(wine_registry::VersionOf(path) == slot->version)) {
        error = "The registry file " + path +
                " was not saved: another program changed it while this run was working on it. " +
                "The values written in this run are lost; those of the other program are kept.";
      } else {
        error = Save(*slot, path).message();
      }
      (error.empty() ? saved : errors).push_back(error.empty() ? path : error);
    }
    // A run whose values went into both hives and reached only one of them is half applied: the
    // report says which file holds them.
    for (const std::string& path : errors.empty() ? std::vector<std::string>{} : saved) {
      errors.push_back("The registry file " + path +
                       " was saved: the values of this run that belong there are in it.");
    }
    std::string text;
    for (const std::string& error : errors) text += (text.empty() ? "" : "\r\n") + error;
    // The run is over: every handle ends, the lock goes, and a later use reads the files again.
    handles_.clear();
    root_handles_.clear();
    user_ = HiveSlot(kUserFile, kUserRoot);
    machine_ = HiveSlot(kMachineFile, kMachineRoot);
    lock_.reset();
    run_started_ = false;
    run_status_ = {};
    return text;
  }

 private:
  static constexpr const char* kUserFile = "user.reg";
  static constexpr const char* kUserRoot = "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000";
  static constexpr const char* kMachineFile = "system.reg";
  static constexpr const char* kMachineRoot = "REGISTRY\\\\Machine";

  // The prefix taken for this run, once: the one bounded wait for its lock, the checks of its
  // folders, and the removal of what an interrupted run left. A failure stays for the whole run.
  wine_registry::Status StartRun() {
    if (run_started_) return run_status_;
    run_started_ = true;
    run_status_ = TakePrefix();
    return run_status_;
  }

  wine_registry::Status TakePrefix() {
    if (locate_) {
      WinePrefixLocation location = LocateWinePrefix();
      prefix_ = std::move(location.path);
      options_.no_prefix = std::move(location.error);
    }
    if (!options_.no_prefix.empty()) return {kErrorLockViolation, options_.no_prefix};
    auto locked = wine_registry::LockPrefix(
        prefix_, !options_.read_only, std::chrono::steady_clock::now() + options_.lock_wait,
        [this] { Step(WinePrefixOptions::Point::kWaitingForLock); });
    if (!locked.ok()) return locked.status();
    lock_ = std::move(*locked);
    const auto server = wine_registry::ProbeWineServer(prefix_, options_.tmp);
    if (!server.ok()) return server.status();
    if (*server) {
      return {kErrorLockViolation,
              "A wineserver is running for the Wine prefix " + prefix_ +
                  "; it keeps the registry in memory and would overwrite what this program " +
                  "writes. End the Wine programs of this prefix (wineserver -k) and try again."};
    }
    if (!options_.read_only) {
      for (const char* file : {kUserFile, kMachineFile}) {
        wine_registry::RemoveStaleTemporaries(prefix_ + "/" + file);
      }
    }
    return {};
  }

  void Step(WinePrefixOptions::Point point) const {
    if (options_.at_point) options_.at_point(point);
  }

  // The hive behind a root, read at its first use. The slot takes the hive only once it is read
  // whole; whatever stops the reading, an exception included, becomes the reason that every use
  // of the hive then fails with.
  HiveSlot& Load(HiveSlot& slot) {
    if (slot.state != HiveSlot::State::kUnread) return slot;
    slot.state = HiveSlot::State::kReading;
    try {
      slot.status = Read(slot);
    } catch (const wine_registry::FormatError& e) {
      slot.status = {kErrorBadlyFormedDb, "The registry file " + FileOf(slot) + " is damaged (" +
                                              e.what() + "); it is left as it is."};
    } catch (...) {
      // Everything else that reading throws is an allocation that failed.
      slot.status = {kErrorNotEnoughMemory, "The registry file " + FileOf(slot) +
                                                " could not be read: there is not enough " +
                                                "memory for it; it is left as it is."};
    }
    slot.state = HiveSlot::State::kRead;
    return slot;
  }

  // Reads the hive file into the slot, which changes only when all went well.
  wine_registry::Status Read(HiveSlot& slot) {
    if (auto run = StartRun(); !run.ok()) return run;
    const std::string path = FileOf(slot);
    auto file = wine_registry::ReadHiveFile(path);
    if (!file.ok()) return file.status();
    Step(WinePrefixOptions::Point::kHiveRead);
    wine_registry::Hive hive;
    if (file->exists) {
      hive = wine_registry::LoadHive(std::make_shared<const FileText>(std::move(file->contents)));
    } else {
      hive.arch = NewHiveArch(slot);
      // A 64-bit prefix keeps the 32-bit programs' machine software apart, as wineboot sets up.
      if (&slot == &machine_ && hive.arch == "win64") {
        hive.root->AddSubkey(u"Software", wine_registry::Now())
            ->AddSubkey(u"Wow6432Node", wine_registry::Now());
      }
    }
    if (hive.relative_to.empty()) hive.relative_to = slot.relative_to;
    wine_registry::Status writes = wine_registry::CheckHiveFileWritable(path);
    slot.existed = file->exists;
    slot.version = file->version;
    slot.hive = std::move(hive);
    slot.writable = writes.ok() && !(&slot == &machine_ && machine_denied_);
    slot.writes = std::move(writes);
    return {};
  }

  // Writes a changed hive over its file; the save that fails says why.
  wine_registry::Status Save(const HiveSlot& slot, const std::string& path) {
    try {
      const wine_registry::HiveText text =
          wine_registry::WriteHive(slot.hive, wine_registry::KeyText::kCopy);
      return wine_registry::ReplaceHiveFile(path, text.Pieces(),
                                            [this] { Step(WinePrefixOptions::Point::kSaving); });
    } catch (...) {
      // Nothing but an allocation can fail before the file is replaced, which then stays.
      return {kErrorNotEnoughMemory, "The registry file " + path +
                                         " could not be saved: there is not enough memory for " +
                                         "it. It keeps its previous contents."};
    }
  }

  // A new hive file follows the prefix's other one, else WINEARCH, else Wine's 64-bit default.
  std::string NewHiveArch(const HiveSlot& slot) {
    HiveSlot& other = &slot == &user_ ? machine_ : user_;
    if (Load(other).existed && other.status.ok() && !other.hive.arch.empty()) {
      return other.hive.arch;
    }
    const char* arch = std::getenv("WINEARCH");
    return arch != nullptr && std::strcmp(arch, "win32") == 0 ? "win32" : "win64";
  }

  std::string FileOf(const HiveSlot& slot) const { return prefix_ + "/" + slot.file_name; }

  HiveSlot* SlotOf(Hkey root) {
    if (root == kHkeyCurrentUser) return &user_;
    if (root == kHkeyLocalMachine) return &machine_;
    return nullptr;
  }

  // The value at index of the key behind a handle, for the enumerations, with their checks of
  // the caller's buffers.
  Long FindValue(Hkey key, Dword index, const Dword* name_size, const std::uint8_t* data,
                 const Dword* data_size, const wine_registry::Value** value) {
    if (name_size == nullptr || (data != nullptr && data_size == nullptr)) {
      return kErrorInvalidParameter;
    }
    OpenKey* open = nullptr;
    if (const Long status = Use(key, kKeyQueryValue, &open)) return status;
    *value = open->key->ValueAt(index);
    return *value != nullptr ? kErrorSuccess : kErrorNoMoreItems;
  }

  // The subkey at index of the key behind a handle, for the enumerations.
  Long FindSubkey(Hkey key, Dword index, const Dword* name_size, KeyPtr* subkey) {
    if (name_size == nullptr) return kErrorInvalidParameter;
    OpenKey* open = nullptr;
    if (const Long status = Use(key, kKeyEnumerateSubKeys, &open)) return status;
    *subkey = open->key->SubkeyAt(index);
    return *subkey ? kErrorSuccess : kErrorNoMoreItems;
  }

  // The open key behind a handle, checked for the access the call needs.
  Long Use(Hkey key, Dword needed, OpenKey** result) {
    OpenKey* open = nullptr;
    if (HiveSlot* slot = SlotOf(key)) {
      if (!Load(*slot).status.ok()) return slot->status.code();
      const Dword access = kKeyAllAccess;
      root_handles_[slot] = OpenKey{slot->hive.root, slot, slot->writable ? access : kKeyRead};
      open = &root_handles_[slot];
    } else {
      const auto it = handles_.find(static_cast<std::uintptr_t>(key));
      if (it == handles_.end()) return kErrorInvalidHandle;
      open = &it->second;
    }
    if (open->key->deleted) return kErrorKeyDeleted;
    if ((open->access & needed) != needed) return kErrorAccessDenied;
    if (result != nullptr) *result = open;
    return kErrorSuccess;
  }

  static Dword MapAccess(Dword sam, bool writable) {
    if (sam & kGenericRead) sam |= kKeyRead;
    if (sam & kGenericWrite) sam |= kKeyWrite;
    if (sam & kGenericAll) sam |= kKeyAllAccess;
    if (sam & kMaximumAllowed) sam |= writable ? kKeyAllAccess : kKeyRead;
    return sam & (kKeyAllAccess | kKeyCreateLink);
  }

  // The path of a key, as the registry's tools name it.
  std::string PathOf(const HiveSlot& slot, const Key& key) const {
    std::u16string path;
    for (const Key* level = &key; level->parent() != nullptr; level = level->parent()) {
      path.insert(0, u"\\" + level->name());
    }
    return (&slot == &machine_ ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER") + WideToAnsi(path);
  }

  // Opens (or, with create, creates) path below key as Wine does for a 32-bit program.
  Long Open(Hkey key, const std::u16string& path, Dword sam, bool create, OpenKey* result,
            Dword* disposition, bool open_link = false) {
    unreachable_.clear();
    OpenKey* base = nullptr;
    if (const Long status = Use(key, 0, &base)) return status;
    if (const Long refused = CheckKeyPath(std::u16string_view(path))) return refused;
    HiveSlot& slot = *base->slot;
    const Dword access = MapAccess(sam, slot.writable);
    if ((access & kWriteRights) && !slot.writable) return kErrorAccessDenied;
    const std::vector<std::u16string> tokens = SplitKeyPath(std::u16string_view(path));
    if (const Long refused = CheckKeyNames(tokens)) return refused;
    const wine_registry::PathView view{slot.hive, slot.Wow64() && !(sam & kKeyWow6464Key),
                                       &slot == &machine_, open_link};
    wine_registry::Resolved found = wine_registry::Resolve(view, base->key, tokens);
    if (found.broken_link) {
      unreachable_ = "The registry key " + PathOf(slot, *found.broken_link) + " in " +
                     FileOf(slot) + " is a link that cannot be followed: " + found.why_broken +
                     ". It is left as it is; no key below it can be opened or created.";
      return kErrorFileNotFound;
    }
    KeyPtr current = std::move(found.key);
    std::size_t matched = found.matched;
    if (matched == tokens.size()) {
      if (disposition != nullptr) *disposition = kRegOpenedExistingKey;
    } else {
      if (!create) return kErrorFileNotFound;
      if (!slot.writable) return kErrorAccessDenied;
      std::size_t depth = tokens.size() - matched;
      for (const Key* above = current.get(); above->parent() != nullptr; above = above->parent()) {
        ++depth;
      }
      if (depth > wine_registry::kMaxKeyDepth) return kErrorInvalidParameter;
      const wine_registry::FileTime now = wine_registry::Now();
      for (; matched < tokens.size(); ++matched) {
        current->modified = now;
        current = current->AddSubkey(tokens[matched], now);
      }
      slot.changed = true;
      if (disposition != nullptr) *disposition = kRegCreatedNewKey;
    }
    *result = OpenKey{std::move(current), &slot, access};
    return kErrorSuccess;
  }

  Hkey AddHandle(OpenKey open) {
    next_handle_ += 4;
    handles_.emplace(next_handle_, std::move(open));
    return static_cast<Hkey>(next_handle_);
  }

  static void Touch(OpenKey& open) {
    open.key->modified = wine_registry::Now();
    open.slot->changed = true;
  }

  std::string prefix_;
  WinePrefixOptions options_;
  bool locate_;
  wine_registry::UniqueFd lock_;
  bool run_started_ = false;
  wine_registry::Status run_status_;  // why this run cannot use the prefix at all
  std::string unreachable_;  // why the last look-up of a key met a link it could not follow
  HiveSlot user_{kUserFile, kUserRoot};
  HiveSlot machine_{kMachineFile, kMachineRoot};
  bool machine_denied_ = false;
  std::unordered_map<std::uintptr_t, OpenKey> handles_;
  std::unordered_map<const HiveSlot*, OpenKey> root_handles_;
  std::uintptr_t next_handle_ = 0x1000;
};

}  // namespace

std::unique_ptr<WinePrefixRegistry> OpenWinePrefixRegistry(const std::string& prefix_path,
                                                           WinePrefixOptions options) {
  return std::make_unique<WineRegistry>(prefix_path, std::move(options));
}

// The process-wide registries follow WINEPREFIX from one run (ended by Persist) to the next.
Registry& DefaultRegistry() {
  static WineRegistry registry({}, {}, true);
  return registry;
}

Registry& ReadOnlyRegistry() {
  static WineRegistry registry({}, {.read_only = true}, true);
  return registry;
}

}  // namespace platform
