#include "tests/differential/command_line_cases.h"

#include <random>

namespace regcorvex::test {
namespace {

class Picker {
 public:
  explicit Picker(unsigned seed) : random_(seed) {}
  std::size_t Below(std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random_);
  }
  const std::string& From(const std::vector<std::string>& choices) {
    return choices[Below(choices.size())];
  }
  bool Chance(int percent) { return Below(100) < static_cast<std::size_t>(percent); }

 private:
  std::mt19937 random_;
};

std::string Repeated(const std::string& text, int count) {
  std::string result;
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

// Document names: relative, drive-relative, absolute, with dots, spaces, quotes and slashes.
std::vector<std::string> DocumentValues(const std::string& tree) {
  std::string forward = tree;
  for (char& c : forward) c = c == '\\' ? '/' : c;
  return {"p.xml",
          "P.XML",
          "p.xml.",
          "p.xml ",
          "p.xml. .",
          ".\\p.xml",
          "sub\\p.xml",
          "sub/p.xml",
          "sub\\deeper\\p.xml",
          "..\\p.xml",
          "sub\\..\\p.xml",
          "sub.\\p.xml",
          "space dir\\p.xml",
          "caf\xe9\\p.xml",
          "Z:p.xml",
          "z:sub\\p.xml",
          "C:p.xml",
          tree + "\\p.xml",
          tree + "\\sub\\p.xml",
          tree + "\\\\sub\\\\p.xml",
          forward + "/sub/p.xml",
          tree + "\\sub\\deeper\\..\\p.xml",
          "\\\\?\\" + tree + "\\p.xml",
          "\\\\.\\" + tree + "\\p.xml",
          tree.substr(2) + "\\p.xml",
          "\\\\server\\share\\p.xml",
          "\"p.xml\"",
          "\"sub\\p.xml",
          "bad.xml",
          "sub\\bad.xml",
          "missing.xml",
          "sub",
          "NUL",
          "",
          tree + "\\" + Repeated("sub\\..\\", 40) + "p.xml"};
}

// /IP values: a program path whose folder is taken, in every form.
std::vector<std::string> PathValues(const std::string& tree) {
  std::string forward = tree;
  for (char& c : forward) c = c == '\\' ? '/' : c;
  return {"setup.exe",
          "Z:",
          "z:",
          "Z:.",
          "Z:..",
          "Z:sub",
          "Z:sub\\",
          "Z:\\",
          "C:",
          "C:\\",
          "sub\\setup.exe",
          "sub\\",
          "sub",
          "sub.",
          "sub. ",
          "sub\\.",
          "sub\\..",
          "sub\\deeper\\",
          ".",
          "..",
          "..\\..",
          "\\",
          "\\\\",
          "space dir\\x",
          "caf\xe9\\x",
          tree,
          tree + "\\",
          tree + "\\sub\\setup.exe",
          tree + "\\sub\\",
          tree + "\\sub\\deeper",
          forward + "/sub/setup.exe",
          tree.substr(2) + "\\sub\\x",
          "\\\\server\\share\\x",
          "\\\\?\\" + tree + "\\sub\\x",
          "\"sub\\x\"",
          "\"space dir\\\"",
          "",
          "sub\\" + std::string(300, 'x'),
          tree + "\\sub\\" + std::string(240, 'x'),
          "sub\\" + Repeated("deeper\\..\\", 30) + "x"};
}

const std::vector<std::string> kDocumentOptions = {"/IC", "/ic",  "/Ic",  "/iC",  "-IC",
                                                   "IC",  "/IC:", "//IC", "/ICX", "/I"};
const std::vector<std::string> kPathOptions = {"/IP", "/ip", "/iP", "-IP", "/IP:", "//IP", "/IPX"};
const std::vector<std::string> kStrays = {"x", "/X", "/", "//", "\"", "a b", "/IC/IP", "\t"};

// One option with its value: as two arguments, as one, or the option alone.
void AddOption(Picker& pick, const std::vector<std::string>& options,
               const std::vector<std::string>& values, std::vector<std::string>& arguments) {
  const std::string& option = pick.From(options);
  const std::string& value = pick.From(values);
  switch (pick.Below(4)) {
    case 0:
      arguments.push_back(option + value);
      break;
    case 1:
      arguments.push_back(option);
      break;
    default:
      arguments.push_back(option);
      arguments.push_back(value);
  }
}

}  // namespace

std::vector<CommandLineCase> GenerateCommandLines(unsigned seed, int count,
                                                  const std::string& tree) {
  Picker pick(seed);
  const std::vector<std::string> documents = DocumentValues(tree);
  const std::vector<std::string> paths = PathValues(tree);
  std::vector<CommandLineCase> cases;
  for (int i = 0; i < count; ++i) {
    CommandLineCase c;
    c.folder = pick.From(kTreeFolders);
    const bool path_first = pick.Chance(30);
    if (path_first && pick.Chance(80)) AddOption(pick, kPathOptions, paths, c.arguments);
    if (pick.Chance(90)) AddOption(pick, kDocumentOptions, documents, c.arguments);
    if (!path_first && pick.Chance(70)) AddOption(pick, kPathOptions, paths, c.arguments);
    if (pick.Chance(15)) {
      c.arguments.insert(
          c.arguments.begin() + static_cast<std::ptrdiff_t>(pick.Below(c.arguments.size() + 1)),
          pick.From(kStrays));
    }
    if (pick.Chance(10)) AddOption(pick, kDocumentOptions, documents, c.arguments);
    cases.push_back(std::move(c));
  }
  return cases;
}

}  // namespace regcorvex::test
