// The version resource of the programs themselves, built from resources/version.rc: the running
// test executable carries it, as do the program and its variant with another product name, and
// the program's bytes are those windres produced from the resource source.
#include <gtest/gtest.h>

#include "common/version_info.h"
#include "platform/posix/version_block.h"
#include "resources/version_res.h"
#include "tests/common/version_fixture.h"
#include "tests/support/test_platform.h"

namespace regcorvex {
namespace {

void ExpectProgramResource(const TVersionInfo& info, const std::string& product) {
  EXPECT_EQ(info.ProductName(), product);
  EXPECT_EQ(info.FileVersion(), "5.7.0.1");
  EXPECT_EQ(info.ProductVersion(), "5.7.0.1");
  EXPECT_EQ(info.MajorVersion(), "5");
  EXPECT_EQ(info.MinorVersion(), "7");
  EXPECT_EQ(info.Release(), "0");
  EXPECT_EQ(info.Build(), "1");
  EXPECT_EQ(info.FileFlagsText(), "");
  EXPECT_EQ(info.InternalName(), "regcorvex.exe");
  EXPECT_EQ(info.OriginalFilename(), "RegCorvex.exe");
  EXPECT_EQ(info.FileDescription(), "");
  EXPECT_EQ(info.Comments(), "");
  EXPECT_FALSE(info.CompanyName().empty());
  EXPECT_FALSE(info.LegalCopyright().empty());
  EXPECT_FALSE(info.LegalTradeMarks().empty());
}

TEST(OwnResourceTest, TheRunningExecutableReadsAsTheProgram) {
  const TVersionInfo info(platform::DefaultVersionApi());
  EXPECT_FALSE(info.FileName().empty());
  ExpectProgramResource(info, "Corvane 5");
}

TEST(OwnResourceTest, TheProgramAndItsVariantCarryTheirResources) {
  TVersionInfo info(platform::DefaultVersionApi());
  info.SetFileName(test::WindowsPath(REGCORVEX_PROGRAM_FILE));
  ExpectProgramResource(info, "Corvane 5");
  info.SetFileName(test::WindowsPath(REGCORVEX_MISMATCH_PROGRAM_FILE));
  ExpectProgramResource(info, "Corvane 4");
}

TEST(OwnResourceTest, TheProgramCarriesTheBytesCompiledFromTheResourceSource) {
  const auto res = test::ReadFileBytes(test::LocalPath(REGCORVEX_RES_FILE));
  const auto compiled = ExtractVersionResource(res);
  ASSERT_TRUE(compiled);
  const auto program = test::ReadFileBytes(test::LocalPath(REGCORVEX_PROGRAM_FILE));
  const auto carried = platform::FindVersionResource(program);
  ASSERT_TRUE(carried);
  EXPECT_TRUE(std::equal(carried->begin(), carried->end(), compiled->begin(), compiled->end()));
}

}  // namespace
}  // namespace regcorvex
