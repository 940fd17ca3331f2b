// The document file that cannot be read: the load error gives the text MSXML gives for the error
// that stopped the open or the read, in both builds.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/system_error_text.h"
#include "platform/xml_document.h"

namespace regcorvex::test {
namespace {

// Every query but the read is beyond this test.
class FailingRead final : public platform::FileSystem {
 public:
  explicit FailingRead(platform::Long error) : error_(error) {}
  platform::Dword GetFullPathNameA(const char*, platform::Dword, char*) override { return 0; }
  platform::Dword GetFileAttributesA(const char*) override {
    return platform::kInvalidFileAttributes;
  }
  platform::Dword GetLastError() override { return 0; }
  bool FindFirstFileA(const char*, platform::FindData*) override { return false; }
  platform::Long ReadWholeFile(const char*, std::string*) override { return error_; }

 private:
  platform::Long error_;
};

// A missing file has MSXML's own text; other errors the system's, whose wording is the
// system's own (Wine words them otherwise than Windows).
TEST(DocumentFileTest, AFileThatCannotBeReadGivesTheTextOfItsError) {
  constexpr platform::Long kNoSuchError = 0x20000001;  // the customer bit: no system text
  const struct {
    platform::Long error;
    std::optional<std::string> reason;  // none: the system's text for the error
  } cases[] = {
      {platform::kErrorFileNotFound, "The system cannot locate the object specified."},
      {platform::kErrorPathNotFound, "The system cannot locate the object specified."},
      {platform::kErrorAccessDenied, std::nullopt},
      {platform::kErrorReadFault, std::nullopt},
      {platform::kErrorFileTooLarge, "The document is too large."},
      {kNoSuchError, "The file could not be read (error 536870913)."},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.error);
    const std::optional<std::string> system_text = platform::SystemErrorText(row.error);
    if (!row.reason) {
      ASSERT_TRUE(system_text.has_value());
    }
    FailingRead files(row.error);
    try {
      platform::ReadXmlFile(files, "C:\\prefs.xml");
      ADD_FAILURE() << "read";
    } catch (const platform::XmlLoadError& error) {
      EXPECT_EQ(error.reason(), row.reason.value_or(system_text.value_or("")));
      EXPECT_EQ(error.line(), 0);
      EXPECT_EQ(error.source_text(), "");
    }
  }
}

}  // namespace
}  // namespace regcorvex::test
