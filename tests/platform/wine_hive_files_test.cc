// The native registry against hive files that Wine 8 wrote, and Wine against hive files that the
// native registry wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/posix/wine_registry/registry.h"
#include "platform/unique_hkey.h"
#include "tests/platform/booted_prefix.h"
#include "tests/support/hive_differential.h"
#include "tests/support/temp_dir.h"

namespace regcorvex::test {
namespace {

namespace fs = std::filesystem;
using platform::Dword;
using platform::Hkey;

// The blocks of a hive file by key line ("[path] stamp" up to the next blank line); the header is
// the block named "".
std::map<std::string, std::string> Blocks(const std::string& text) {
  std::map<std::string, std::string> blocks;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\n\n", start);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string block = text.substr(start, end - start);
    const std::string name = block[0] == '[' ? block.substr(0, block.find(']') + 1) : "";
    blocks[name] += block;
    start = end + 1;
  }
  return blocks;
}

// Every block of before is in after unchanged, except the blocks named in touched.
void ExpectUntouchedBlocksKept(const std::string& before, const std::string& after,
                               const std::set<std::string>& touched) {
  const auto old_blocks = Blocks(before);
  const auto new_blocks = Blocks(after);
  int differing = 0;
  for (const auto& [name, block] : old_blocks) {
    if (touched.count(name) != 0) continue;
    const auto found = new_blocks.find(name);
    if (found == new_blocks.end() || found->second != block) {
      if (++differing <= 5) ADD_FAILURE() << "changed or lost: " << block;
    }
  }
  EXPECT_EQ(differing, 0);
}

class WineHiveFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto booted = BootedTemplatePrefix();
    if (!booted) GTEST_SKIP() << "Wine is not installed";
    template_ = *booted;
    prefix_ = temp_.path() / "prefix";
    CopyBootedPrefix(template_, prefix_);
  }

  platform::UniqueHkey Create(platform::Registry& registry, Hkey root, const std::string& path) {
    Hkey key = platform::kNoKey;
    EXPECT_EQ(
        registry.RegCreateKeyExA(root, path.c_str(), 0, platform::kKeyAllAccess, &key, nullptr),
        platform::kErrorSuccess)
        << path;
    return platform::MakeUniqueHkey(registry, key);
  }

  static void Set(platform::Registry& registry, Hkey key, const char* name, Dword type,
                  const std::string& data) {
    EXPECT_EQ(
        registry.RegSetValueExA(key, name, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                                static_cast<Dword>(data.size())),
        platform::kErrorSuccess)
        << name;
  }

  TempDir temp_;
  fs::path template_;
  fs::path prefix_;
};

TEST_F(WineHiveFilesTest, SavingKeepsEveryKeyTheProgramDidNotTouch) {
  const std::string system_before = ReadWholeFile(prefix_ / "system.reg");
  const std::string user_before = ReadWholeFile(prefix_ / "user.reg");
  {
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    const auto machine =
        Create(*registry, platform::kHkeyLocalMachine, "Software\\RegCorvexTest\\Kept");
    Set(*registry, machine.get(), "m", platform::kRegDword, std::string(4, '\x01'));
    const auto user =
        Create(*registry, platform::kHkeyCurrentUser, "Software\\RegCorvexTest\\Kept");
    Set(*registry, user.get(), "u", platform::kRegDword, std::string(4, '\x02'));
    const auto desktop = Create(*registry, platform::kHkeyCurrentUser, "Control Panel\\Desktop");
    Set(*registry, desktop.get(), "RegCorvex", platform::kRegSz, std::string("x\0", 2));
    EXPECT_EQ(registry->Persist(), "");
  }
  const std::string system_after = ReadWholeFile(prefix_ / "system.reg");
  const std::string user_after = ReadWholeFile(prefix_ / "user.reg");
  // Only the new keys and the parents whose subkey list changed may differ.
  ExpectUntouchedBlocksKept(
      system_before, system_after,
      {"[Software\\\\Wow6432Node]", "[Software\\\\Wow6432Node\\\\RegCorvexTest]"});
  ExpectUntouchedBlocksKept(
      user_before, user_after,
      {"[Software]", "[Software\\\\RegCorvexTest]", "[Control Panel\\\\Desktop]"});
  EXPECT_NE(system_after.find("\n[Software\\\\Wow6432Node\\\\RegCorvexTest\\\\Kept] "),
            std::string::npos);
  EXPECT_NE(system_after.find("\n\"m\"=dword:01010101\n"), std::string::npos);
  // A key made or changed gets Wine's stamps of the time: Unix seconds and FILETIME; a changed
  // key keeps its other values.
  for (const char* key : {"[Software\\\\RegCorvexTest\\\\Kept]", "[Control Panel\\\\Desktop]"}) {
    SCOPED_TRACE(key);
    const std::string block = Blocks(user_after)[key];
    unsigned long long seconds = 0;
    unsigned long long filetime = 0;
    ASSERT_EQ(
        std::sscanf(block.c_str() + std::strlen(key), " %llu\n#time=%llx", &seconds, &filetime), 2)
        << block;
    EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(std::time(nullptr)), 60.0);
    EXPECT_EQ(filetime / 10000000 - 11644473600ull, seconds);
  }
  const std::string desktop_before = Blocks(user_before)["[Control Panel\\\\Desktop]"];
  const std::string desktop_after = Blocks(user_after)["[Control Panel\\\\Desktop]"];
  EXPECT_NE(desktop_after.find("\n\"RegCorvex\"=\"x\"\n"), std::string::npos) << desktop_after;
  EXPECT_EQ(desktop_after.size(), desktop_before.size() + std::strlen("\"RegCorvex\"=\"x\"\n"));
  EXPECT_NE(user_after.find("\n\"u\"=dword:02020202\n"), std::string::npos);
}

