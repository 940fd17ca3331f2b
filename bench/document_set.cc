#include "bench/document_set.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace regcorvex::bench {
namespace {

constexpr std::array<const char*, 3> kScopes = {"PerUserRoam", "PerUserNonRoam", "PerMachine"};
constexpr int kPerMachine = 2;

// Category elements as written in the document, with the key path the import gives each. The
// first stands for the values written directly under a scope element (cfgAll); the last is a name
// the category table does not know. "$Temp" and "$Unknown" are left out: the import skips them.
struct Category {
  const char* element;
  const char* path;
};
constexpr std::array<Category, 38> kCategories = {{
    {nullptr, ""},
    {"AdvOptions", "AdvOptions"},
    {"appearance", "Appearance"},
    {"Backup", "Backup"},
    {"Capture", "Capture"},
    {"Categories", "Categories"},
    {"Commands", "Commands"},
    {"Delays", "Delays"},
    {"Editor", "Editor"},
    {"Email_Server", "Email Server"},
    {"Errors", "Errors"},
    {"Explorer", "Explorer"},
    {"Files", "Files"},
    {"Persistent_Files", "Persistent Files"},
    {"Fonts", "Fonts"},
    {"General_Activations", "General Activations"},
    {"MAPI", "MAPI"},
    {"MenuBuilder", "MenuBuilder"},
    {"Menu_Editor", "Menu Editor"},
    {"Misc", "Misc"},
    {"MRU", "MRU"},
    {"Network", "Network"},
    {"Paths", "Paths"},
    {"Playback", "Playback"},
    {"Scheduler", "Scheduler"},
    {"Typecodes", "Typecodes"},
    {"Startup", "Startup"},
    {"System_Macros", "System Macros"},
    {"Notification_Area", "Notification Area"},
    {"Dont_Ask", "Dont Ask"},
    {"Windows", "Windows"},
    {"Toolbars", "Toolbars"},
    {"External_Script", "External Script"},
    {"Updates", "Updates"},
    {"Cust_Commands", "Cust Commands"},
    {"Miscellaneous", "Miscellaneous"},
    {"Custom_Tools", "$Unknown\\Custom Tools"},
    {"MRU", "MRU"},  // a category that appears twice in a scope
}};

enum class Type { kInteger, kString, kBoolean, kBinary };
constexpr std::array<const char*, 4> kTypeNames = {"integer", "string", "boolean", "binary"};

// One value as the document writes it and as the registry receives it.
struct Value {
  int scope;
  int category;
  Type type;
  std::string element;  // element name
  std::string text;     // element text
  std::string name;     // decoded name
  std::uint32_t dword = 0;
  std::string string;
  std::vector<std::uint8_t> bytes;
};

std::string Hex(std::uint32_t value, const char* format) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

Value MakeValue(int i) {
  Value value;
  value.scope = i % 3;
  value.category = (i / 3) % static_cast<int>(kCategories.size());
  value.type = static_cast<Type>((i / 5) % 4);
  const std::string number = std::to_string(i);
  if (i % 7 == 0) {
    value.element = "Item_0x5B_" + number + "_0x5D_";
    value.name = "Item[" + number + "]";
  } else {
    value.element = "Value_" + number;
    value.name = "Value " + number;
  }
  switch (value.type) {
    case Type::kInteger:
      if (i % 2 == 0) {
        value.dword = static_cast<std::uint32_t>(i * 37 - 50000);
        value.text = std::to_string(static_cast<std::int32_t>(value.dword));
      } else {
        value.dword = static_cast<std::uint32_t>(i) * 2654435761u;
        value.text = Hex(value.dword, "$%X");
      }
      break;
    case Type::kBoolean:
      value.dword = static_cast<std::uint32_t>(i / 20 % 2);
      value.text = value.dword ? "1" : "0";
      break;
    case Type::kString:
      value.text = "C:\\Data_Files\\Item_" + number + "\\notes_0x5B_" + std::to_string(i % 10) +
                   "_0x5D_.txt";
      value.string =
          "C:\\Data Files\\Item " + number + "\\notes[" + std::to_string(i % 10) + "].txt";
      break;
    case Type::kBinary:
      for (int k = 0; k < 8 + i % 9; ++k) {
        value.bytes.push_back(static_cast<std::uint8_t>(i * 31 + k * 17));
        value.text += (k ? " " : "") + Hex(value.bytes.back(), "%02X");
      }
      break;
  }
  return value;
}

// Every fifth value of a per-user scope, of every type, is held by the machine hive already: half
// of them with the same data (the import then does not write them), half with other data.
enum class Seed { kNone, kEqual, kDifferent };
Seed SeedOf(const Value& value, int i) {
  if (value.scope == kPerMachine || i % 5 != 1) return Seed::kNone;
  return i / 20 % 2 == 0 ? Seed::kEqual : Seed::kDifferent;
}

Value Changed(Value value) {
  value.dword ^= 1;
  value.string += " (machine)";
  value.bytes.push_back(0xEE);
  return value;
}

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string RegLine(const Value& value) {
  std::string line = "\"" + Escaped(value.name) + "\"=";
  switch (value.type) {
    case Type::kInteger:
    case Type::kBoolean:
      return line + Hex(value.dword, "dword:%08x") + "\n";
    case Type::kString:
      return line + "\"" + Escaped(value.string) + "\"\n";
    case Type::kBinary:
      line += "hex:";
      for (std::size_t k = 0; k < value.bytes.size(); ++k) {
        line += (k ? "," : "") + Hex(value.bytes[k], "%02x");
      }
      return line + "\n";
  }
  return line;
}

std::string KeyLine(bool machine, int category) {
  std::string key = machine ? "HKEY_LOCAL_MACHINE\\Software" : "HKEY_CURRENT_USER\\Software";
  key += "\\Pellmoor Software Solutions\\Corvane 5";
  if (*kCategories[category].path) key += std::string("\\") + kCategories[category].path;
  return "\n[" + key + "]\n";
}

// The values of the document grouped as it holds them: by scope, then by category element.
using Groups = std::array<std::vector<std::vector<int>>, kScopes.size()>;
Groups Grouped(int count) {
  Groups groups;
  for (auto& scope : groups) scope.resize(kCategories.size());
  for (int i = 0; i < count; ++i) {
    const Value value = MakeValue(i);
    groups[value.scope][value.category].push_back(i);
  }
  return groups;
}

}  // namespace

