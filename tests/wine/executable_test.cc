// RegCorvex.exe as built: a GUI program for the processor this test is built for (32-bit x86 or
// x64), whose one application manifest names that processor and asks for administrator rights,
// common controls 6, the supported Windows versions and DPI awareness.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/windows/win32_handles.h"
#include "tests/wine/child_process.h"
#include "tests/wine/manifest_elements.h"
#include "tests/wine/watched_run.h"

namespace regcorvex::test {
namespace {

using Attributes = std::map<std::string, std::string>;

constexpr char kAssemblyV1[] = "urn:schemas-microsoft-com:asm.v1";
constexpr char kAssemblyV3[] = "urn:schemas-microsoft-com:asm.v3";
constexpr char kCompatibility[] = "urn:schemas-microsoft-com:compatibility.v1";
constexpr char kSettings2005[] = "http://schemas.microsoft.com/SMI/2005/WindowsSettings";
constexpr char kSettings2016[] = "http://schemas.microsoft.com/SMI/2016/WindowsSettings";

// The programs are built for the processor this test is built for.
constexpr bool k64Bit = sizeof(void*) == 8;
constexpr const char* kManifestArchitecture = k64Bit ? "amd64" : "x86";

std::uint32_t ReadLittleEndian(const std::vector<char>& image, size_t offset, size_t size) {
  if (offset + size > image.size()) throw std::out_of_range("PE field beyond the file");
  std::uint32_t value = 0;
  for (size_t i = size; i-- > 0;)
    value = value << 8 | static_cast<unsigned char>(image[offset + i]);
  return value;
}

TEST(ExecutableTest, IsAGuiProgramForThisProcessor) {
  std::ifstream file(RegCorvexPath(), std::ios::binary);
  ASSERT_TRUE(file) << RegCorvexPath();
  const std::vector<char> image{std::istreambuf_iterator<char>(file), {}};
  ASSERT_EQ(ReadLittleEndian(image, 0, 2), 0x5A4Du) << "MZ";
  const size_t pe = ReadLittleEndian(image, 0x3C, 4);
  ASSERT_EQ(ReadLittleEndian(image, pe, 4), 0x4550u) << "PE\\0\\0";
  const size_t optional_header = pe + 24;
  EXPECT_EQ(ReadLittleEndian(image, pe + 4, 2), k64Bit ? 0x8664u : 0x14Cu) << "machine";
  EXPECT_EQ(ReadLittleEndian(image, optional_header, 2), k64Bit ? 0x20Bu : 0x10Bu)
      << "PE32 or PE32+ optional header";
  EXPECT_EQ(ReadLittleEndian(image, optional_header + 68, 2), 2u) << "Windows GUI subsystem";
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  reinterpret_cast<std::vector<std::string>*>(names)->push_back(
      IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name)) : name);
  return TRUE;
}

// The text of the manifest of identifier 1 of the program at path, and the names of all its
// manifest resources, through the loader as a data file.
void ReadManifest(const std::string& path, std::string& text, std::vector<std::string>& names) {
  const platform::UniqueModule module(
      ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(module) << "LoadLibraryExA failed with " << ::GetLastError();
  ::EnumResourceNamesA(module.get(), RT_MANIFEST, CollectName, reinterpret_cast<LONG_PTR>(&names));
  HRSRC resource = ::FindResourceA(module.get(), MAKEINTRESOURCEA(1), RT_MANIFEST);
  ASSERT_NE(resource, nullptr) << "no manifest of identifier 1";
  const void* data = ::LockResource(::LoadResource(module.get(), resource));
  ASSERT_NE(data, nullptr);
  text.assign(static_cast<const char*>(data), ::SizeofResource(module.get(), resource));
}

// The manifest resources of the program, by name.
class ExecutableManifestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ReadManifest(RegCorvexPath(), text_, names_);
    elements_ = ManifestElements(text_);
  }

  // The one element at path (names without prefixes, from the root) in namespace ns.
  const ManifestElement& Only(const std::string& path, const std::string& ns) {
    const ManifestElement* found = nullptr;
    int count = 0;
    for (const ManifestElement& element : elements_) {
      if (element.path == path && element.ns == ns) {
        found = &element;
        ++count;
      }
    }
    if (count != 1) {
      ADD_FAILURE() << count << " elements " << path << " in " << ns << "\n" << text_;
      static const ManifestElement kNone;
      return kNone;
    }
    return *found;
  }

  std::vector<std::string> names_;
  std::string text_;
  std::vector<ManifestElement> elements_;
};

