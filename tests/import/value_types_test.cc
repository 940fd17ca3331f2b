#include "import/value_types.h"

#include <gtest/gtest.h>

#include <string>

namespace regcorvex {
namespace {

// Records the one setter a value type calls, as the companion words the value it writes.
class WrittenValue final : public DiscardingReceiver {
 public:
  void SetPrefInteger(const std::string&, const std::string&, std::int32_t value) override {
    Record(std::to_string(value));
  }
  void SetPrefString(const std::string&, const std::string&, const std::string& value) override {
    Record(value.empty() ? "the empty string" : value);
  }
  void SetPrefBooleanProc(const std::string&, const std::string&, bool value) override {
    Record(value ? "true" : "false");
  }
  void SetPrefBinaryProc(const std::string&, const std::string&,
                         const std::vector<std::uint8_t>& bytes) override {
    Record(bytes.empty() ? "zero bytes" : std::to_string(bytes.size()) + " bytes");
  }

  std::string written;
  int calls = 0;

 private:
  void Record(std::string text) {
    written = std::move(text);
    ++calls;
  }
};

// The companion tells authors what an element without plain text writes; the setter must agree.
TEST(ValueTypesTest, TheEmptyTextWritesWhatEachTypeSaysItDoes) {
  for (const ValueTypeRule& rule : kValueTypes) {
    WrittenValue receiver;
    EXPECT_TRUE(rule.write(receiver, "Misc", "Width", "")) << rule.name;
    EXPECT_EQ(receiver.calls, 1) << rule.name;
    EXPECT_EQ(receiver.written, rule.empty_text_gives) << rule.name;
  }
}

TEST(ValueTypesTest, EachTypeIsFoundByItsExactNameAlone) {
  for (const ValueTypeRule& rule : kValueTypes) {
    ASSERT_EQ(FindValueType(rule.name), &rule);
    EXPECT_STREQ(ValueTypeName(rule.kind), rule.name);
  }
  for (const char* name : {"Integer", "STRING", "integer ", "", "dword"}) {
    EXPECT_EQ(FindValueType(name), nullptr) << '"' << name << '"';
  }
}

TEST(ValueTypesTest, ARejectedBinaryTextWritesNothing) {
  WrittenValue receiver;
  EXPECT_FALSE(FindValueType("binary")->write(receiver, "Misc", "Data", "0G"));
  EXPECT_EQ(receiver.calls, 0);
}

}  // namespace
}  // namespace regcorvex
