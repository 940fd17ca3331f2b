#include "tests/e2e/command_line_rows.h"

#include <fstream>
#include <sstream>

#include "platform/code_page.h"

namespace regcorvex::test {
namespace {

std::filesystem::path FromAnsi(const std::string& name) {
  return std::filesystem::path(platform::AnsiToWide(name));
}

std::string Utf8(const std::string& ansi) {
  const std::u8string text = FromAnsi(ansi).u8string();
  return std::string(text.begin(), text.end());
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string WhereDocument(const std::string& where) {
  return ProductDocument("<PerUserRoam><Where type=\"string\">" + Utf8(where) +
                         "</Where></PerUserRoam>");
}

std::vector<CommandLineRow> MakeRows() {
  return {
      {"a bare document name beside the working folder",
       "sub",
       {"/IC", "p.xml"},
       {"HKCU: Where = REG_SZ sub"},
       {}},
      {"a \\\\?\\ path names the file as it stands",
       "sub",
       {"/IC", "\\\\?\\{tree}\\p.xml"},
       {"HKCU: Where = REG_SZ root"},
       {}},
      {"a \\\\.\\ path names the file its full path leads to",
       "",
       {"/IC", "\\\\.\\{tree}\\sub\\deeper\\..\\p.xml"},
       {"HKCU: Where = REG_SZ sub"},
       {}},
      {"a name after a colon is no device", "sub", {"/IC:NUL"}, {}, {}},
      {"a device in a folder that does not exist is not found",
       "",
       {"/IC", "NUL", "/IP:", "C:\\"},
       {},
       {}},
  };
}

}  // namespace

std::filesystem::path TreeFolder(const std::filesystem::path& tree, const std::string& folder) {
  std::filesystem::path path = tree;
  std::istringstream parts(folder);
  for (std::string part; std::getline(parts, part, '\\');) path /= FromAnsi(part);
  return path;
}

void WriteCommandLineTree(const std::filesystem::path& tree) {
  for (const std::string& folder : kTreeFolders) {
    const std::filesystem::path at = TreeFolder(tree, folder);
    WriteFile(at / "p.xml", WhereDocument(folder.empty() ? "root" : folder));
    WriteFile(at / "bad.xml", "<?xml version=\"1.0\"?><unclosed>");
    WriteFile(at / "setup.exe", "");
  }
  WriteFile(tree.parent_path() / "p.xml", WhereDocument("parent"));
}

const std::vector<CommandLineRow>& CommandLineRows() {
  static const std::vector<CommandLineRow> rows = MakeRows();
  return rows;
}

std::vector<std::string> ExpandTree(const std::vector<std::string>& arguments,
                                    const std::string& tree) {
  std::vector<std::string> expanded;
  for (std::string argument : arguments) {
    for (size_t at = argument.find("{tree}"); at != std::string::npos;
         at = argument.find("{tree}", at + tree.size())) {
      argument.replace(at, 6, tree);
    }
    expanded.push_back(std::move(argument));
  }
  return expanded;
}

std::string WineCommandLineTail(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    const bool has_space = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
    const bool has_quote = argument.find('"') != std::string::npos;
    if (!has_space && !has_quote) {
      line += argument;
      continue;
    }
    if (has_space) line += '"';
    std::size_t backslashes = 0;
    for (const char c : argument) {
      if (c == '\\') {
        ++backslashes;
      } else {
        if (c == '"') line.append(backslashes + 1, '\\');
        backslashes = 0;
      }
      line += c;
    }
    if (has_space) {
      line.append(backslashes, '\\');
      line += '"';
    }
  }
  return line;
}

}  // namespace regcorvex::test
