#include "app/command_line.h"

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/recording_message_boxes.h"

namespace regcorvex {
namespace {

using test::FakeFileSystem;
using test::RecordingMessageBoxes;

// The parameters after the program's path, and the path the existence test receives (null when
// nothing is tested), with C:\Work as the current folder.
struct ResolutionCase {
  const char* label;
  const char* parameters;
  const char* tested;
};

constexpr ResolutionCase kResolutionCases[] = {
    {"lower-case option, value keeps its case", R"(/ic C:\Data\Prefs.XML)", R"(C:\Data\Prefs.XML)"},
    {"no separator after the option", R"(/ICC:\p.xml)", R"(C:\p.xml)"},
    {"blanks need no quotes", R"(/IC C:\My Files\p.xml)", R"(C:\My Files\p.xml)"},
    {"quoted bare name joins the /IP folder", R"(/IC "My Prefs.xml" /IP C:\Setup\)",
     R"(C:\Setup\My Prefs.xml)"},
    {"/IP without trailing backslash names its parent", R"(/IC p.xml /IP C:\Setup)", R"(C:\p.xml)"},
    {"/IP relative file name", R"(/IC p.xml /IP setup.exe)", R"(C:\Work\p.xml)"},
    {"bare name without /IP stays relative", R"(/IC p.xml)", "p.xml"},
    {"a folder part ignores /IP", R"(/IC sub\p.xml /IP C:\Setup\)", R"(sub\p.xml)"},
    {"a colon makes a folder part", R"(/IC C:p.xml /IP C:\Setup\)", "C:p.xml"},
    {"text after the closing quote is dropped", R"(/IC "a.xml"more)", "a.xml"},
    {"option order does not matter", R"(/IP C:\Setup\ /IC p.xml)", R"(C:\Setup\p.xml)"},
    {"first occurrence wins", R"(/IC a.xml /IC b.xml)", "a.xml"},
    {"value ends before the first slash", R"(/IC C:/Data/p.xml)", "C:"},
    {"empty value tests nothing", R"(/IC /IP C:\Setup\)", nullptr},
    {"empty quoted value with /IP gives the folder", R"(/IC "" /IP C:\Setup\)", R"(C:\Setup\)"},
    {"empty quoted value alone tests the empty name", R"(/IC "")", ""},
    {"doubled quotes stand for one", R"(/IC "a""b.xml")", R"(a"b.xml)"},
    {"no options", "", nullptr},
    {"other parameters are ignored", "/X /I", nullptr},
    {"quoted /IP keeps its quotes", R"(/IC p.xml /IP "C:\Setup\")", R"(C:\Work\"C:\Setup\p.xml)"},
};

class ResolutionTest : public ::testing::Test {
 protected:
  ResolutionTest() {
    files_.full_paths = {{R"(C:\Setup\)", R"(C:\Setup\)"},
                         {R"(C:\Setup)", R"(C:\Setup)"},
                         {R"("C:\Setup\")", R"(C:\Work\"C:\Setup\")"}};
  }

  std::vector<std::string> Tested(const std::string& command_line) {
    files_.queried.clear();
    PlatformServices services{platform::DefaultApplication(),
                              boxes_,
                              files_,
                              platform::DefaultRegistry(),
                              platform::DefaultVersionApi(),
                              platform::DefaultXmlParser(),
                              command_line};
    TMainWin form(services);
    form.FormCreate();
    return files_.queried;
  }

  FakeFileSystem files_;
  RecordingMessageBoxes boxes_;
};

TEST_F(ResolutionTest, TestsTheDocumentPathOfEachCommandLine) {
  for (const ResolutionCase& c : kResolutionCases) {
    SCOPED_TRACE(c.label);
    const auto queried = Tested(std::string(R"("C:\Program Files\RegCorvex.exe" )") + c.parameters);
    if (c.tested == nullptr) {
      EXPECT_TRUE(queried.empty());
    } else {
      ASSERT_EQ(queried.size(), 1u);
      EXPECT_EQ(queried[0], c.tested);
    }
  }
}

TEST_F(ResolutionTest, OptionLettersInTheProgramPathAreFoundFirst) {
  // Written with forward slashes, the program's own folder "Icons" reads as "/IC" + "ons".
  const auto queried = Tested(R"(C:/Icons/RegCorvex.exe /IC p.xml)");
  ASSERT_EQ(queried.size(), 1u);
  EXPECT_EQ(queried[0], "ons");
}

TEST_F(ResolutionTest, NothingIsShown) {
  Tested(R"(RegCorvex.exe /IC C:\missing.xml)");
  EXPECT_TRUE(boxes_.boxes.empty());
}

struct SplitCase {
  const char* label;
  const char* command_line;
  std::vector<std::string> parameters;
};

TEST(SplitParametersTest, SplitsAsTheRuntimeDoes) {
  const SplitCase cases[] = {
      {"program only", R"("C:\a b\x.exe")", {}},
      {"blanks and controls separate",
       "x.exe a\tb\x01"
       "c",
       {"a", "b", "c"}},
      {"quotes join and vanish", R"(x.exe "a b"c d)", {"a bc", "d"}},
      {"leading quote pair skipped", R"(x.exe "" a)", {"a"}},
      {"unclosed quote runs to the end", R"(x.exe "a b)", {"a b"}},
      {"an empty quoted word gives no parameter", R"(x.exe a "" b)", {"a", "b"}},
      {"high bytes are word characters", "x.exe \xe9t\xe9", {"\xe9t\xe9"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(SplitParameters(c.command_line), c.parameters);
  }
}

TEST(FileExistsTest, FoldersAndMissingFilesDoNotExist) {
  FakeFileSystem files;
  files.files = {R"(C:\p.xml)"};
  files.folders = {R"(C:\Setup\)"};
  EXPECT_TRUE(FileExists(R"(C:\p.xml)", files));
  EXPECT_FALSE(FileExists(R"(C:\Setup\)", files));
  EXPECT_FALSE(FileExists(R"(C:\q.xml)", files));
}

}  // namespace
}  // namespace regcorvex