std::string DocumentXml(int count) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE Corvane_5_Preferences>\n"
      "<!-- Benchmark document: " +
      std::to_string(count) + " values. -->\n<Corvane_5_Preferences>\n<Corvane_5>\n";
  const Groups groups = Grouped(count);
  for (std::size_t scope = 0; scope < kScopes.size(); ++scope) {
    xml += std::string("<") + kScopes[scope] + ">\n";
    for (std::size_t category = 0; category < kCategories.size(); ++category) {
      const char* element = kCategories[category].element;
      if (groups[scope][category].empty()) continue;
      if (element) xml += std::string("<") + element + ">\n";
      for (const int i : groups[scope][category]) {
        const Value value = MakeValue(i);
        xml += "<" + value.element + " type=\"" + kTypeNames[static_cast<int>(value.type)] + "\">" +
               value.text + "</" + value.element + ">\n";
      }
      if (element) xml += std::string("</") + element + ">\n";
    }
    xml += std::string("</") + kScopes[scope] + ">\n";
  }
  return xml + "</Corvane_5>\n</Corvane_5_Preferences>\n";
}

std::string MachineSeedReg(int count) {
  std::string reg = "REGEDIT4\n";
  const Groups groups = Grouped(count);
  for (int scope = 0; scope < kPerMachine; ++scope) {
    for (int category = 0; category < static_cast<int>(kCategories.size()); ++category) {
      std::string lines;
      for (const int i : groups[scope][category]) {
        const Value value = MakeValue(i);
        const Seed seed = SeedOf(value, i);
        if (seed != Seed::kNone) lines += RegLine(seed == Seed::kEqual ? value : Changed(value));
      }
      if (!lines.empty()) reg += KeyLine(true, category) + lines;
    }
  }
  return reg;
}

std::string EquivalentReg(int count) {
  std::string reg = "REGEDIT4\n";
  const Groups groups = Grouped(count);
  for (int scope = 0; scope < static_cast<int>(kScopes.size()); ++scope) {
    for (int category = 0; category < static_cast<int>(kCategories.size()); ++category) {
      std::string lines;
      for (const int i : groups[scope][category]) {
        const Value value = MakeValue(i);
        if (SeedOf(value, i) != Seed::kEqual) lines += RegLine(value);
      }
      if (!lines.empty()) reg += KeyLine(scope == kPerMachine, category) + lines;
    }
  }
  return reg;
}

std::string OneLine(const std::string& document) {
  std::string line;
  line.reserve(document.size());
  for (std::size_t i = 0; i < document.size(); ++i) {
    if (document[i] != '\n') {
      line += document[i];
      continue;
    }
    while (i + 1 < document.size() && document[i + 1] == ' ') ++i;
  }
  return line;
}

}  // namespace regcorvex::bench
