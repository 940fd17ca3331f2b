#include "tests/e2e/import_cases.h"

#include <cstdio>
#include <utility>

#include "admin/registry_query.h"
#include "prefs/registry_accessor.h"

namespace regcorvex::test {
namespace {

std::string Document(const std::string& products) {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences>\n<Corvane_5_Preferences>" +
         products + "</Corvane_5_Preferences>\n";
}

const std::string kCaption = "Register Corvane 5";
const std::string kImportError =
    "Could not import the program configuration due to the following error:\r\n";

std::string Repeated(const std::string& text, int count) {
  std::string repeated;
  for (int i = 0; i < count; ++i) repeated += text;
  return repeated;
}

// A document of this product whose internal subset holds declarations and whose root element holds
// products.
std::string DocumentWithSubset(const std::string& declarations, const std::string& products) {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences [" + declarations +
         "]>\n<Corvane_5_Preferences>" + products + "</Corvane_5_Preferences>\n";
}

const std::string kEntities =
    "<!ENTITY dir \"C:\\Program_Files\"><!ENTITY n \"42\"><!ENTITY t \"integer\">";

// count elements V0000... in Misc, each given a default type "integer" and a note of length
// note_length by the DTD, and the values they write.
std::pair<std::string, std::vector<std::string>> DefaultsDocument(int count, int note_length) {
  std::string declarations, values, written;
  std::vector<std::string> expected;
  for (int i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof(name), "V%04d", i);
    declarations += std::string("<!ATTLIST ") + name + " type CDATA \"integer\" note CDATA \"" +
                    std::string(static_cast<std::size_t>(note_length), 'n') + "\">\n";
    values += std::string("<") + name + ">" + std::to_string(i) + "</" + name + ">\n";
    char data[16];
    std::snprintf(data, sizeof(data), "0x%x", i);
    expected.push_back(std::string("HKCU\\Misc: ") + name + " = REG_DWORD " + data);
  }
  return {DocumentWithSubset(declarations, "<Corvane_5><PerUserRoam><Misc>" + values +
                                               "</Misc></PerUserRoam></Corvane_5>"),
          expected};
}

ExpectedBox Refusal(const std::string& display_name) {
  return {kCaption, "This configuration file belongs to " + display_name +
                        "\r\nand is not compatible with Corvane 5."};
}

std::vector<ImportCase> MakeCases() {
  const std::string long_name(300, 'L');
  auto [defaults_document, defaults_values] = DefaultsDocument(1000, 1100);
  return {
      {"every type, in a category and directly under the scope",
       ProductDocument(
           "<PerUserRoam><Top type=\"integer\">7</Top><Appearance>"
           "<Width type=\"integer\">$1F</Width><Name type=\"string\">C:\\My_Files</Name>"
           "<On type=\"boolean\">-1</On><Blob type=\"binary\">0A 1B FF</Blob>"
           "</Appearance></PerUserRoam>"),
       {"HKCU: Top = REG_DWORD 0x7", "HKCU\\Appearance: Blob = REG_BINARY 0A1BFF",
        "HKCU\\Appearance: Name = REG_SZ C:\\My Files", "HKCU\\Appearance: On = REG_DWORD 0x1",
        "HKCU\\Appearance: Width = REG_DWORD 0x1f"},
       {}},
      {"both names of another product",
       "<!DOCTYPE Xyz_4_Preferences><Xyz_4_Preferences><Corvane_5><PerUserRoam>"
       "<A type=\"integer\">1</A></PerUserRoam></Corvane_5></Xyz_4_Preferences>",
       {},
       {Refusal("Xyz 4")}},
      {"DOCTYPE of another product",
       "<!DOCTYPE Other_Preferences><Corvane_5_Preferences/>",
       {},
       {Refusal("Other")}},
      {"root of another product",
       "<!DOCTYPE Corvane_5_Preferences><Old_Thing_Preferences/>",
       {},
       {Refusal("Old Thing")}},
      {"no product element",
       Document("<Other><PerUserRoam><A type=\"integer\">1</A></PerUserRoam></Other>"),
       {},
       {}},
      {"two product elements in any case, the later value wins",
       Document("<Corvane_5><PerUserRoam><Misc><A type=\"integer\">1</A><B type=\"integer\">2</B>"
                "</Misc></PerUserRoam></Corvane_5><CORVANE_5><PerUserRoam><Misc>"
                "<A type=\"integer\">3</A></Misc></PerUserRoam></CORVANE_5>"),
       {"HKCU\\Misc: A = REG_DWORD 0x3", "HKCU\\Misc: B = REG_DWORD 0x2"},
       {}},
      {"values directly under PerMachine go to the machine's base key",
       ProductDocument("<PerMachine><A type=\"integer\">1</A><B type=\"string\">x</B>"
                       "<C type=\"boolean\">0</C></PerMachine>"),
       {"HKLM: A = REG_DWORD 0x1", "HKLM: B = REG_SZ x", "HKLM: C = REG_DWORD 0x0"},
       {}},
      {"an unknown scope name is per user",
       ProductDocument("<Everywhere><Misc><A type=\"integer\">1</A></Misc></Everywhere>"),
       {"HKCU\\Misc: A = REG_DWORD 0x1"},
       {}},
      {"Schedules is skipped, schedules is not",
       ProductDocument("<PerUserRoam><Schedules><A type=\"integer\">1</A></Schedules>"
                       "<schedules><B type=\"integer\">2</B></schedules></PerUserRoam>"),
       {"HKCU\\$Unknown\\schedules: B = REG_DWORD 0x2"},
       {}},
      {"temporary and unknown categories are skipped",
       ProductDocument("<PerUserRoam><_0x24_Temp><A type=\"integer\">1</A></_0x24_Temp>"
                       "<Old_0x24_Unknown_Items><B type=\"integer\">2</B></Old_0x24_Unknown_Items>"
                       "<Misc><C type=\"integer\">3</C></Misc></PerUserRoam>"),
       {"HKCU\\Misc: C = REG_DWORD 0x3"},
       {}},
      {"comments at every level write nothing",
       Document("<!--a--><Corvane_5><!--b--><PerUserRoam><!--c--><Misc><!--d-->"
                "<A type=\"integer\">1</A><!--e--></Misc></PerUserRoam></Corvane_5>"),
       {"HKCU\\Misc: A = REG_DWORD 0x1"},
       {}},
      {"empty binary is written, rejected binary is not",
       ProductDocument("<PerUserRoam><Misc><Empty type=\"binary\"></Empty>"
                       "<Bad type=\"binary\">0A-1B-</Bad><Odd type=\"binary\">0A1B2</Odd>"
                       "</Misc></PerUserRoam>"),
       {"HKCU\\Misc: Empty = REG_BINARY ", "HKCU\\Misc: Odd = REG_BINARY 0A1B"},
       {}},
      {"a category whose key cannot be opened, then the next one",
       ProductDocument("<PerUserRoam><" + long_name +
                       "><A type=\"integer\">1</A>"
                       "<B type=\"integer\">2</B></" +
                       long_name +
                       ">"
                       "<Misc><C type=\"integer\">3</C></Misc></PerUserRoam>"),
       {"HKCU\\Misc: C = REG_DWORD 0x3"},
       {{"Corvane 5 OpenPref Error",
         "OpenPref Error: Unable to open Preferences.\r\n\r\nPrefLocation: Registry\r\n"
         "cfgDataScope: cfgPerUserRoam\r\nKey: " +
             std::string(kProductKey) + "\\$Unknown\\" + long_name + "\r\n\r\n"}}},
      {"IDs are not checked: an ID given twice, an xml:id that is no NCName",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences [<!ATTLIST A id ID #IMPLIED>]>\n"
       "<Corvane_5_Preferences><Corvane_5><PerUserRoam><Misc><A id=\"x\" type=\"integer\">1</A>"
       "<A id=\"x\" type=\"integer\">2</A><B xml:id=\"1 2\" type=\"string\">b</B></Misc>"
       "</PerUserRoam></Corvane_5></Corvane_5_Preferences>\n",
       {"HKCU\\Misc: A = REG_DWORD 0x2", "HKCU\\Misc: B = REG_SZ b"},
       {}},
      {"a reference to an entity joins the text around it",
       DocumentWithSubset(kEntities,
                          "<Corvane_5><PerUserRoam><Misc>"
                          "<Mixed type=\"string\">&dir;\\bin</Mixed>"
                          "<D type=\"string\">&#65;&amp;&n;</D></Misc></PerUserRoam>"
                          "</Corvane_5>"),
       {"HKCU\\Misc: D = REG_SZ A&42", "HKCU\\Misc: Mixed = REG_SZ C:\\Program Files\\bin"},
       {},
       false,
       {{"HKCU\\Misc: D = REG_SZ A&", "HKCU\\Misc: Mixed = REG_SZ \\bin"}}},
      {"a reference alone is the value's text, of every type",
       DocumentWithSubset(kEntities,
                          "<Corvane_5><PerUserRoam><Misc>"
                          "<Only type=\"string\">&dir;</Only><Num type=\"&t;\">&n;</Num>"
                          "<On type=\"boolean\">&n;</On></Misc></PerUserRoam>"
                          "</Corvane_5>"),
       {"HKCU\\Misc: Num = REG_DWORD 0x2a", "HKCU\\Misc: On = REG_DWORD 0x1",
        "HKCU\\Misc: Only = REG_SZ C:\\Program Files"},
       {},
       false,
       {{"HKCU\\Misc: Num = REG_DWORD 0x0", "HKCU\\Misc: On = REG_DWORD 0x0",
         "HKCU\\Misc: Only = REG_SZ "}}},
      {"a value made of a reference directly under a scope goes to the base key",
       DocumentWithSubset(kEntities,
                          "<Corvane_5><PerUserRoam><Top type=\"string\">&dir;</Top>"
                          "</PerUserRoam></Corvane_5>"),
       {"HKCU: Top = REG_SZ C:\\Program Files"},
       {},
       false,
       std::vector<std::string>{}},
      {"entities that stand for a category element and for a product element",
       DocumentWithSubset(kEntities +
                              "<!ENTITY cat '<Misc><C type=\"integer\">&n;</C></Misc>'>"
                              "<!ENTITY product '<Corvane_5><PerMachine><P type=\"string\">&dir;"
                              "</P></PerMachine></Corvane_5>'>",
                          "<Corvane_5><PerUserRoam>&cat;</PerUserRoam></Corvane_5>&product;"),
       {"HKCU\\Misc: C = REG_DWORD 0x2a", "HKLM: P = REG_SZ C:\\Program Files"},
       {},
       false,
       std::vector<std::string>{}},
      {"white space alone is no text, whatever xml:space says",
       ProductDocument("<PerUserRoam xml:space=\"preserve\"><Pad type=\"string\">   </Pad>"
                       "<Misc><S type=\"string\" xml:space=\"preserve\"> \t </S>"
                       "<I type=\"integer\">\n</I></Misc></PerUserRoam>"),
       {"HKCU\\Misc: I = REG_DWORD 0x0", "HKCU\\Misc: S = REG_SZ "},
       {}},
      {"1,000 elements given 1,100,000 characters of attribute defaults",
       defaults_document,
       defaults_values,
       {}},
      {"attribute defaults that take a small document beyond the limits",
       DocumentWithSubset(
           "<!ATTLIST V type CDATA \"integer\" note CDATA \"" + std::string(20000, 'n') + "\">",
           "<Corvane_5><PerUserRoam><Misc>\n" + Repeated("<V>1</V>\n", 100) +
               "</Misc></PerUserRoam></Corvane_5>"),
       {},
       {{kCaption, kImportError +
                       "The attribute defaults of the document's DTD expand it beyond the limits "
                       "of this program.\r\nLine: 53\r\n<V>1</V>\r\n\r\nFilename: {path}"}}},
      {"an attribute the DTD gives by default counts as given",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences [<!ATTLIST W type CDATA "
       "\"integer\">]>\n<Corvane_5_Preferences><Corvane_5><PerUserRoam><Misc><W>7</W>"
       "<S type=\"string\">x</S></Misc></PerUserRoam></Corvane_5></Corvane_5_Preferences>\n",
       {"HKCU\\Misc: S = REG_SZ x", "HKCU\\Misc: W = REG_DWORD 0x7"},
       {}},
      {"a malformed document",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences>\n<Corvane_5_Preferences>\n"
       "  <Corvane_5></Corvane_6>\n</Corvane_5_Preferences>\n",
       {},
       {{kCaption, kImportError +
                       "Opening and ending tag mismatch: Corvane_5 line 4 and Corvane_6\r\n"
                       "Line: 4\r\n  <Corvane_5></Corvane_6>\r\n\r\nFilename: {path}"}},
       true},
      {"a document without DOCTYPE",
       "<Corvane_5_Preferences><Corvane_5><PerUserRoam><A type=\"integer\">1</A></PerUserRoam>"
       "</Corvane_5></Corvane_5_Preferences>",
       {},
       {{kCaption, kImportError +
                       "The document has no DOCTYPE declaration: a configuration document starts "
                       "with <!DOCTYPE Corvane_5_Preferences>.\r\n\r\nFilename: {path}"}}},
  };
}

}  // namespace

std::string ProductDocument(const std::string& scopes) {
  return Document("<Corvane_5>" + scopes + "</Corvane_5>");
}

std::string LargeDocument(int count) {
  constexpr int kCategories = 50;
  const char* const scopes[] = {"PerUserRoam", "PerUserNonRoam", "PerMachine"};
  std::string body;
  for (const char* scope : scopes) {
    body += std::string("<") + scope + ">";
    for (int category = 0; category < kCategories; ++category) {
      body += "<Bulk_" + std::to_string(category) + ">";
      for (int i = category; i < count; i += kCategories) {
        if (scopes[i % 3] != scope) continue;
        body += "<V" + std::to_string(i) + " type=\"integer\">" + std::to_string(i) + "</V" +
                std::to_string(i) + ">";
      }
      body += "</Bulk_" + std::to_string(category) + ">";
    }
    body += std::string("</") + scope + ">";
  }
  return ProductDocument(body);
}

const std::vector<ImportCase>& ImportCases() {
  static const std::vector<ImportCase> cases = MakeCases();
  return cases;
}

std::vector<std::string> ProductValues(platform::Registry& registry) {
  // Line breaks and tabs in data escaped, so that each value stays one line.
  const auto escaped = [](const std::string& data) {
    std::string out;
    for (const char c : data) {
      out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
    }
    return out;
  };
  std::vector<std::string> values;
  for (const char* root : {"HKCU", "HKLM"}) {
    const auto listing = ListRegistry(
        registry, *ParseRegistryPath(std::string(root) + "\\" + kProductKey), {true, {}});
    if (!listing) continue;
    for (const ListedKey& key : *listing) {
      const std::string shown =
          root + key.name.substr(key.name.find(kProductKey) + sizeof(kProductKey) - 1);
      for (const ListedValue& value : key.values) {
        values.push_back(shown + ": " + (value.name.empty() ? "(Default)" : value.name) + " = " +
                         RegistryTypeName(value.type) + " " + escaped(value.data));
      }
    }
  }
  return values;
}

void RemoveProductKeys(platform::Registry& registry) {
  for (const platform::Hkey root : {platform::kHkeyCurrentUser, platform::kHkeyLocalMachine}) {
    TRegistry accessor(registry);
    accessor.SetRootKey(root);
    accessor.DeleteKey(kProductKey);
  }
}

}  // namespace regcorvex::test
