// TVersionInfo over resources the tests build, read through the platform's version functions:
// the native reader natively, Wine's version.dll in the Windows build.
#include "common/version_info.h"

#include <gtest/gtest.h>

#include "tests/common/version_fixture.h"
#include "tests/support/chosen_executable_version_api.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"

namespace regcorvex {
namespace {

using test::FixedInfo;
using test::StringFileInfo;
using test::StringTable;
using test::StringValue;
using test::VarFileInfo;
using test::VersionNode;
using test::VersionRoot;

using Accessor = const std::string& (TVersionInfo::*)() const;

struct Expected {
  const char* name;
  Accessor field;
  std::string value;
};

struct ResourceCase {
  const char* label;
  VersionNode resource;
  std::vector<Expected> expected;
};

constexpr FixedInfo kVersion5701{0x00050007, 0x00000001, 0};
constexpr std::pair<std::uint16_t, std::uint16_t> kUsEnglish{0x0409, 0x04E4};

std::vector<ResourceCase> ResourceCases() {
  const auto strings = [](std::u16string product) {
    return std::vector<VersionNode>{StringValue(u"ProductName", product),
                                    StringValue(u"FileVersion", u"5.7.0.1")};
  };
  const auto flags = [](std::uint32_t file_flags) {
    return VersionRoot(FixedInfo{0x00050007, 1, file_flags},
                       {StringFileInfo({StringTable(u"040904E4", {})}), VarFileInfo({kUsEnglish})});
  };
  return {
      {"each key from the first translation that has it",
       VersionRoot(
           kVersion5701,
           {StringFileInfo({StringTable(u"040904E4", strings(u"First")),
                            StringTable(u"040704B0", {StringValue(u"ProductName", u"Second"),
                                                      StringValue(u"Comments", u"Only")})}),
            VarFileInfo({kUsEnglish, {0x0407, 0x04B0}})}),
       {{"ProductName", &TVersionInfo::ProductName, "First"},
        {"Comments", &TVersionInfo::Comments, "Only"},
        {"FileVersion", &TVersionInfo::FileVersion, "5.7.0.1"}}},
      {"an empty translation table gives empty strings",
       VersionRoot(kVersion5701, {StringFileInfo({StringTable(u"040904E4", strings(u"Corvane 5"))}),
                                  VarFileInfo({})}),
       {{"ProductName", &TVersionInfo::ProductName, ""},
        {"FileVersion", &TVersionInfo::FileVersion, ""},
        {"MajorVersion", &TVersionInfo::MajorVersion, "5"}}},
      {"without a translation table the 040904E4 table is read",
       VersionRoot(kVersion5701,
                   {StringFileInfo({StringTable(u"040904E4", strings(u"Fallback"))})}),
       {{"ProductName", &TVersionInfo::ProductName, "Fallback"},
        {"FileVersion", &TVersionInfo::FileVersion, "5.7.0.1"}}},
      {"keys match regardless of case",
       VersionRoot(kVersion5701, {StringFileInfo({StringTable(
                                      u"040904e4", {StringValue(u"LegalTrademarks", u"TM"),
                                                    StringValue(u"companyname", u"Pellmoor")})}),
                                  VarFileInfo({kUsEnglish})}),
       {{"LegalTradeMarks", &TVersionInfo::LegalTradeMarks, "TM"},
        {"CompanyName", &TVersionInfo::CompanyName, "Pellmoor"}}},
      {"all six flags",
       flags(0x3F),
       {{"FileFlagsText", &TVersionInfo::FileFlagsText,
         "Test, Pre-release, Patched, Private, InfoInferred, Special version"}}},
      {"an unknown flag alone", flags(0x40), {{"FileFlagsText", &TVersionInfo::FileFlagsText, ""}}},
      {"the last flag alone",
       flags(0x20),
       {{"FileFlagsText", &TVersionInfo::FileFlagsText, "Special version"}}},
      {"flags are taken without the mask",
       flags(0x41),
       {{"FileFlagsText", &TVersionInfo::FileFlagsText, "Test version"}}},
      {"a value is cut at its first NUL",
       VersionRoot(
           kVersion5701,
           {StringFileInfo({StringTable(
                u"040904E4", {StringValue(u"ProductName", std::u16string(u"Corv\0ane", 8))})}),
            VarFileInfo({kUsEnglish})}),
       {{"ProductName", &TVersionInfo::ProductName, "Corv"}}},
      {"text arrives in code page 1252",
       VersionRoot(kVersion5701,
                   {StringFileInfo({StringTable(
                        u"040904E4", {StringValue(u"Comments", u"caf\u00e9 \u20ac \u0416")})}),
                    VarFileInfo({kUsEnglish})}),
       {{"Comments", &TVersionInfo::Comments, "caf\xe9 \x80 ?"}}},
      {"the fixed record gives the numbers",
       VersionRoot(FixedInfo{0x0001FFFF, 0x00000003, 0},
                   {StringFileInfo({StringTable(u"040904E4", strings(u"Corvane 5"))}),
                    VarFileInfo({kUsEnglish})}),
       {{"MajorVersion", &TVersionInfo::MajorVersion, "1"},
        {"MinorVersion", &TVersionInfo::MinorVersion, "65535"},
        {"Release", &TVersionInfo::Release, "0"},
        {"Build", &TVersionInfo::Build, "3"}}},
      {"without a fixed record the numbers come from FileVersion",
       VersionRoot(std::nullopt, {StringFileInfo({StringTable(
                                      u"040904E4", {StringValue(u"FileVersion", u"5.7"),
                                                    StringValue(u"ProductName", u"Corvane 5")})}),
                                  VarFileInfo({kUsEnglish})}),
       {{"MajorVersion", &TVersionInfo::MajorVersion, "5"},
        {"MinorVersion", &TVersionInfo::MinorVersion, ""},
        {"Release", &TVersionInfo::Release, ""},
        {"Build", &TVersionInfo::Build, "7"},
        {"FileFlagsText", &TVersionInfo::FileFlagsText, ""},
        {"ProductName", &TVersionInfo::ProductName, "Corvane 5"}}},
  };
}

TEST(TVersionInfoTest, ReadsEachResource) {
  const test::TempDir folder;
  int index = 0;
  for (const ResourceCase& c : ResourceCases()) {
    SCOPED_TRACE(c.label);
    const auto file = folder.Write("case" + std::to_string(index++) + ".dll",
                                   test::PeWithVersionResource(test::Serialize(c.resource)));
    TVersionInfo info(platform::DefaultVersionApi());
    info.SetFileName(test::WindowsPath(file));
    for (const Expected& e : c.expected) EXPECT_EQ((info.*e.field)(), e.value) << e.name;
  }
}

// The platform's version functions for a chosen executable, counting the loads.
class CountingVersionApi final : public test::ChosenExecutableVersionApi {
 public:
  using ChosenExecutableVersionApi::ChosenExecutableVersionApi;