// Values of every type as Wine's reg.exe imports them from a .reg file in UTF-16.
TEST_F(WineHiveFilesTest, ValuesOfEveryTypeWineWroteReadBackAndStayAsWritten) {
  const std::u16string import =
      u"\xfeffWindows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\Software\\RegCorvexProbe]\r\n"
      u"@=\"default \\\"quoted\\\" \\\\ back\"\r\n"
      u"\"text\"=\"caf\x00e9 \x20ac \x0178 \x4e2d\"\r\n"
      u"\"expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
      u"\"multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      u"\"dword\"=dword:8000002a\r\n"
      u"\"qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
      u"\"none\"=hex(0):\r\n"
      u"\"empty\"=hex:\r\n"
      u"\"odd sz\"=hex(1):41,00,42\r\n"
      u"\"long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,"
      u"19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,31,32\r\n"
      u"\"name \\\"with\\\" [brackets] \\\\\"=dword:00000001\r\n";
  std::string bytes;
  for (const char16_t unit : import) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  const fs::path file = temp_.Write("probe.reg", bytes);
  ASSERT_EQ(RunWine(prefix_, "reg import '" + file.string() + "' /reg:32").status, 0);
  const std::string system_before = ReadWholeFile(prefix_ / "system.reg");
  ASSERT_NE(system_before.find("[Software\\\\Wow6432Node\\\\RegCorvexProbe]"), std::string::npos);
  // The reader that keeps values in the text agrees with the whole-model one on Wine's files.
  EXPECT_EQ(hive_differential::Compare(system_before), "");
  EXPECT_EQ(hive_differential::Compare(ReadWholeFile(prefix_ / "user.reg")), "");

  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  Hkey raw = platform::kNoKey;
  ASSERT_EQ(registry->RegOpenKeyExA(platform::kHkeyLocalMachine, "Software\\RegCorvexProbe", 0,
                                    platform::kKeyRead, &raw),
            platform::kErrorSuccess);
  const auto probe = platform::MakeUniqueHkey(*registry, raw);
  const struct {
    const char* name;
    Dword type;
    std::string data;  // as RegQueryValueExA gives it
  } expected[] = {
      {"", platform::kRegSz, std::string("default \"quoted\" \\ back") + '\0'},
      {"text", platform::kRegSz, std::string("caf\xe9 \x80 \x9f ?") + '\0'},
      {"expand", platform::kRegExpandSz, std::string("%TEMP%\0", 7)},
      {"multi", platform::kRegMultiSz, std::string("a\0b\0\0", 5)},
      {"dword", platform::kRegDword, std::string("\x2a\0\0\x80", 4)},
      {"qword", platform::kRegQword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {"none", platform::kRegNone, std::string()},
      {"empty", platform::kRegBinary, std::string()},
      {"long", platform::kRegBinary, std::string()},
      {"name \"with\" [brackets] \\", platform::kRegDword, std::string("\x01\0\0\0", 4)},
  };
  for (const auto& row : expected) {
    SCOPED_TRACE(row.name);
    Dword type = 0;
    std::uint8_t data[128];
    Dword size = sizeof(data);
    ASSERT_EQ(registry->RegQueryValueExA(probe.get(), row.name, &type, data, &size),
              platform::kErrorSuccess);
    EXPECT_EQ(type, row.type);
    if (std::string(row.name) == "long") {
      ASSERT_EQ(size, 51u);
      for (Dword i = 0; i < size; ++i) EXPECT_EQ(data[i], i);
    } else {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), row.data);
    }
  }

  // A change elsewhere makes the registry save the hive; the probe's key comes back as it was.
  const auto other = Create(*registry, platform::kHkeyLocalMachine, "Software\\RegCorvexOther");
  Set(*registry, other.get(), "x", platform::kRegSz, std::string("x\0", 2));
  ASSERT_EQ(registry->Persist(), "");
  const std::string system_after = ReadWholeFile(prefix_ / "system.reg");
  ExpectUntouchedBlocksKept(
      system_before, system_after,
      {"[Software\\\\Wow6432Node]", "[Software\\\\Wow6432Node\\\\RegCorvexOther]"});
}

