// Step 4 of the run: the product name of the executable's version resource against the product
// title, with TMainWin driven by stand-ins.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_form.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/recording_message_boxes.h"

namespace regcorvex {
namespace {

// A running executable whose resource holds only the product name, in the fallback string table;
// an empty name stands for a file without a version resource.
class ProductNameVersionApi final : public platform::VersionApi {
 public:
  explicit ProductNameVersionApi(std::string product) : product_(std::move(product)) {}

  platform::Dword GetFileVersionInfoSizeA(const char* path, platform::Dword* handle) override {
    EXPECT_EQ(std::string(path), ExecutablePath());
    *handle = 0;
    return product_.empty() ? 0 : 1;
  }
  bool GetFileVersionInfoA(const char*, platform::Dword, platform::Dword, void*) override {
    return true;
  }
  bool VerQueryValueA(const void*, const char* sub_block, void** buffer,
                      unsigned* length) override {
    if (std::string(sub_block) != "StringFileInfo\\040904E4\\ProductName") return false;
    *buffer = product_.data();
    *length = static_cast<unsigned>(product_.size() + 1);
    return true;
  }
  std::string ExecutablePath() override { return R"(C:\Program Files\RegCorvex\RegCorvex.exe)"; }

 private:
  std::string product_;
};

// Records each dialog with the number of files the run had tested by then.
class OrderedMessageBoxes final : public platform::MessageBoxes {
 public:
  explicit OrderedMessageBoxes(const test::FakeFileSystem& files) : files_(files) {}

  int MessageBoxA(platform::Hwnd owner, const std::string& text, const std::string& caption,
                  unsigned type) override {
    return recorded.MessageBoxA(owner, text, caption, type);
  }
  platform::Hwnd OwnForegroundWindow() override { return recorded.OwnForegroundWindow(); }
  void ShowMessageDialog(platform::Hwnd owner, const std::string& text,
                         const std::string& caption) override {
    files_tested_before.push_back(files_.queried.size());
    recorded.ShowMessageDialog(owner, text, caption);
  }

  test::RecordingMessageBoxes recorded;
  std::vector<std::size_t> files_tested_before;

 private:
  const test::FakeFileSystem& files_;
};

TEST(VersionCheckTest, AProductNameOtherThanTheTitleIsReportedBeforeTheImport) {
  const struct {
    const char* label;
    const char* product;
    bool reported;
  } cases[] = {
      {"the product title", "Corvane 5", false},      {"no version resource", "", true},
      {"another version", "Corvane 4", true},         {"compared with case", "corvane 5", true},
      {"compared byte for byte", "Corvane 5 ", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::FakeFileSystem files;
    files.files = {R"(C:\Data\prefs.xml)"};
    OrderedMessageBoxes boxes(files);
    ProductNameVersionApi version(c.product);
    platform::Application& application = platform::DefaultApplication();
    PlatformServices services{
        application,
        boxes,
        files,
        platform::DefaultRegistry(),
        version,
        platform::DefaultXmlParser(),
        R"("C:\Program Files\RegCorvex\RegCorvex.exe" /IC C:\Data\prefs.xml)"};
    TMainWin form(services);
    EXPECT_EQ(form.VersionInfo().ProductName(), c.product);
    form.FormCreate();

    // The document is still tested (and imported) after the dialog; the import may show boxes of
    // its own after it.
    ASSERT_FALSE(files.queried.empty());
    EXPECT_EQ(files.queried[0], R"(C:\Data\prefs.xml)");
    const auto& boxes_shown = boxes.recorded.boxes;
    const auto dialogs = std::count_if(boxes_shown.begin(), boxes_shown.end(),
                                       [](const test::RecordedBox& box) { return box.is_dialog; });
    EXPECT_EQ(dialogs, c.reported ? 1 : 0);
    if (!c.reported) continue;
    ASSERT_FALSE(boxes_shown.empty());
    const test::RecordedBox& box = boxes_shown[0];
    EXPECT_TRUE(box.is_dialog);
    EXPECT_EQ(box.text, "Error: RegCorvex ProductName must be Corvane 5");
    EXPECT_EQ(box.caption, "Register Corvane 5");
    EXPECT_EQ(box.owner, application.Handle());
    EXPECT_EQ(boxes.files_tested_before, std::vector<std::size_t>{0});
  }
}

}  // namespace
}  // namespace regcorvex