// The companion reads the machine's keys themselves: without a requested execution level a
// 32-bit program would get registry virtualisation and read the user's VirtualStore instead.
TEST(CompanionManifest, RunsAsInvoker) {
  std::string text;
  std::vector<std::string> names;
  ReadManifest(WindowsPath(REGCORVEX_ADMIN_EXE), text, names);
  EXPECT_THAT(names, ::testing::ElementsAre("#1"));
  int levels = 0;
  for (const ManifestElement& element : ManifestElements(text)) {
    if (element.path != "assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel")
      continue;
    ++levels;
    EXPECT_EQ(element.attributes, (Attributes{{"level", "asInvoker"}, {"uiAccess", "false"}}));
  }
  EXPECT_EQ(levels, 1);
}

TEST_F(ExecutableManifestTest, IsTheOnlyManifest) {
  EXPECT_THAT(names_, ::testing::ElementsAre("#1"));
}

TEST_F(ExecutableManifestTest, NamesTheProgram) {
  EXPECT_EQ(Only("assembly", kAssemblyV1).attributes,
            (Attributes{{"xmlns", kAssemblyV1}, {"manifestVersion", "1.0"}}));
  EXPECT_EQ(Only("assembly/assemblyIdentity", kAssemblyV1).attributes,
            (Attributes{{"version", "1.0.0.0"},
                        {"processorArchitecture", kManifestArchitecture},
                        {"type", "win32"},
                        {"name", "regcorvex.exe"}}));
  EXPECT_EQ(Only("assembly/description", kAssemblyV1).text, "RegCorvex for Corvane");
}

TEST_F(ExecutableManifestTest, RequiresAdministratorRights) {
  EXPECT_EQ(
      Only("assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel", kAssemblyV3)
          .attributes,
      (Attributes{{"level", "requireAdministrator"}, {"uiAccess", "false"}}));
}

TEST_F(ExecutableManifestTest, DependsOnCommonControls6) {
  EXPECT_EQ(Only("assembly/dependency/dependentAssembly/assemblyIdentity", kAssemblyV1).attributes,
            (Attributes{{"type", "win32"},
                        {"name", "Microsoft.Windows.Common-Controls"},
                        {"version", "6.0.0.0"},
                        {"processorArchitecture", kManifestArchitecture},
                        {"publicKeyToken", "6595b64144ccf1df"},
                        {"language", "*"}}));
}

TEST_F(ExecutableManifestTest, SupportsVistaTo10) {
  std::vector<std::string> ids;
  for (const ManifestElement& element : elements_) {
    if (element.path == "assembly/compatibility/application/supportedOS" &&
        element.ns == kCompatibility) {
      ids.push_back(element.attributes.at("Id"));
    }
  }
  EXPECT_THAT(ids, ::testing::UnorderedElementsAre("{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                                                   "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                                                   "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                                   "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                                                   "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"));
}

TEST_F(ExecutableManifestTest, IsPerMonitorDpiAware) {
  EXPECT_EQ(Only("assembly/application/windowsSettings/dpiAware", kSettings2005).text, "true");
  EXPECT_EQ(Only("assembly/application/windowsSettings/dpiAwareness", kSettings2016).text,
            "PerMonitor");
  EXPECT_EQ(Only("assembly/application/windowsSettings", kAssemblyV3).text, "");
}

}  // namespace
}  // namespace regcorvex::test