TEST_F(WineHiveFilesTest, WineRegQueryShowsWhatTheProgramWrote) {
  {
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    for (const Hkey root : {platform::kHkeyLocalMachine, platform::kHkeyCurrentUser}) {
      const auto key = Create(*registry, root, "Software\\RegCorvexTest\\Shown");
      Set(*registry, key.get(), "text", platform::kRegSz, std::string("hello world\0", 12));
      Set(*registry, key.get(), "number", platform::kRegDword, std::string("\x2a\0\0\0", 4));
      Set(*registry, key.get(), "bytes", platform::kRegBinary, "\x01\x02\xff");
    }
    ASSERT_EQ(registry->Persist(), "");
  }
  for (const std::string root : {"HKLM", "HKCU"}) {
    SCOPED_TRACE(root);
    const WineOutput output =
        RunWine(prefix_, "reg query '" + root + "\\Software\\RegCorvexTest\\Shown' /reg:32");
    ASSERT_EQ(output.status, 0);
    EXPECT_NE(output.text.find("text    REG_SZ    hello world"), std::string::npos) << output.text;
    EXPECT_NE(output.text.find("number    REG_DWORD    0x2a"), std::string::npos) << output.text;
    EXPECT_NE(output.text.find("bytes    REG_BINARY    0102FF"), std::string::npos) << output.text;
  }
  // A 32-bit program's machine values are not in the 64-bit view; the user's are in both.
  EXPECT_NE(RunWine(prefix_, "reg query 'HKLM\\Software\\RegCorvexTest\\Shown' /reg:64").status, 0);
  EXPECT_EQ(RunWine(prefix_, "reg query 'HKCU\\Software\\RegCorvexTest\\Shown' /reg:64").status, 0);
}

// The key paths in a hive file that end in name, with name taken off.
std::set<std::string> PlacesOf(const std::string& hive, const std::string& name) {
  std::set<std::string> places;
  const std::string tail = "\\\\" + name + "] ";
  for (std::size_t at = hive.find(tail); at != std::string::npos; at = hive.find(tail, at + 1)) {
    const std::size_t start = hive.rfind("\n[", at) + 2;
    places.insert(hive.substr(start, at - start));
  }
  return places;
}

