// Registry files as `reg export` and the registry editor write them, in both encodings, and what
// the export makes of them: the same document as from the registry that holds the same values.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "admin/export_command.h"
#include "admin/reg_file.h"
#include "platform/code_page.h"
#include "tests/e2e/round_trip_cases.h"
#include "tests/support/memory_registry.h"
#include "tests/support/temp_dir.h"

namespace regcorvex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Utf16File(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

std::string Utf16File(const std::string& ansi) { return Utf16File(platform::AnsiToWide(ansi)); }

std::string Hex(const Bytes& data) {
  std::string text;
  char digits[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", data[i]);
    text += (i == 0 ? "" : ",") + std::string(i > 0 && i % 20 == 0 ? "\\\r\n  " : "") + digits;
  }
  return text;
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// A case's values as `reg export` writes them: texts quoted where they can be, the rest as bytes.
std::string RegText(const RoundTripCase& c, bool wide) {
  std::map<std::string, std::string> keys;
  for (const SeededValue& value : c.values) {
    const std::string root =
        value.scope == cfgPerMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    std::string& lines = keys["[" + root + "\\" + FullKeyPath(value.key) + "]\r\n"];
    std::string name = "@";
    if (!value.name.empty()) {
      name = "\"";
      for (const char ch : value.name)
        name += ch == '"' || ch == '\\' ? std::string("\\") + ch : std::string(1, ch);
      name += "\"";
    }
    const std::string bytes(value.data.begin(), value.data.end());
    if (value.type == platform::kRegDword && value.data.size() == 4) {
      char number[16];
      std::snprintf(number, sizeof number, "dword:%02x%02x%02x%02x", value.data[3], value.data[2],
                    value.data[1], value.data[0]);
      lines += name + "=" + number + "\r\n";
    } else if (value.type == platform::kRegSz && !bytes.empty() &&
               bytes.find('\0') == bytes.size() - 1) {
      std::string text;
      for (const char ch : bytes.substr(0, bytes.size() - 1)) {
        text += ch == '"' || ch == '\\' ? std::string("\\") + ch
                : ch == '\n'            ? std::string("\\n")
                : ch == '\r'            ? std::string("\\r")
                                        : std::string(1, ch);
      }
      lines += name + "=\"" + text + "\"\r\n";
    } else if (value.type == platform::kRegBinary) {
      lines += name + "=hex:" + Hex(value.data) + "\r\n";
    } else {
      Bytes data = value.data;
      const bool text_type = value.type == platform::kRegSz ||
                             value.type == platform::kRegExpandSz ||
                             value.type == platform::kRegMultiSz;
      if (wide && text_type) {
        data.clear();
        for (const char16_t unit : platform::AnsiToWide(bytes)) {
          data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
          data.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
      }
      char type[16];
      std::snprintf(type, sizeof type, "hex(%x):", value.type);
      lines += name + "=" + type + Hex(data) + "\r\n";
    }
  }
  std::string text = wide ? "Windows Registry Editor Version 5.00\r\n" : "REGEDIT4\r\n";
  for (const auto& [key, lines] : keys) text += "\r\n" + key + lines;
  return text;
}

TEST(RegFile, ReadsEveryFormInBothEncodings) {
  const std::string text =
      "\r\n; a comment\r\n[HKEY_CURRENT_USER\\Software\\A\\\\]\r\n"
      "\"Text\"=\"a\\\\b \\\"q\\\" \\n\\r x\\y \xE9\"\r\n"
      "@=\"default\"\r\n"
      "\"Number\"=dword:0000002a\r\n"
      "  \"Spaced\" = dword:1 \r\n"
      "\"Bytes\"=hex:01,02,\\\r\n  ff\r\n"
      "\"Empty\"=hex:\r\n"
      "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      "\"Gone\"=-\r\n"
      "[-HKEY_LOCAL_MACHINE\\Software\\B]\r\n"
      "\"Ignored\"=dword:1\r\n"
      "[HKEY_USERS\\.DEFAULT]\n"
      "\"Other\"=\"root\"\n";
  for (const bool wide : {false, true}) {
    SCOPED_TRACE(wide ? "UTF-16" : "REGEDIT4");
    const RegFile file = ParseRegFile(
        wide ? Utf16File("Windows Registry Editor Version 5.00" + text) : "REGEDIT4" + text);
    ASSERT_EQ(file.error, "");
    ASSERT_EQ(file.keys.size(), 2u);
    EXPECT_EQ(file.keys[0].root, platform::kHkeyCurrentUser);
    EXPECT_EQ(file.keys[0].key.path, "Software\\A");
    EXPECT_EQ(file.keys[1].root, platform::kNoKey);
    const std::vector<TreeValue>& values = file.keys[0].key.values;
    ASSERT_EQ(values.size(), 7u);
    const std::string expected_text = "a\\b \"q\" \n\r x\\y \xE9";
    EXPECT_EQ(values[0].name, "Text");
    EXPECT_EQ(values[0].type, platform::kRegSz);
    EXPECT_EQ(std::string(values[0].data.begin(), values[0].data.end()), expected_text + '\0');
    EXPECT_EQ(values[1].name, "");
    EXPECT_EQ(values[2].data, (Bytes{0x2a, 0, 0, 0}));
    EXPECT_EQ(values[3].data, (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(values[4].type, platform::kRegBinary);
    EXPECT_EQ(values[4].data, (Bytes{1, 2, 0xff}));
    EXPECT_EQ(values[5].data, Bytes{});
    EXPECT_EQ(values[6].type, platform::kRegQword);
    for (const TreeValue& value : values) EXPECT_EQ(value.problem, "") << value.name;
  }
}

TEST(RegFile, MarksTextsTheCodePageCannotHold) {
  const RegFile file = ParseRegFile(Utf16File(
      u"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n\"N\"=\"\u4e2d\"\r\n"
      u"\"E\"=hex(2):41,00,3e,26,00,00\r\n"));
  ASSERT_EQ(file.error, "");
  ASSERT_EQ(file.keys[0].key.values.size(), 2u);
  EXPECT_NE(file.keys[0].key.values[0].problem, "");
  EXPECT_NE(file.keys[0].key.values[1].problem, "");
}

TEST(RegFile, ReportsWhatItCannotRead) {
  const struct {
    const char* label;
    std::string bytes;
    int line;
  } cases[] = {
      {"no header", "[HKEY_CURRENT_USER\\K]\r\n", 1},
      {"version 5.00 in 8 bits", "Windows Registry Editor Version 5.00\r\n", 1},
      {"a value before any key", "REGEDIT4\r\n\r\n\"A\"=dword:1\r\n", 3},
      {"a byte that is no hexadecimal",
       "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=hex:01,\\\r\n 1g\r\n", 3},
      {"a byte of three digits", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=hex:100\r\n", 3},
      {"a text without its closing quote", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"x\r\n",
       3},
      {"no \"=\"", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\" dword:1\r\n", 3},
      {"a dword of nine digits", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=dword:000000001\r\n",
       3},
      {"an unknown form of data", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=qword:1\r\n", 3},
      {"a line that is neither", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\nA=1\r\n", 3},
      {"a key without its bracket", "REGEDIT4\r\n[HKEY_CURRENT_USER\\K\r\n", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const RegFile file = ParseRegFile(c.bytes);
    EXPECT_NE(file.error, "");
    EXPECT_EQ(file.line, c.line);
  }
}

// What `reg export` writes of a registry gives the document that the registry itself gives.
TEST(RegFile, ExportsAsTheRegistryWithTheSameValues) {
  const TempDir folder;
  for (const RoundTripCase& c : RoundTripCases()) {
    MemoryRegistry registry;
    SeedRegistry(registry, c);
    const ExportResult from_registry = ExportDocument(ReadExportSource({}, registry).keys);
    for (const bool wide : {false, true}) {
      SCOPED_TRACE(std::string(c.label) + (wide ? ", UTF-16" : ", REGEDIT4"));
      const std::string text = RegText(c, wide);
      ExportRequest request;
      request.from_reg = folder.Write("values.reg", wide ? Utf16File(text) : text).string();
      MemoryRegistry unused;
      const ExportSource source = ReadExportSource(request, unused);
      ASSERT_EQ(source.error, "");
      const ExportResult from_file = ExportDocument(source.keys);
      // Keys may come in another order; each key's element and values are the same lines.
      EXPECT_TRUE(SortedLines(from_file.document) == SortedLines(from_registry.document));
      EXPECT_EQ(ListedOmissions(c, from_file.omitted), ExpectedOmissions(c));
    }
  }
}

TEST(RegFile, TakesTheProductsKeysOnlyAndTheMachinesThroughEitherView) {
  const TempDir folder;
  ExportRequest request;
  request.from_reg =
      folder
          .Write("values.reg",
                 "REGEDIT4\r\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Pellmoor Software "
                 "Solutions\\Corvane 5\\Misc]\r\n\"A\"=dword:1\r\n"
                 "[HKEY_LOCAL_MACHINE\\Software\\Pellmoor Software "
                 "Solutions\\Corvane 5\\misc]\r\n\"a\"=dword:2\r\n\"B\"=dword:3\r\n"
                 "[HKEY_CURRENT_USER\\Software\\Pellmoor Software Solutions\\Corvane "
                 "5 Beta]\r\n\"C\"=dword:4\r\n"
                 "[HKEY_CURRENT_USER\\Software\\Other]\r\n")
          .string();
  MemoryRegistry unused;
  const ExportSource source = ReadExportSource(request, unused);
  ASSERT_EQ(source.error, "");
  EXPECT_EQ(source.outside, 2u);
  ASSERT_EQ(source.keys.size(), 1u);
  EXPECT_EQ(source.keys[0].scope, cfgPerMachine);
  ASSERT_EQ(source.keys[0].values.size(), 2u);
  EXPECT_EQ(source.keys[0].values[0].name, "a");
  EXPECT_EQ(source.keys[0].values[0].data, (Bytes{2, 0, 0, 0}));
}

}  // namespace
}  // namespace regcorvex::test
