// Registry files and their export: any input is read without harm, every line it cannot read is
// named once and in order, and the document the export makes of its keys (each taken as a key
// below the product's, in the scope its root gives) is walked by the import into values that the
// file held, byte for byte, as many as were exported.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>

#include "admin/document_export.h"
#include "admin/reg_file.h"
#include "import/import_configuration.h"
#include "import/walk_receiver.h"
#include "platform/code_page.h"
#include "platform/posix/wine_prefix.h"
#include "tests/support/temp_dir.h"

namespace {

using regcorvex::cfgDataScope;
using Held = std::tuple<int, std::string, std::string, platform::Dword, std::vector<std::uint8_t>>;

Held Slot(cfgDataScope scope, const std::string& key, const std::string& name, platform::Dword type,
          std::vector<std::uint8_t> data) {
  return {scope, platform::CharUpperBuffA(key), platform::CharUpperBuffA(name), type,
          std::move(data)};
}

void Fail(const char* what) {
  std::fprintf(stderr, "reg file export: %s\n", what);
  std::abort();
}

class Recorder final : public regcorvex::WalkReceiver {
 public:
  explicit Recorder(const std::set<Held>& held) : held_(held) {}

  std::size_t written = 0;

  bool OpenPref(cfgDataScope scope, const std::string& key) override {
    scope_ = scope;
    key_ = key;
    return true;
  }
  void ClosePref() override {}
  void SetPrefInteger(const std::string&, const std::string& name, std::int32_t value) override {
    const auto bits = static_cast<std::uint32_t>(value);
    Check(name, platform::kRegDword,
          {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
           static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)});
  }
  void SetPrefString(const std::string&, const std::string& name,
                     const std::string& value) override {
    std::vector<std::uint8_t> data(value.begin(), value.end());
    data.push_back(0);
    Check(name, platform::kRegSz, data);
  }
  void SetPrefBooleanProc(const std::string&, const std::string&, bool) override {
    Fail("the export wrote a boolean");
  }
  void SetPrefBinaryProc(const std::string&, const std::string& name,
                         const std::vector<std::uint8_t>& bytes) override {
    Check(name, platform::kRegBinary, bytes);
  }

 private:
  void Check(const std::string& name, platform::Dword type, std::vector<std::uint8_t> data) {
    ++written;
    std::string key = key_.substr(std::string(regcorvex::PrefBaseKey).size() + 1);
    if (held_.count(Slot(scope_, key, name, type, std::move(data))) == 0) {
      Fail("the import read back a value the file does not hold");
    }
  }

  const std::set<Held>& held_;
  cfgDataScope scope_ = regcorvex::cfgPerUserRoam;
  std::string key_;
};

struct Workspace {
  Workspace() { setenv("WINEPREFIX", (folder.path() / "prefix").c_str(), 1); }
  regcorvex::test::TempDir folder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Workspace workspace;
  const regcorvex::RegFile file =
      regcorvex::ParseRegFile(std::string_view(reinterpret_cast<const char*>(data), size));
  // The lines not read are named in order, each once, after the header.
  int previous_line = 1;
  for (const regcorvex::RegFileLine& line : file.unread) {
    if (line.line <= previous_line || line.reason.empty()) Fail("an unread line is misnamed");
    previous_line = line.line;
  }
  if (!file.error.empty() && (!file.keys.empty() || !file.unread.empty())) {
    Fail("a file that is no registry file gave entries");
  }
  std::vector<regcorvex::ExportKey> keys;
  std::set<Held> held;
  for (const regcorvex::RegFileKey& entry : file.keys) {
    const cfgDataScope scope = entry.root == platform::kHkeyLocalMachine
                                   ? regcorvex::cfgPerMachine
                                   : regcorvex::cfgPerUserRoam;
    const auto product = regcorvex::ProductKeyOf(entry.root, entry.key.path);
    const std::string path = product ? product->path : entry.key.path;
    regcorvex::ExportKey& key = keys.emplace_back();
    key.scope = scope;
    key.path = path;
    key.values = entry.key.values;
    for (const regcorvex::TreeValue& value : entry.key.values) {
      held.insert(Slot(scope, path, value.name, value.type, value.data));
    }
  }
  const regcorvex::ExportResult result = regcorvex::ExportDocument(keys);
  const std::string path = workspace.folder.Write("export.xml", result.document).string();
  Recorder recorder(held);
  const regcorvex::WalkOutcome outcome = regcorvex::LoadAndWalk(
      platform::UnixToWindowsPath(path), platform::DefaultXmlParser(), recorder);
  if (outcome.kind != regcorvex::WalkOutcome::Kind::kWalked) Fail("the document does not load");
  if (recorder.written != result.exported) Fail("the import wrote another number of values");
  return 0;
}
