// Wine's own DLLs, real PE files that nobody here wrote, read by this program's resource reader
// and through Wine's version.dll give the same block and the same values. Natively the platform's
// version functions are that reader, so there the DLLs are only read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/version_info.h"
#include "platform/posix/version_block.h"
#include "platform/version_api.h"
#include "tests/common/version_fixture.h"
#include "tests/support/test_platform.h"

namespace regcorvex {
namespace {

constexpr char kWineDlls[] = "/usr/lib/i386-linux-gnu/wine/i386-windows";
constexpr std::uintmax_t kLargestDll = 512 * 1024;

const char* const kQueries[] = {
    "\\",
    "\\VarFileInfo\\Translation",
    "\\StringFileInfo\\040904B0\\ProductName",
    "\\StringFileInfo\\040904B0\\FileVersion",
    "\\StringFileInfo\\040904B0\\CompanyName",
    "\\StringFileInfo\\040904E4\\ProductName",
    "\\StringFileInfo\\000004B0\\FileDescription",
};

// A query's value as bytes; "-" when the path is not found.
std::string Query(const void* block, const char* path,
                  bool (*query)(const void*, const char*, void**, unsigned*)) {
  void* value = nullptr;
  unsigned length = 0;
  if (!query(block, path, &value, &length)) return "-";
  return std::string(static_cast<const char*>(value), length);
}

bool PlatformQuery(const void* block, const char* path, void** value, unsigned* length) {
  return platform::DefaultVersionApi().VerQueryValueA(block, path, value, length);
}
bool ReaderQuery(const void* block, const char* path, void** value, unsigned* length) {
  return platform::QueryVersionBlock(const_cast<void*>(block), path, value, length);
}

TEST(WineDllsTest, ReadTheSameAsWinesVersionFunctions) {
  const std::filesystem::path folder = test::LocalPath(kWineDlls);
  if (!std::filesystem::is_directory(folder)) {
    GTEST_SKIP() << "Wine's DLLs are not installed";
  }
  std::vector<std::filesystem::path> dlls;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".dll" && entry.file_size() <= kLargestDll) {
      dlls.push_back(entry.path());
    }
  }
  std::sort(dlls.begin(), dlls.end());
  platform::VersionApi& api = platform::DefaultVersionApi();
  int versioned = 0;
  int by_wine = 0;
  for (const auto& dll : dlls) {
    SCOPED_TRACE(dll.string());
    const std::string path = test::WindowsPath(dll);
    const auto file = test::ReadFileBytes(dll);
    const auto resource = platform::FindVersionResource(file);
    if (test::SystemFunctions()) {
      platform::Dword handle = 0;
      const platform::Dword size = api.GetFileVersionInfoSizeA(path.c_str(), &handle);
      ASSERT_EQ(size, resource ? platform::VersionBlockSize(*resource) : 0u);
    }
    if (!resource) continue;
    ++versioned;

    std::vector<std::uint8_t> ours(platform::VersionBlockSize(*resource));
    platform::FillVersionBlock(*resource, ours);
    if (test::SystemFunctions()) {
      std::vector<std::uint8_t> theirs(ours.size());
      ASSERT_TRUE(api.GetFileVersionInfoA(
          path.c_str(), 0, static_cast<platform::Dword>(theirs.size()), theirs.data()));
      ASSERT_EQ(theirs, ours);
      for (const char* query : kQueries) {
        EXPECT_EQ(Query(theirs.data(), query, PlatformQuery),
                  Query(ours.data(), query, ReaderQuery))
            << query;
      }
    }
    TVersionInfo info(api);
    info.SetFileName(path);
    if (info.ProductName().starts_with("Wine")) ++by_wine;
  }
  EXPECT_GT(versioned, 50);
  EXPECT_GT(by_wine, versioned / 2);
}

}  // namespace
}  // namespace regcorvex
