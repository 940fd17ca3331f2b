// Registry files as `reg export` and the registry editor write them, in both encodings, and what
// the export makes of them: the same document as from the registry that holds the same values.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include <fstream>

#include "admin/export_command.h"
#include "admin/reg_file.h"
#include "platform/code_page.h"
#include "platform/utf8.h"
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

// A text of the ANSI code page in each encoding the registry editor reads.
struct Encoding {
  const char* label;
  std::string (*encode)(const std::string& ansi);
};

std::string Utf16(const std::string& ansi, bool big_endian, bool mark) {
  std::string bytes = Utf16File(ansi).substr(mark ? 0 : 2);
  if (big_endian) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
  }
  return bytes;
}

const Encoding kEncodings[] = {
    {"UTF-16LE", [](const std::string& t) { return Utf16(t, false, true); }},
    {"UTF-16LE without a mark", [](const std::string& t) { return Utf16(t, false, false); }},
    {"UTF-16BE", [](const std::string& t) { return Utf16(t, true, true); }},
    {"UTF-16BE without a mark", [](const std::string& t) { return Utf16(t, true, false); }},
    {"UTF-8",
     [](const std::string& t) {
       return "\xEF\xBB\xBF" + platform::Utf16ToUtf8(platform::AnsiToWide(t));
     }},
    {"UTF-8 without a mark",
     [](const std::string& t) { return platform::Utf16ToUtf8(platform::AnsiToWide(t)); }},
    {"ANSI", [](const std::string& t) { return t; }},
};

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

// An export request that reads text as a registry file written in folder.
ExportRequest FromFile(const TempDir& folder, const std::string& text) {
  ExportRequest request;
  request.from_reg = folder.Write("values.reg", text).string();
  return request;
}

ExportSource ReadFile(const ExportRequest& request) {
  MemoryRegistry unused;
  return ReadExportSource(request, unused);
}

