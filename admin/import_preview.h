// The companion's preview of an import: the import's own load, identity check and walk, driving
// the real preference store over a DryRunRegistry on top of the registry as it is now. Every
// value is reported with where it would go and what would happen to it; nothing is written.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "admin/dry_run_registry.h"
#include "admin/walk_location.h"
#include "import/import_configuration.h"

namespace regcorvex {

struct PreviewEntry {
  enum class Outcome {
    kNew,            // a value the key does not hold yet
    kChanged,        // before is the value replaced
    kUnchanged,      // written with the value it holds already
    kEqualsMachine,  // per-user value skipped: before is the machine's equal value
    kNotWritten,     // the walk ignores the value: message says why
    kFailed,         // the store reports a failure: message is its box's text
    kKeyCreated,     // a key the import creates
    kKeyNotOpened,   // the store cannot open the category's key: message is its box's text
  };
  Location where;
  Outcome outcome;
  platform::Hkey root = platform::kNoKey;  // kNoKey where the hive is not known
  std::string key;                         // below the root, ANSI
  std::string name;                        // ANSI
  std::optional<RegistryValue> before;
  std::optional<RegistryValue> after;
  bool to_user_key = false;  // a per-machine value going to the user's key instead
  std::string message;       // ANSI
};

struct PreviewReport {
  WalkOutcome outcome;
  std::vector<PreviewEntry> entries;
};

// Hands each entry to each as the walk reaches it, so that none need be kept, and returns how the
// walk ended. registry is only opened, queried and closed.
WalkOutcome PreviewImport(const std::string& path, platform::Registry& registry,
                          const std::function<void(const PreviewEntry&)>& each);
// The same with the entries kept.
PreviewReport PreviewImport(const std::string& path, platform::Registry& registry);

// 0 when the import would walk the document, 1 when it would refuse it or stop with an error,
// 2 when the document cannot be loaded.
int PreviewExitCode(const WalkOutcome& outcome);
inline int PreviewExitCode(const PreviewReport& report) { return PreviewExitCode(report.outcome); }

}  // namespace regcorvex
