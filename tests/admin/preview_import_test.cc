// The preview against the import: for a set of documents and registries, preview predicts what
// the import then writes (run both on the same prefix, compare the registry afterwards with the
// registry before plus the prediction), writes nothing itself, and reports the store's messages.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "admin/import_preview.h"
#include "admin/registry_query.h"
#include "admin/report_output.h"
#include "import/import_configuration.h"
#include "import/store_receiver.h"
#include "platform/posix/wine_prefix.h"
#include "platform/posix/wine_registry/registry.h"
#include "platform/unique_hkey.h"
#include "prefs/config_base.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace regcorvex {
namespace {

using platform::Hkey;
using test::TempDir;

constexpr char kCompany[] = "Software\\Pellmoor Software Solutions";
const std::string kBase = PrefBaseKey;

// Every key and value below the company's key in both hives: "HKCU\<key>" for a key,
// "HKCU\<key>:<name>" for a value, mapped to "" or to "TYPE data".
using Snapshot = std::map<std::string, std::string>;

const char* Short(Hkey root) { return root == platform::kHkeyCurrentUser ? "HKCU" : "HKLM"; }

std::string Shown(const RegistryValue& value) {
  return std::string(RegistryTypeName(value.type)) + " " +
         FormatRegistryData(value.type, value.data);
}

void SnapshotKey(platform::Registry& registry, Hkey root, const std::string& path, Snapshot& out) {
  Hkey opened = platform::kNoKey;
  if (registry.RegOpenKeyExA(root, path.c_str(), 0, platform::kKeyRead, &opened) != 0) return;
  const auto key = platform::MakeUniqueHkey(registry, opened);
  const std::string prefix = std::string(Short(root)) + "\\" + path;
  out[prefix] = "";
  char name[512];
  for (platform::Dword i = 0;; ++i) {
    platform::Dword size = sizeof name, type = 0, data_size = 0;
    if (registry.RegEnumValueA(key.get(), i, name, &size, &type, nullptr, &data_size) != 0) break;
    RegistryValue value{type, std::vector<std::uint8_t>(data_size)};
    registry.RegQueryValueExA(key.get(), name, &type, value.data.data(), &data_size);
    out[prefix + ":" + name] = Shown(value);
  }
  for (platform::Dword i = 0;; ++i) {
    platform::Dword size = sizeof name;
    if (registry.RegEnumKeyExA(key.get(), i, name, &size) != 0) break;
    SnapshotKey(registry, root, path + "\\" + name, out);
  }
}

Snapshot Take(platform::Registry& registry) {
  Snapshot out;
  for (const Hkey root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
    SnapshotKey(registry, root, kCompany, out);
  }
  return out;
}

// before, with what the preview says the import writes.
Snapshot Predicted(Snapshot before, const PreviewReport& report) {
  for (const PreviewEntry& entry : report.entries) {
    const std::string key = std::string(Short(entry.root)) + "\\" + entry.key;
    if (entry.outcome == PreviewEntry::Outcome::kKeyCreated) {
      for (std::string level = key; level.size() >= std::string(kCompany).size() + 5;
           level = level.substr(0, level.rfind('\\'))) {
        before[level] = "";
      }
    } else if (entry.after) {
      before[key + ":" + entry.name] = Shown(*entry.after);
    }
  }
  return before;
}

struct Seed {
  Hkey root;
  std::string category;  // below the base key; "" for the base key itself
  std::string name;
  RegistryValue value;
};

RegistryValue Dword(std::uint8_t low) { return {platform::kRegDword, {low, 0, 0, 0}}; }
RegistryValue Sz(const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  return {platform::kRegSz, data};
}

std::string Product(const std::string& scopes) {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences>\n<Corvane_5_Preferences>"
         "<Corvane_5>" +
         scopes + "</Corvane_5></Corvane_5_Preferences>\n";
}

struct Case {
  const char* label;
  std::vector<Seed> seeds;
  bool machine_read_only;
  std::string document;
};

class PreviewImportTest : public ::testing::Test {
 protected:
  PreviewImportTest() { setenv("WINEPREFIX", empty_prefix_.path().c_str(), 1); }

  std::string prefix() const { return (folder_.path() / "prefix").string(); }

