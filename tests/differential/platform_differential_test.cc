// The native stand-ins for the system's functions against the Windows build's own, run under
// Wine: platform_probe.exe of the Windows build prints what they give, and each answer must be
// the native one. The build names the probe (REGCORVEX_WINDOWS_BUILD); without it, or without
// Wine, these tests skip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "tests/differential/platform_probe.h"
#include "tests/platform/booted_prefix.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_platform.h"
#include "tests/support/wine_program.h"

namespace regcorvex::test {
namespace {

namespace fs = std::filesystem;

constexpr std::chrono::seconds kProbeDeadline{600};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The current folder of this process, for the length of one comparison.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : saved_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~InFolder() { fs::current_path(saved_); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  fs::path saved_;
};

class UnderWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    probe_ = REGCORVEX_PLATFORM_PROBE;
    if (probe_.empty() || !fs::exists(probe_)) {
      GTEST_SKIP() << "no platform_probe.exe of a Windows build (REGCORVEX_WINDOWS_BUILD)";
    }
    const auto booted = BootedTemplatePrefix();
    if (!booted) GTEST_SKIP() << "Wine is not installed";
    CopyBootedPrefix(*booted, prefix_);
  }

  // The probe's lines for the arguments, run in folder.
  std::vector<std::string> Probe(const std::vector<std::string>& arguments,
                                 const fs::path& folder = "/") {
    std::vector<std::string> command = {probe_.string()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const ProgramResult run = RunWineProgram(prefix_, command, kProbeDeadline, folder.string());
    WaitForWineserver(prefix_);
    EXPECT_FALSE(run.timed_out);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    return Lines(run.out);
  }

  TempDir temp_;
  fs::path prefix_ = temp_.path() / "prefix";
  fs::path probe_;
};

TEST(CodePage1252Test, ConvertsAsWindowsDoes) {
  const struct {
    const char* label;
    std::u16string text;
    std::string ansi;
  } kCases[] = {
      {"Latin-1 and the typographic characters", u"\u00e9\u20ac\u0178\u2122", "\xe9\x80\x9f\x99"},
      {"C1 controls 0x80-0x9F lacks, and the five it holds", u"\u0080\u0081\u009e\u009d",
       "?\x81?\x9d"},
      {"letters without their accents", u"\u0100\u0107\u0141\u01d5", "AcLU"},
      {"near letters and signs", u"\u0110\u03b2\u221e\u2248\u2264\u3000",
       "\xd0\xdf"
       "8\x98= "},
      {"fullwidth forms", u"\uff01\uff21\uff5e\uff5f", "!A~?"},
      {"characters without a near one", u"\u0416\u540d\u0138", "???"},
      {"a surrogate pair is two units", u"a\U0001F600b", "a??b"},
      {"lone surrogates", u"\xd800x\xdfff", "?x?"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(platform::WideToAnsi(c.text), c.ansi) << c.label;
  }
}

// The forms of Wine's own tests of the function (dlls/ntdll/tests/path.c), which hold on Windows
// too, from the current folder C:\windows of a prefix whose C: is a folder of the test.
TEST(FullPathNameTest, MakesFullPathsAsWindowsAndWineDo) {
  const TempDir prefix;
  fs::create_directories(prefix.path() / "dosdevices");
  fs::create_directories(prefix.path() / "drive_c" / "windows");
  fs::create_directory_symlink(prefix.path() / "drive_c", prefix.path() / "dosdevices" / "c:");
  const std::string saved_prefix = std::getenv("WINEPREFIX");
  setenv("WINEPREFIX", prefix.path().c_str(), 1);
  const struct {
    const char* name;
    const char* full;
  } kCases[] = {
      {"c:/test", "c:\\test"},
      {"c:/test/", "c:\\test\\"},
      {"c:/test     ", "c:\\test"},
      {"c:/test.", "c:\\test"},
      {"c:/test  ....   ..   ", "c:\\test"},
      {"c:/test/  ....   ..   ", "c:\\test\\"},
      {"c:/test/..", "c:\\"},
      {"c:/test/.. ", "c:\\test\\"},
      {"c:/test./file", "c:\\test\\file"},
      {"c:/test.. /file", "c:\\test.. \\file"},
      {"c:/test\\test1\\..\\.\\file", "c:\\test\\file"},
      {"c:///test\\.\\.\\file//", "c:\\test\\file\\"},
      {"c:///test\\..\\file\\..\\//", "c:\\"},
      {"c:/test../file", "c:\\test.\\file"},
      {"c:.", "C:\\windows"},
      {"c:foo", "C:\\windows\\foo"},
      {"c:foo/bar", "C:\\windows\\foo\\bar"},
      {"\\foo", "C:\\foo"},
      {".", "C:\\windows"},
      {"..", "C:\\"},
      {"...", "C:\\windows\\"},
      {"foo/..", "C:\\windows"},
      {"\\windows\\nul", "\\\\.\\nul"},
      {"C:\\con\\con", "\\\\.\\con"},
      {"C:NUL.", "\\\\.\\NUL"},
      {"COM1", "\\\\.\\COM1"},
      {"//foo", "\\\\foo"},
      {"//", "\\\\"},
      {"//foo/", "\\\\foo\\"},
      {"//.", "\\\\.\\"},
      {"//./foo/.", "\\\\.\\foo"},
      {"//./foo/..", "\\\\.\\"},
      {"//?/foo/bar", "\\\\?\\foo\\bar"},
      {"//?/foo/..", "\\\\?\\"},
      {"\\??\\foo", "C:\\??\\foo"},
  };
  {
    const InFolder in(prefix.path() / "drive_c" / "windows");
    for (const auto& c : kCases) {
      char buffer[260];
      const platform::Dword length =
          platform::DefaultFileSystem().GetFullPathNameA(c.name, sizeof(buffer), buffer);
      EXPECT_EQ(std::string(buffer, length), c.full) << c.name;
    }
  }
  setenv("WINEPREFIX", saved_prefix.c_str(), 1);
}

TEST_F(UnderWineTest, CodePage1252ConvertsEveryUnitAsTheWindowsBuild) {
  const std::vector<std::string> lines = Probe({"code-page"});
  const std::vector<std::u16string> surrogates = ProbedSurrogateTexts();
  ASSERT_EQ(lines.size(), 0x10000 + surrogates.size());
  std::vector<std::u16string> texts;
  for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
    texts.emplace_back(1, static_cast<char16_t>(unit));
  }
  texts.insert(texts.end(), surrogates.begin(), surrogates.end());
  int differences = 0;
  std::string shown;
  for (size_t i = 0; i < texts.size(); ++i) {
    const std::string native = HexBytes(platform::WideToAnsi(texts[i]));
    if (native == lines[i]) continue;
    if (++differences <= 20) {
      shown += "U+" +
               HexBytes(std::string{static_cast<char>(texts[i][0] >> 8),
                                    static_cast<char>(texts[i][0] & 0xFF)}) +
               (texts[i].size() > 1 ? "...: " : ": ") + "Windows build " + lines[i] + ", native " +
               native + "\n";
    }
  }
  EXPECT_EQ(differences, 0) << shown;
}

// Every form of name GetFullPathNameA meets, from two current folders.
TEST_F(UnderWineTest, FullPathNamesAreTheWindowsBuildsOwn) {
  const std::string deep = "a\\b\\c\\d\\e\\f\\g\\h\\";
  std::string long_relative;
  while (long_relative.size() < 270) long_relative += "long name\\";
  const std::vector<std::string> names = {
      "p.xml",
      "Z:",
      "z:",
      "Z:.",
      "Z:..",
      "Z:p.xml",
      "Z:sub\\p.xml",
      "Z:\\",
      "Z:\\.",
      "Z:\\..",
      "Z:/",
      "C:",
      "C:p.xml",
      "c:\\windows\\..\\p.xml",
      ".",
      "..",
      "..\\..",
      "..\\..\\..\\..\\..",
      "...",
      "....\\x",
      "p.",
      "p..",
      "p. ",
      "p .",
      " p",
      "p. .",
      "sub.\\p.xml",
      "sub. \\p.xml",
      "sub \\p.xml",
      "sub\\.",
      "sub\\..",
      "sub\\...",
      "sub\\..\\..",
      "sub\\",
      "sub\\\\",
      "sub//x",
      "sub/./x/../y",
      "/",
      "\\",
      "\\p.xml",
      "/tmp/p.xml",
      "\\\\",
      "\\\\server",
      "\\\\server\\share",
      "\\\\server\\share\\",
      "\\\\server\\share\\x\\..\\..\\..",
      "//server/share/x/./y",
      "\\\\?\\Z:\\x\\..\\y",
      "\\\\.\\Z:\\x\\..\\y",
      "\\\\.",
      "\\\\.\\",
      "\\\\?\\",
      "NUL",
      "nul.txt",
      "sub\\CON",
      "COM1:",
      ":NUL",
      ": C:\\",
      ": C:\\NUL",
      "sub\\a:NUL",
      "NUL.:x",
      " NUL",
      "NUL ",
      "a:b",
      "p.xml:stream",
      "p*.xml",
      "p?.xml",
      "<p>",
      "caf\xe9\\\x80\x9f.xml",
      "Z:\\" + long_relative,
      long_relative,
      deep + deep + deep + deep + deep + deep + deep + deep + deep + deep + deep + deep + "..\\x",
      std::string(259, 'x'),
      std::string(260, 'x'),
      "\t p.xml",
      "p.xml\t"};
  const fs::path work = temp_.path() / "tree" / "work";
  fs::create_directories(work);
  const std::string list_text = [&] {
    std::string text;
    for (const std::string& name : names) text += name + "\n";
    return text;
  }();
  const std::string list = WindowsPath(temp_.Write("names.txt", list_text));
  for (const fs::path& folder : {work, fs::path("/")}) {
    SCOPED_TRACE(folder.string());
    const std::vector<std::string> lines = Probe({"full-path", list}, folder);
    ASSERT_EQ(lines.size(), names.size());
    const InFolder in(folder);
    for (size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(ProbeFullPath(platform::DefaultFileSystem(), names[i]), lines[i])
          << "name \"" << names[i] << "\"";
    }
  }
}

// What the file functions say of every form of name the program's existence test meets: files,
// folders, devices, "\\?\" and "\\.\" paths, streams, names that end in dots or spaces. A name with
// a wildcard is asked of GetFileAttributesA alone: it refuses it as a bad name, and the existence
// test then asks no more (FindFirstFileA would search the folder, which the native build does not).
TEST_F(UnderWineTest, FileAttributesAreTheWindowsBuildsOwn) {
  const fs::path work = temp_.path() / "tree" / "work";
  fs::create_directories(work / "sub");
  temp_.Write("tree/work/p.xml", "<a/>");
  fs::permissions(work / "p.xml", fs::perms::owner_read | fs::perms::group_read);
  temp_.Write("tree/work/rw.txt", "x");
  const std::string folder = WindowsPath(work);
  const std::vector<std::string> names = {"p.xml",
                                          "rw.txt",
                                          "sub",
                                          "sub\\",
                                          "missing.xml",
                                          "missing\\x.xml",
                                          "NUL",
                                          "nul.txt",
                                          "sub\\CON",
                                          "COM1",
                                          "CONIN$",
                                          ":NUL",
                                          ": C:\\NUL",
                                          "x\\: C:\\NUL",
                                          "a:NUL",
                                          "sub\\a:NUL",
                                          "NUL:x",
                                          "NUL.:x",
                                          " NUL",
                                          "NUL ",
                                          "\\\\.\\NUL",
                                          "\\\\?\\" + folder + "\\p.xml",
                                          "\\\\.\\" + folder + "\\p.xml",
                                          "\\\\?\\" + folder + "\\sub",
                                          "\\\\?\\" + folder + "\\x\\..\\p.xml",
                                          "\\\\.\\" + folder + "\\x\\..\\p.xml",
                                          "\\\\?\\" + folder + "\\missing",
                                          "p.xml:stream",
                                          "<p>",
                                          "p.xml.",
                                          "p.xml ",
                                          "Z:",
                                          "Z:\\",
                                          "\\\\?\\Z:\\",
                                          "\\\\.\\Z:",
                                          "\\\\.\\Z:\\",
                                          ".",
                                          ".."};
  std::string list_text;
  for (const std::string& name : names) list_text += name + "\n";
  const std::vector<std::string> lines =
      Probe({"attributes", WindowsPath(temp_.Write("names.txt", list_text))}, work);
  ASSERT_EQ(lines.size(), names.size());
  const InFolder in(work);
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(ProbeFileAttributes(platform::DefaultFileSystem(), names[i]), lines[i])
        << "name \"" << names[i] << "\"";
  }
  for (const char* wildcard : {"p*.xml", "p?.xml", "*", "sub\\*"}) {
    EXPECT_EQ(platform::DefaultFileSystem().GetFileAttributesA(wildcard),
              platform::kInvalidFileAttributes);
    EXPECT_EQ(platform::DefaultFileSystem().GetLastError(),
              static_cast<platform::Dword>(platform::kErrorInvalidName));
  }
}

}  // namespace
}  // namespace regcorvex::test