// Where a 32-bit program's keys land in a 64-bit prefix: the program and Wine must agree for keys
// either of them makes, whether redirected to Wow6432Node, shared, or reached through a link.
TEST_F(WineHiveFilesTest, TheProgramAndWinePutKeysInTheSamePlace) {
  const struct {
    Hkey root;
    const char* root_name;
    const char* parent;
  } places[] = {
      {platform::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "Software"},
      {platform::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "Software\\Wow6432Node"},
      {platform::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "Software\\Classes"},
      {platform::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "Software\\Classes\\CLSID"},
      {platform::kHkeyLocalMachine, "HKEY_LOCAL_MACHINE", "System"},
      {platform::kHkeyCurrentUser, "HKEY_CURRENT_USER", "Software"},
      {platform::kHkeyCurrentUser, "HKEY_CURRENT_USER", "Software\\Classes"},
  };
  {
    const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
    for (const auto& place : places) {
      const auto key =
          Create(*registry, place.root, std::string(place.parent) + "\\RegCorvexByProgram");
      Set(*registry, key.get(), "program", platform::kRegDword, std::string("\x01\0\0\0", 4));
    }
    ASSERT_EQ(registry->Persist(), "");
  }
  std::string import = "REGEDIT4\r\n";
  std::string queries;
  for (const auto& place : places) {
    const std::string parent = std::string(place.root_name) + "\\" + place.parent;
    import += "\r\n[" + parent + "\\RegCorvexByWine]\r\n\"wine\"=dword:00000002\r\n";
    queries += " & reg query " + parent + "\\RegCorvexByProgram /reg:32";
  }
  const fs::path file = temp_.Write("same.reg", import);
  // Wine's 32-bit tools, as a 32-bit program: a 64-bit one that asks for the 32-bit view puts
  // keys below HKLM\Software\Classes elsewhere.
  const WineOutput output =
      RunWine(prefix_, "cmd /c 'reg import " + file.string() + " /reg:32" + queries + "'", "wine");
  for (const auto& place : places) {
    SCOPED_TRACE(std::string(place.root_name) + "\\" + place.parent);
    // reg query lists the key's name, then its values.
    const std::string header = std::string(place.parent) + "\\RegCorvexByProgram\r\n";
    const std::size_t at = output.text.find(header);
    ASSERT_NE(at, std::string::npos) << output.text;
    const std::size_t next = output.text.find("HKEY_", at);
    EXPECT_NE(output.text.substr(at, next - at).find("program    REG_DWORD    0x1"),
              std::string::npos)
        << output.text;
  }
  const auto registry = platform::OpenWinePrefixRegistry(prefix_.string());
  for (const auto& place : places) {
    SCOPED_TRACE(std::string(place.root_name) + "\\" + place.parent);
    Hkey raw = platform::kNoKey;
    const std::string path = std::string(place.parent) + "\\RegCorvexByWine";
    EXPECT_EQ(registry->RegOpenKeyExA(place.root, path.c_str(), 0, platform::kKeyRead, &raw),
              platform::kErrorSuccess);
    if (raw == platform::kNoKey) continue;
    const auto key = platform::MakeUniqueHkey(*registry, raw);
    Dword number = 0;
    Dword size = sizeof(number);
    EXPECT_EQ(registry->RegQueryValueExA(key.get(), "wine", nullptr,
                                         reinterpret_cast<std::uint8_t*>(&number), &size),
              platform::kErrorSuccess);
    EXPECT_EQ(number, 2u);
  }
  for (const char* hive : {"system.reg", "user.reg"}) {
    const std::string text = ReadWholeFile(prefix_ / hive);
    EXPECT_EQ(PlacesOf(text, "RegCorvexByProgram"), PlacesOf(text, "RegCorvexByWine")) << hive;
  }
}

// In a 32-bit prefix nothing is redirected, and a hive made there is a 32-bit one too.
TEST(WinePrefixArchTest, A32BitPrefixKeepsSoftwareWhereItIs) {
  const TempDir temp;
  const fs::path prefix = temp.path() / "prefix";
  temp.Write("prefix/system.reg",
             "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n"
             "#arch=win32\n\n[Software\\\\Wow6432Node] 1796900000\n#time=1dd8899939998f2\n");
  {
    const auto registry = platform::OpenWinePrefixRegistry(prefix.string());
    for (const Hkey root : {platform::kHkeyLocalMachine, platform::kHkeyCurrentUser}) {
      Hkey raw = platform::kNoKey;
      ASSERT_EQ(registry->RegCreateKeyExA(root, "Software\\RegCorvexTest", 0,
                                          platform::kKeyAllAccess, &raw, nullptr),
                platform::kErrorSuccess);
      registry->RegCloseKey(raw);
    }
    ASSERT_EQ(registry->Persist(), "");
  }
  const std::string system = ReadWholeFile(prefix / "system.reg");
  EXPECT_NE(system.find("\n[Software\\\\RegCorvexTest] "), std::string::npos) << system;
  const std::string user = ReadWholeFile(prefix / "user.reg");
  EXPECT_EQ(user.rfind("WINE REGISTRY Version 2\n;; All keys relative to "
                       "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win32\n",
                       0),
            0u)
      << user;
}