  platform::Dword GetFileVersionInfoSizeA(const char* path, platform::Dword* handle) override {
    ++loads;
    return ChosenExecutableVersionApi::GetFileVersionInfoSizeA(path, handle);
  }

  int loads = 0;
};

class LoadTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& contents) {
    return test::WindowsPath(folder_.Write(name, contents));
  }
  std::string WriteVersioned(const std::string& name, const std::u16string& product) {
    return Write(
        name,
        test::PeWithVersionResource(test::Serialize(VersionRoot(
            kVersion5701,
            {StringFileInfo({StringTable(u"040904E4", {StringValue(u"ProductName", product)})}),
             VarFileInfo({kUsEnglish})}))));
  }

  test::TempDir folder_;
};

TEST_F(LoadTest, AFileWithoutAResourceLeavesEverythingEmpty) {
  for (const auto& [label, contents] :
       {std::pair{"PE without resources", test::PeWithVersionResource("")},
        std::pair{"not an executable", std::string("plain text")}}) {
    SCOPED_TRACE(label);
    CountingVersionApi api(Write("plain.dll", contents));
    const TVersionInfo info(api);
    EXPECT_EQ(api.loads, 1);
    EXPECT_EQ(info.FileName(), api.ExecutablePath());
    for (Accessor field :
         {&TVersionInfo::CompanyName, &TVersionInfo::ProductName, &TVersionInfo::FileVersion,
          &TVersionInfo::Comments, &TVersionInfo::FileFlagsText, &TVersionInfo::MajorVersion,
          &TVersionInfo::Build}) {
      EXPECT_EQ((info.*field)(), "");
    }
  }
}

TEST_F(LoadTest, SettingTheCurrentFileNameReadsNothing) {
  CountingVersionApi api(WriteVersioned("first.dll", u"First"));
  TVersionInfo info(api);
  info.SetFileName(api.ExecutablePath());
  EXPECT_EQ(api.loads, 1);
  EXPECT_EQ(info.ProductName(), "First");
}

TEST_F(LoadTest, ALaterFileWithoutAResourceKeepsTheEarlierValues) {
  CountingVersionApi api(WriteVersioned("first.dll", u"First"));
  TVersionInfo info(api);
  const std::string missing = Write("plain.dll", "plain text");
  info.SetFileName(missing);
  EXPECT_EQ(info.FileName(), missing);
  EXPECT_EQ(info.ProductName(), "First");
  info.SetFileName(WriteVersioned("second.dll", u"Second"));
  EXPECT_EQ(info.ProductName(), "Second");
  EXPECT_EQ(api.loads, 3);
}

TEST(SplitVersionStringTest, SplitsAtTheFirstThreeFullStops) {
  const struct {
    const char* text;
    VersionNumbers expected;
  } cases[] = {
      {"5.7.0.1", {"5", "7", "0", "1"}},
      {" 5 . 7 .\t0 . 1 ", {"5", "7", "0", "1"}},
      {"1.2.3.4.5", {"1", "2", "3", "4.5"}},
      {"5.7", {"5", "", "", "7"}},
      {"5.7.1", {"5", "7", "", "1"}},
      {" 12 ", {"", "", "", "12"}},
      {"", {"", "", "", ""}},
      {"...", {"", "", "", ""}},
      {"a.b c.d", {"a", "b c", "", "d"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const VersionNumbers numbers = SplitVersionString(c.text);
    EXPECT_EQ(numbers.major, c.expected.major);
    EXPECT_EQ(numbers.minor, c.expected.minor);
    EXPECT_EQ(numbers.release, c.expected.release);
    EXPECT_EQ(numbers.build, c.expected.build);
  }
}

}  // namespace
}  // namespace regcorvex