  void Prepare(const Case& c) {
    std::filesystem::remove_all(prefix());
    const auto registry = platform::OpenWinePrefixRegistry(prefix());
    for (const Seed& seed : c.seeds) {
      const std::string key = kBase + (seed.category.empty() ? "" : "\\" + seed.category);
      Hkey opened = platform::kNoKey;
      ASSERT_EQ(registry->RegCreateKeyExA(seed.root, key.c_str(), 0, platform::kKeyAllAccess,
                                          &opened, nullptr),
                0);
      const auto owned = platform::MakeUniqueHkey(*registry, opened);
      ASSERT_EQ(registry->RegSetValueExA(owned.get(), seed.name.c_str(), seed.value.type,
                                         seed.value.data.data(),
                                         static_cast<platform::Dword>(seed.value.data.size())),
                0);
    }
    ASSERT_EQ(registry->Persist(), "");
    document_ = platform::UnixToWindowsPath(folder_.Write("doc.xml", c.document).string());
  }

  std::unique_ptr<platform::WinePrefixRegistry> Open(bool machine_read_only) {
    auto registry = platform::OpenWinePrefixRegistry(prefix());
    if (machine_read_only) registry->DenyMachineWrites();
    return registry;
  }

  // The hive files as they are on disk.
  std::string Hives() const {
    std::string bytes;
    for (const char* file : {"/user.reg", "/system.reg"}) {
      std::ifstream in(prefix() + file, std::ios::binary);
      bytes += std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    return bytes;
  }

  TempDir empty_prefix_;
  TempDir folder_;
  std::string document_;
};

TEST_F(PreviewImportTest, PredictsExactlyWhatTheImportWrites) {
  const std::string long_name(300, 'L');
  const Case cases[] = {
      {"a fresh registry: every type, per user and per machine",
       {},
       false,
       Product("<PerUserRoam><Top type=\"integer\">7</Top><Appearance><W "
               "type=\"integer\">$1F</W><N type=\"string\">C:\\My_Files</N><On "
               "type=\"boolean\">-1</On><Blob type=\"binary\">0A 1B FF</Blob><X "
               "type=\"Integer\">1</X><Bad type=\"binary\">0A-</Bad></Appearance></PerUserRoam>"
               "<PerMachine><Misc><M type=\"integer\">1</M></Misc><D "
               "type=\"string\">d</D></PerMachine><PerUserRoam><Paths><!--only--></Paths>"
               "</PerUserRoam>")},
      {"values the machine already holds, and values the user holds",
       {{platform::kHkeyLocalMachine, "Misc", "Same", Dword(5)},
        {platform::kHkeyLocalMachine, "Misc", "Other", Dword(5)},
        {platform::kHkeyLocalMachine, "Misc", "Text", Sz("abc")},
        {platform::kHkeyCurrentUser, "Misc", "Mine", Dword(5)},
        {platform::kHkeyCurrentUser, "Misc", "Kept", Sz("k")},
        {platform::kHkeyLocalMachine, "Misc", "Kept", Sz("k")}},
       false,
       Product("<PerUserNonRoam><Misc><Same type=\"integer\">5</Same><Other "
               "type=\"integer\">6</Other><Text type=\"string\">ABC</Text><Mine "
               "type=\"integer\">9</Mine><Kept type=\"string\">k</Kept></Misc>"
               "</PerUserNonRoam>")},
      {"a machine hive that cannot be written",
       {{platform::kHkeyLocalMachine, "Misc", "Same", Dword(1)},
        {platform::kHkeyLocalMachine, "", "Top", Dword(2)}},
       true,
       Product("<PerMachine><Misc><Same type=\"boolean\">1</Same><New "
               "type=\"integer\">3</New></Misc><Top type=\"integer\">4</Top></PerMachine>")},
      {"a machine value of another type, a key that cannot be opened",
       {{platform::kHkeyLocalMachine, "Misc", "Typed", Sz("1")}},
       false,
       Product("<PerUserRoam><Misc><Typed type=\"integer\">1</Typed><After "
               "type=\"integer\">2</After></Misc><" +
               long_name + "><A type=\"integer\">1</A></" + long_name +
               "><Editor><B type=\"integer\">1</B></Editor></PerUserRoam>")},
      {"a value written twice, and a machine key that is written per machine",
       {{platform::kHkeyLocalMachine, "Misc", "Old", Dword(1)}},
       false,
       Product("<PerUserRoam><Misc><A type=\"integer\">1</A></Misc></PerUserRoam>"
               "<PerUserRoam><Misc><A type=\"integer\">1</A><A type=\"integer\">2</A></Misc>"
               "</PerUserRoam><PerMachine><Misc><Old type=\"integer\">1</Old><Old "
               "type=\"integer\">3</Old></Misc></PerMachine>")},
  };
  std::set<std::string> seen;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    Prepare(c);
    const std::string hives = Hives();
    PreviewReport preview;
    {
      const auto registry = Open(c.machine_read_only);
      preview = PreviewImport(document_, *registry);
    }
    EXPECT_EQ(Hives(), hives) << "the preview wrote";
    EXPECT_EQ(PreviewExitCode(preview), 0);

    const auto registry = Open(c.machine_read_only);
    const Snapshot before = Take(*registry);
    test::RecordingMessageBoxes boxes;
    TConfigBase store(*registry, boxes, platform::kNoWindow);
    StoreReceiver receiver(store);
    ImportConfiguration(document_, platform::DefaultXmlParser(), receiver, boxes);
    EXPECT_EQ(Take(*registry), Predicted(before, preview)) << PreviewText("doc.xml", preview);

    std::vector<std::string> predicted_boxes, shown_boxes;
    for (const PreviewEntry& entry : preview.entries) {
      seen.insert(std::to_string(static_cast<int>(entry.outcome)));
      if (entry.to_user_key) seen.insert("to user");
      if (entry.outcome == PreviewEntry::Outcome::kFailed ||
          entry.outcome == PreviewEntry::Outcome::kKeyNotOpened) {
        predicted_boxes.push_back(entry.message);
      }
    }
    for (const auto& box : boxes.boxes) shown_boxes.push_back(box.text);
    EXPECT_EQ(predicted_boxes, shown_boxes);
  }
  EXPECT_EQ(seen.size(), 9u) << "every outcome, and a per-machine value sent to the user";
}

TEST_F(PreviewImportTest, TheCommandPredictsWhatTheProgramWrites) {
  Prepare({"",
           {{platform::kHkeyLocalMachine, "Misc", "Same", Dword(5)}},
           false,
           Product("<PerUserRoam><Misc><Same type=\"integer\">5</Same><New "
                   "type=\"integer\">6</New><Lost type=\"integer\">42 </Lost></Misc>"
                   "</PerUserRoam>")});
  const std::string hives = Hives();
  const std::vector<std::pair<std::string, std::string>> environment = {{"WINEPREFIX", prefix()}};
  const auto preview = test::RunProgram({REGCORVEX_ADMIN, "preview", "doc.xml"}, environment,
                                        folder_.path().string());
  EXPECT_EQ(preview.exit_code, 0) << preview.err;
  EXPECT_EQ(Hives(), hives) << "the preview wrote";
  const std::string key = "HKEY_CURRENT_USER\\" + kBase + "\\Misc\n";
  EXPECT_NE(preview.out.find(key + "  (key created)"), std::string::npos) << preview.out;
  for (const char* line : {"  Same                    skipped    equals the machine's value "
                           "REG_DWORD 0x5",
                           "  New                     new        REG_DWORD 0x6",
                           "  Lost                    new        REG_DWORD 0x0"}) {
    EXPECT_NE(preview.out.find(line), std::string::npos) << line << "\n" << preview.out;
  }
  const auto check =
      test::RunProgram({REGCORVEX_ADMIN, "check", "doc.xml"}, environment, folder_.path().string());
  EXPECT_EQ(check.exit_code, 1);
  EXPECT_NE(check.out.find("doc.xml:3:110: integer-text: "), std::string::npos) << check.out;

  test::RunProgram({REGCORVEX_PROGRAM, "/IC", "doc.xml"}, environment, folder_.path().string());
  const auto registry = platform::OpenWinePrefixRegistry(prefix());
  const auto listing =
      QueryRegistry(*registry, *ParseRegistryPath("HKCU\\" + kBase + "\\Misc"), {});
  ASSERT_TRUE(listing.has_value());
  EXPECT_EQ(*listing, "\nHKEY_CURRENT_USER\\" + kBase +
                          "\\Misc\n    Lost    REG_DWORD    0x0\n    New    REG_DWORD    0x6\n");
}

}  // namespace
}  // namespace regcorvex