// Sets environment variables for one test and gives them back their old values (or none) after it.
class ScopedEnvironment {
 public:
  void Set(const char* name, const std::string& value) {
    if (saved_.count(name) == 0) {
      const char* old = std::getenv(name);
      saved_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    }
    ASSERT_EQ(setenv(name, value.c_str(), 1), 0);
  }
  ~ScopedEnvironment() {
    for (const auto& [name, old] : saved_) {
      if (old) {
        setenv(name.c_str(), old->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

class WineDefaultRegistryTest : public ::testing::Test {
 protected:
  ScopedEnvironment environment_;
};

// The process-wide registry takes the prefix WINEPREFIX names at the start of each run, so that a
// run after a change of it (here: another test's) does not write to the prefix of the one before.
TEST_F(WineDefaultRegistryTest, IsTheRegistryOfThePrefixThatWineprefixNames) {
  const TempDir temp;
  for (const char* name : {"named", "named next"}) {
    SCOPED_TRACE(name);
    const fs::path prefix = temp.path() / name;
    environment_.Set("WINEPREFIX", prefix.string());
    platform::Registry& registry = platform::DefaultRegistry();
    Hkey raw = platform::kNoKey;
    ASSERT_EQ(registry.RegCreateKeyExA(platform::kHkeyCurrentUser, "Software\\RegCorvexTest", 0,
                                       platform::kKeyAllAccess, &raw, nullptr),
              platform::kErrorSuccess);
    registry.RegCloseKey(raw);
    EXPECT_EQ(registry.Persist(), "");
    EXPECT_NE(ReadWholeFile(prefix / "user.reg").find("[Software\\\\RegCorvexTest]"),
              std::string::npos);
  }
}

TEST(WineFreshPrefixTest, APrefixTheProgramMadeBootsInWineAndKeepsTheValues) {
  if (!BootedTemplatePrefix()) GTEST_SKIP() << "Wine is not installed";
  const TempDir temp;
  const fs::path prefix = temp.path() / "made here";
  {
    const auto registry = platform::OpenWinePrefixRegistry(prefix.string());
    for (const Hkey root : {platform::kHkeyLocalMachine, platform::kHkeyCurrentUser}) {
      Hkey raw = platform::kNoKey;
      ASSERT_EQ(registry->RegCreateKeyExA(root, "Software\\RegCorvexTest\\Fresh", 0,
                                          platform::kKeyAllAccess, &raw, nullptr),
                platform::kErrorSuccess);
      const auto key = platform::MakeUniqueHkey(*registry, raw);
      const std::string text("kept\0", 5);
      ASSERT_EQ(registry->RegSetValueExA(key.get(), "v", platform::kRegSz,
                                         reinterpret_cast<const std::uint8_t*>(text.data()), 5),
                platform::kErrorSuccess);
    }
    ASSERT_EQ(registry->Persist(), "");
  }
  ASSERT_TRUE(fs::exists(prefix / "system.reg"));
  ASSERT_TRUE(fs::exists(prefix / "user.reg"));
  // The first Wine run boots the prefix around the hives it finds.
  for (const std::string root : {"HKLM", "HKCU"}) {
    const WineOutput output =
        RunWine(prefix, "reg query '" + root + "\\Software\\RegCorvexTest\\Fresh' /reg:32");
    EXPECT_EQ(output.status, 0) << root;
    EXPECT_NE(output.text.find("v    REG_SZ    kept"), std::string::npos) << root << output.text;
  }
  const std::string system = ReadWholeFile(prefix / "system.reg");
  EXPECT_NE(system.find("[Software\\\\Wow6432Node\\\\RegCorvexTest\\\\Fresh]"), std::string::npos);
  EXPECT_NE(system.find("[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion]"),
            std::string::npos)
      << "Wine did not boot the prefix";
}

}  // namespace
}  // namespace regcorvex::test
