// The hive reader that leaves values in the file's text and the save that copies untouched keys,
// against the whole-model reader and writer.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/posix/wine_registry/format.h"
#include "platform/posix/wine_registry/read.h"
#include "tests/support/hive_differential.h"

namespace platform::wine_registry {
namespace {

constexpr char kHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";

// A small file as Wine writes it: nested keys, a key Wine leaves out (Software), a class, a
// link, hex data over two lines and a key without values.
const std::string kWineForm = std::string(kHeader) +
                              "\n[Software\\\\A] 1700000000\n#time=1da1ac2e0ca0000\n"
                              "\"long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,"
                              "12,13,14,15,\\\n  16,17\n\"s\"=\"x\"\n"
                              "\n[Software\\\\A\\\\Empty] 1700000001\n#time=1da1ac2e0ca0001\n"
                              "\n[Software\\\\B] 1700000002\n#time=1da1ac2e0ca0002\n"
                              "#class=\"c\"\n@=dword:00000001\n"
                              "\n[Software\\\\Link] 1700000003\n#time=1da1ac2e0ca0003\n#link\n"
                              "\"SymbolicLinkValue\"=hex(6):5c,00\n"
                              "\n[System] 1700000004\n#time=1da1ac2e0ca0004\n\"v\"=\"w\"\n";

// Every row: both readers give the same error or the same keys, and after the same changes the
// saves read back alike (and are the same bytes for a file in Wine's form).
TEST(WineRegistryTextTest, TheReaderThatKeepsTheTextAgreesWithTheWholeModel) {
  const std::string body = std::string(kHeader) + "\n[K] 1\n#time=1\n\"v\"=\"x\"\n";
  const struct {
    const char* label;
    std::string text;
  } rows[] = {
      {"Wine's form", kWineForm},
      {"no final newline", std::string(kHeader) + "\n[K] 1\n\"v\"=dword:1"},
      {"a key in two sections, values overwritten", body + "\n[Q] 2\n\n[k] 3\n\"V\"=\"y\"\n"},
      {"keys out of order, parents after children",
       std::string(kHeader) + "\n[B\\\\C] 5\n\"v\"=\"1\"\n\n[A] 4\n\n[B] 6\n#class=\"x\"\n"},
      {"a key spelt otherwise by its own section than by its subkey's",
       std::string(kHeader) + "\n[B\\\\C] 5\n\"v\"=\"1\"\n\n[A] 4\n\n[b] 6\n#class=\"x\"\n"},
      {"a parent with no section of its own spelt otherwise by a later subkey",
       std::string(kHeader) +
           "\n[A] 1\n\"v\"=\"1\"\n\n[M\\\\z] 2\n\"v\"=\"1\"\n\n[m\\\\b] 3\n\"v\"=\"1\"\n"},
      {"blank lines, spaces, comments and unknown options",
       std::string(kHeader) + "\n\n  [K]   7  \n#time=2\n#unknown\n  \"v\" = dword:2\n;c\n\n\n"},
      {"a key without a stamp, and empty names in its path",
       std::string(kHeader) + "\n[A\\\\\\\\B]\n\"v\"=\"x\"\n"},
      {"escapes Wine would write otherwise",
       std::string(kHeader) + "\n[\\x41b] 1\n\"\\x76\"=\"\\101\\u\"\n"},
      {"options after values", body + "#class=\"late\"\n#time=5\n"},
      {"damage in a later key", body + "\n[L] 1\n\"v\"=hex:01,zz\n"},
      {"hex continued past the end", body + "\n[L] 1\n\"v\"=hex:01,\\\n"},
      {"stray text after the values", body + "stray\n"},
      {"a key name too long in a later key", body + "\n[" + std::string(257, 'k') + "]\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(hive_differential::Compare(row.text), "");
  }
}

// An untouched key is saved as the text it was read from, even where Wine would write it
// otherwise; a changed key is written in Wine's form.
TEST(WineRegistryTextTest, UntouchedKeysKeepTheirTextAndChangedKeysAreWrittenAfresh) {
  const std::string text = std::string(kHeader) +
                           "\n[A]   1\n#time=1\n#unknown\n\"v\"=\"\\x41\"\n"
                           "\n[B] 2\n#time=2\n#unknown\n\"v\"=\"\\x41\"\n";
  Hive hive = LoadHive(std::make_shared<const FileText>(text));
  hive.root->FindSubkey(u"A")->FindValue(u"v");  // read only
  hive.root->FindSubkey(u"B")->SetValue({u"w", kRegDword, std::string(4, '\0')});
  EXPECT_EQ(FormatHive(hive, KeyText::kCopy),
            std::string(kHeader) + "\n[A]   1\n#time=1\n#unknown\n\"v\"=\"\\x41\"\n" +
                "\n[B] 0\n#time=000000002\n\"v\"=\"A\"\n\"w\"=dword:00000000\n");
}

// The keys keep the text they read their values from: a key that outlives its hive still
// reads them.
TEST(WineRegistryTextTest, AKeyReadsItsValuesAfterItsHiveIsGone) {
  std::shared_ptr<Key> key;
  {
    Hive hive = LoadHive(std::make_shared<const FileText>(kWineForm));
    key = hive.root->FindSubkey(u"Software")->FindSubkey(u"A");
  }
  ASSERT_NE(key, nullptr);
  const Value* value = key->FindValue(u"long");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->data.size(), 24u);
}

}  // namespace
}  // namespace platform::wine_registry