TEST(RegFile, ReadsEveryFormInEveryEncoding) {
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
      "@=-\r\n"
      "[-HKEY_LOCAL_MACHINE\\Software\\B]\r\n"
      "\"Ignored\"=dword:1\r\n"
      "[HKEY_USERS\\.DEFAULT]\n"
      "\"Other\"=\"root\"\n";
  // The header's first word in any case, blanks around it as pasted from a page.
  for (const char* header :
       {"REGEDIT4", "Windows Registry Editor Version 5.00", "regedit4",
        "WINDOWS Registry Editor Version 5.00", "  Windows Registry Editor Version 5.00 "}) {
    for (const Encoding& encoding : kEncodings) {
      SCOPED_TRACE(std::string(header) + " in " + encoding.label);
      const RegFile file = ParseRegFile(encoding.encode(header + text));
      ASSERT_EQ(file.error, "");
      ASSERT_EQ(file.keys.size(), 3u);
      EXPECT_EQ(file.keys[0].root, platform::kHkeyCurrentUser);
      EXPECT_EQ(file.keys[0].key.path, "Software\\A");
      EXPECT_EQ(file.keys[0].deleted_values, (std::vector<std::string>{"Gone", ""}));
      EXPECT_TRUE(file.keys[1].deleted);
      EXPECT_EQ(file.keys[1].key.path, "Software\\B");
      EXPECT_EQ(file.keys[2].root, platform::kNoKey);
      EXPECT_EQ(file.keys[2].root_name, "HKEY_USERS");
      ASSERT_EQ(file.unread.size(), 1u);
      EXPECT_EQ(file.unread[0].line, 15);
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
}

// The text types of a version 5.00 file hold UTF-16 whatever the file's own encoding; those of a
// REGEDIT4 file hold the ANSI code page.
TEST(RegFile, TextTypesFollowTheHeaderNotTheEncoding) {
  for (const Encoding& encoding : kEncodings) {
    SCOPED_TRACE(encoding.label);
    const RegFile v5 = ParseRegFile(
        encoding.encode("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n"
                        "\"E\"=hex(2):25,00,e9,00,00,00\r\n"));
    const RegFile v4 = ParseRegFile(
        encoding.encode("REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"E\"=hex(2):25,e9,00\r\n"));
    for (const RegFile* file : {&v5, &v4}) {
      ASSERT_EQ(file->keys.size(), 1u);
      ASSERT_EQ(file->keys[0].key.values.size(), 1u);
      EXPECT_EQ(file->keys[0].key.values[0].data, (Bytes{0x25, 0xe9, 0}));
    }
  }
}

TEST(RegFile, RefusesWhatIsNoRegistryFile) {
  for (const char* bytes : {"", "[HKEY_CURRENT_USER\\K]\r\n", "REGEDIT5\r\n", "REGEDIT 4\r\n",
                            "Windows Registry Editor Version 6.00\r\n"}) {
    SCOPED_TRACE(bytes);
    const RegFile file = ParseRegFile(bytes);
    EXPECT_NE(file.error, "");
    EXPECT_TRUE(file.keys.empty());
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

// A line that cannot be read is listed with its number and why; the lines after it are read.
TEST(RegFile, ListsTheLinesItCannotReadAndReadsOn) {
  const struct {
    const char* label;
    std::string lines;  // after "REGEDIT4", from line 2
    std::vector<int> unread;
  } cases[] = {
      {"a value before any key", "\"A\"=dword:1\r\n", {2}},
      {"a byte that is no hexadecimal",
       "[HKEY_CURRENT_USER\\K]\r\n\"A\"=hex:01,\\\r\n 1g\r\n",
       {3}},
      {"a byte of three digits", "[HKEY_CURRENT_USER\\K]\r\n\"A\"=hex:100\r\n", {3}},
      {"a text without its closing quote", "[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"x\r\n", {3}},
      {"no \"=\"", "[HKEY_CURRENT_USER\\K]\r\n\"A\" dword:1\r\n", {3}},
      {"a dword of nine digits", "[HKEY_CURRENT_USER\\K]\r\n\"A\"=dword:0ffffffff\r\n", {3}},
      {"an unknown form of data", "[HKEY_CURRENT_USER\\K]\r\n\"A\"=qword:1\r\n", {3}},
      {"a line that is neither", "[HKEY_CURRENT_USER\\K]\r\nA=1\r\n", {3}},
      {"a key without its bracket, and its value",
       "[HKEY_CURRENT_USER\\K\r\n\"A\"=dword:1\r\n",
       {2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const RegFile file =
        ParseRegFile("REGEDIT4\r\n" + c.lines + "[HKEY_CURRENT_USER\\L]\r\n\"After\"=dword:1\r\n");
    ASSERT_EQ(file.error, "");
    std::vector<int> unread;
    for (const RegFileLine& line : file.unread) {
      EXPECT_NE(line.reason, "");
      unread.push_back(line.line);
    }
    EXPECT_EQ(unread, c.unread);
    ASSERT_FALSE(file.keys.empty());
    EXPECT_EQ(file.keys.back().key.path, "L");
    ASSERT_EQ(file.keys.back().key.values.size(), 1u);
    EXPECT_EQ(file.keys.back().key.values[0].name, "After");
  }
}

// What `reg export` writes of a registry gives the document that the registry itself gives.
TEST(RegFile, ExportsAsTheRegistryWithTheSameValues) {
  const TempDir folder;
  for (const RoundTripCase& c : RoundTripCases()) {
    MemoryRegistry registry;
    SeedRegistry(registry, c);
    const ExportResult from_registry = ExportDocument(ReadExportSource({}, registry).keys);
    const struct {
      const char* label;
      bool version5;
      std::string (*encode)(const std::string& ansi);
    } forms[] = {
        {"REGEDIT4", false, [](const std::string& t) { return t; }},
        {"5.00 in UTF-16", true, [](const std::string& t) { return Utf16File(t); }},
        {"5.00 in UTF-8", true, kEncodings[4].encode},
    };
    for (const auto& form : forms) {
      SCOPED_TRACE(std::string(c.label) + ", " + form.label);
      const ExportSource source =
          ReadFile(FromFile(folder, form.encode(RegText(c, form.version5))));
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
  const ExportSource source =
      ReadFile(FromFile(folder,
                        "REGEDIT4\r\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Pellmoor Software "
                        "Solutions\\Corvane 5\\Misc]\r\n\"A\"=dword:1\r\n"
                        "[HKEY_LOCAL_MACHINE\\Software\\Pellmoor Software "
                        "Solutions\\Corvane 5\\misc]\r\n\"a\"=dword:2\r\n\"B\"=dword:3\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Pellmoor Software Solutions\\Corvane "
                        "5 Beta]\r\n\"C\"=dword:4\r\n"
                        "[HKEY_CURRENT_USER\\Software\\Other]\r\n"));
  ASSERT_EQ(source.error, "");
  ASSERT_EQ(source.outside.size(), 2u);
  EXPECT_EQ(source.outside[0].name,
            "HKEY_CURRENT_USER\\Software\\Pellmoor Software Solutions\\Corvane 5 Beta");
  EXPECT_EQ(source.outside[0].values, 1u);
  EXPECT_EQ(source.outside[1].name, "HKEY_CURRENT_USER\\Software\\Other");
  ASSERT_EQ(source.keys.size(), 1u);
  EXPECT_EQ(source.keys[0].scope, cfgPerMachine);
  ASSERT_EQ(source.keys[0].values.size(), 2u);
  EXPECT_EQ(source.keys[0].values[0].name, "a");
  EXPECT_EQ(source.keys[0].values[0].data, (Bytes{2, 0, 0, 0}));
}

// Every entry of a file is in the document or in the report, in text and in JSON alike.
TEST(RegFile, ReportsEveryEntryTheDocumentDoesNotHold) {
  const TempDir folder;
  const ExportRequest request =
      FromFile(folder,
               "REGEDIT4\r\n"
               "[HKEY_CURRENT_USER\\Software\\Pellmoor Software Solutions\\Corvane "
               "5\\Misc]\r\n\"Kept\"=dword:1\r\n\"Gone\"=-\r\n@=-\r\n"
               "\"Bad\"=dword:0ffffffff\r\n"
               "[-HKEY_CURRENT_USER\\Software\\Pellmoor Software "
               "Solutions\\Corvane 5\\Paths]\r\n"
               "[HKEY_USERS\\.DEFAULT\\Software\\Other]\r\n\"X\"=\"y\"\r\n");
  const ExportSource source = ReadFile(request);
  ASSERT_EQ(source.error, "");
  const ExportResult result = ExportDocument(source.keys);
  EXPECT_EQ(result.exported, 1u);
  const std::string text = ExportText(request, source, result);
  const std::string json = ExportJson(request, source, result);
  const struct {
    const char* in_text;
    const char* in_json;
  } entries[] = {
      {":6: not read: dword:", "{\"line\": 6, \"reason\": \"dword:"},
      {"Misc: deletion of value \"Gone\"",
       "\"name\": \"Gone\", \"type\": null, \"deletion\": true"},
      {"Misc: deletion of value \"\"", "\"name\": \"\", \"type\": null, \"deletion\": true"},
      {"Paths: deletion of the key and every key below it",
       "Paths\", \"name\": null, \"type\": null, \"deletion\": true"},
      {"outside the keys exported: HKEY_USERS\\.DEFAULT\\Software\\Other (1 value)",
       "{\"key\": \"HKEY_USERS\\\\.DEFAULT\\\\Software\\\\Other\", \"values\": 1"},
  };
  for (const auto& entry : entries) {
    EXPECT_NE(text.find(entry.in_text), std::string::npos) << entry.in_text << "\n" << text;
    EXPECT_NE(json.find(entry.in_json), std::string::npos) << entry.in_json << "\n" << json;
  }
  EXPECT_NE(json.find("\"exit_code\": 1"), std::string::npos) << json;
}

// A file with nothing to export exits 1 and leaves the document named by -o as it was.
TEST(RegFile, NothingExportedLeavesTheOutputAlone) {
  const TempDir folder;
  ExportRequest request =
      FromFile(folder, "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"X\"=\"y\"\r\n");
  request.output = folder.Write("kept.xml", "what was there").string();
  MemoryRegistry unused;
  EXPECT_EQ(RunExport(request, unused), 1);
  std::ifstream kept(folder.path() / "kept.xml");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "what was there");
}

}  // namespace
}  // namespace regcorvex::test
