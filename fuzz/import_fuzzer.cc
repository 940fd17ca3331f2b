// The whole import as the program runs it, against the native registry of a Wine prefix made once
// for the process and emptied after each input: any document ends with the import returning, the
// hive files saved after it read back as the registry that was written, and nothing is written
// outside the product's key.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "admin/registry_query.h"
#include "import/import_configuration.h"
#include "import/store_receiver.h"
#include "platform/message_box.h"
#include "platform/posix/wine_prefix.h"
#include "platform/posix/wine_registry/registry.h"
#include "prefs/config_manager.h"
#include "tests/support/prefix_keys.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr char kBase[] = "Software\\Pellmoor Software Solutions\\Corvane 5";

class DiscardingMessageBoxes final : public platform::MessageBoxes {
 public:
  int MessageBoxA(platform::Hwnd, const std::string&, const std::string&, unsigned) override {
    return platform::kIdOk;
  }
  platform::Hwnd OwnForegroundWindow() override { return platform::kNoWindow; }
  void ShowMessageDialog(platform::Hwnd, const std::string&, const std::string&) override {}
};

// A folder for the document beside a prefix that the program's file functions see as theirs.
struct Workspace {
  Workspace() { setenv("WINEPREFIX", prefix.c_str(), 1); }

  regcorvex::test::TempDir folder;
  std::string prefix = (folder.path() / "prefix").string();
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "import: %s\n", what.c_str());
  std::abort();
}

// The product's keys in both hives, as `reg query` lists them.
std::string ProductKeys(platform::Registry& registry) {
  std::string listing;
  for (const std::string root : {"HKCU\\", "HKLM\\"}) {
    const auto keys =
        regcorvex::QueryRegistry(registry, *regcorvex::ParseRegistryPath(root + kBase), {true, {}});
    listing += root + (keys ? *keys : "(none)\n");
  }
  return listing;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Workspace workspace;
  std::filesystem::create_directory(workspace.prefix);
  const std::string document = platform::UnixToWindowsPath(
      workspace.folder.Write("doc.xml", {reinterpret_cast<const char*>(data), size}).string());
  DiscardingMessageBoxes boxes;
  std::string written;
  {
    const auto registry = platform::OpenWinePrefixRegistry(workspace.prefix);
    {
      regcorvex::TConfigManager store(*registry, boxes, platform::kNoWindow);
      regcorvex::StoreReceiver receiver(store);
      regcorvex::ImportConfiguration(document, platform::DefaultXmlParser(), receiver, boxes);
    }
    written = ProductKeys(*registry);
    if (const std::string error = registry->Persist(); !error.empty()) Fail(error);
  }
  if (ProductKeys(*platform::OpenWinePrefixRegistry(workspace.prefix)) != written)
    Fail("the saved hives read back differently:\n" + written);
  const auto outside = regcorvex::test::KeysOutside(workspace.prefix, kBase);
  if (!outside.empty()) Fail("written outside the product's key: " + outside.front());
  std::filesystem::remove_all(workspace.prefix);
  return 0;
}
