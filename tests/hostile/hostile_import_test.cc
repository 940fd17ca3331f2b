// Documents written to harm the program, run through the real native program in a fresh Wine
// prefix: each must end in a clear outcome, quickly, within bounded memory, with exit code 0, and
// leave nothing in the registry outside the product's key, nor anything read from another file.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "admin/registry_query.h"
#include "platform/posix/wine_registry/registry.h"
#include "tests/support/prefix_keys.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace regcorvex {
namespace {

using namespace std::string_literals;
using test::RunProgram;
using test::TempDir;

constexpr char kBase[] = "Software\\Pellmoor Software Solutions\\Corvane 5";
constexpr char kSecret[] = "TOPSECRET";
constexpr char kImportError[] =
    "Register Corvane 5\n| Could not import the program configuration due to the following "
    "error:\n";
// What a run may take. A small document needs about 60 MB under AddressSanitizer; an unbounded
// expansion would take far more. A 100 MB document needs a few copies of itself (about 600 MB and
// a second in the sanitized debug build of the tests). The time is CPU time, which a busy machine
// does not stretch; a run that hangs is killed at the run's deadline and fails.
struct Limits {
  std::chrono::seconds cpu_time;
  long memory_kb;
};
constexpr Limits kSmallDocument{std::chrono::seconds(5), 256 * 1024};
constexpr Limits kHugeDocument{std::chrono::seconds(10), 1536 * 1024};

std::string Document(const std::string& subset, const std::string& scopes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE Corvane_5_Preferences" + subset +
         ">\n<Corvane_5_Preferences><Corvane_5>" + scopes +
         "</Corvane_5></Corvane_5_Preferences>\n";
}

// A value that a document which loads at all writes, beside the hostile part.
const std::string kCanary = "<PerUserRoam><Misc><Canary type=\"integer\">1</Canary></Misc>";

struct Outcome {
  std::string boxes;
  int exit_code;
  bool timed_out;
  std::chrono::microseconds cpu_time;
  long peak_memory_kb;
  std::vector<std::string> outside;  // keys written outside the product's key
  std::string hives;                 // the text of both hive files
  std::string product_keys;          // the product's keys and values, as `reg query` lists them
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the program on the document that write puts into the file it is given.
Outcome Import(const TempDir& folder, const std::function<void(std::ofstream&)>& write) {
  {
    std::ofstream document(folder.path() / "doc.xml", std::ios::binary);
    write(document);
  }
  const std::string prefix = (folder.path() / "prefix").string();
  const auto result = RunProgram({REGCORVEX_PROGRAM, "/IC", "doc.xml"}, {{"WINEPREFIX", prefix}},
                                 folder.path().string());
  Outcome run{result.err,
              result.exit_code,
              result.timed_out,
              result.cpu_time,
              result.peak_memory_kb,
              test::KeysOutside(prefix, kBase),
              ReadFile(folder.path() / "prefix" / "user.reg") +
                  ReadFile(folder.path() / "prefix" / "system.reg"),
              {}};
  auto registry = platform::OpenWinePrefixRegistry(prefix);
  for (const char* root : {"HKCU\\", "HKLM\\"}) {
    const auto keys =
        QueryRegistry(*registry, *ParseRegistryPath(root + std::string(kBase)), {true, {}});
    run.product_keys += keys.value_or("");
  }
  return run;
}

// What every hostile document must leave behind, and what this one shows: boxes is the start of
// what the program writes to standard error (empty: nothing at all).
void ExpectOutcome(const Outcome& run, const Limits& limits, const std::string& boxes,
                   bool canary_written) {
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_FALSE(run.timed_out);
  EXPECT_LT(run.cpu_time, limits.cpu_time);
  EXPECT_LT(run.peak_memory_kb, limits.memory_kb);
  EXPECT_EQ(run.outside, std::vector<std::string>{});
  EXPECT_EQ(run.hives.find(kSecret), std::string::npos);
  if (boxes.empty()) {
    EXPECT_EQ(run.boxes, "");
  } else {
    EXPECT_EQ(run.boxes.substr(0, boxes.size()), boxes) << run.boxes.substr(0, 1000);
  }
  EXPECT_EQ(run.product_keys.find("Canary") != std::string::npos, canary_written)
      << run.product_keys.substr(0, 1000);
}

using Writer = std::function<void(std::ofstream&)>;

Writer Text(const std::string& document) {
  return [document](std::ofstream& out) { out << document; };
}

struct Case {
  const char* label;
  Writer write;
  std::string boxes;
  bool canary_written;
};

void RunCases(const std::vector<Case>& cases, const Limits& limits) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const TempDir folder;
    ExpectOutcome(Import(folder, c.write), limits, c.boxes, c.canary_written);
  }
}

TEST(HostileImport, EachDocumentEndsInAClearOutcome) {
  const TempDir secrets;
  const std::string secret_file = secrets.Write("secret.txt", kSecret).string();
  const std::string secret_dtd =
      secrets.Write("secret.dtd", std::string("<!ENTITY x \"") + kSecret + "\">").string();
  std::string laughs = " [<!ENTITY a0 \"lol\">";
  for (int level = 1; level < 10; ++level) {
    laughs += "<!ENTITY a" + std::to_string(level) + " \"";
    for (int i = 0; i < 10; ++i) laughs += "&a" + std::to_string(level - 1) + ";";
    laughs += "\">";
  }
  laughs += "]";
  const std::string long_value_name(16384, 'N');
  RunCases(
      {
          {"an external entity naming a local file",
           Text(Document(
               " [<!ENTITY x SYSTEM \"file://" + secret_file + "\">]",
               kCanary + "<Misc><Stolen type=\"string\">&x;</Stolen></Misc></PerUserRoam>")),
           kImportError, false},
          {"an external DTD that declares the entity the document uses",
           Text(Document(
               " SYSTEM \"file://" + secret_dtd + "\"",
               kCanary + "<Misc><Stolen type=\"string\">&x;</Stolen></Misc></PerUserRoam>")),
           kImportError, false},
          {"an external parameter entity",
           Text(Document(
               " [<!ENTITY % p SYSTEM \"file://" + secret_dtd + "\"> %p;]",
               kCanary + "<Misc><Stolen type=\"string\">&x;</Stolen></Misc></PerUserRoam>")),
           kImportError, false},
          {"a billion laughs",
           Text(Document(
               laughs,
               kCanary + "<Misc><Laughs type=\"string\">&a9;</Laughs></Misc></PerUserRoam>")),
           kImportError, false},
          {"bytes that are not UTF-8 in a UTF-8 document",
           Text(Document(
               "", kCanary + "<Misc><Bad type=\"string\">\xff\xfe\xc3</Bad></Misc></PerUserRoam>")),
           kImportError, false},
          {"a NUL byte in an element name",
           Text(Document("", kCanary + "<Misc><Na\0me type=\"integer\">1</Na\0me></Misc>"s +
                                 "</PerUserRoam>")),
           kImportError, false},
          {"a NUL character reference in a value",
           Text(Document("",
                         kCanary + "<Misc><Nul type=\"string\">a&#0;b</Nul></Misc></PerUserRoam>")),
           kImportError, false},
          {"a value name longer than the registry allows",
           Text(Document("", kCanary + "<Misc><" + long_value_name + " type=\"integer\">1</" +
                                 long_value_name + "></Misc></PerUserRoam>")),
           "Corvane 5 Error: SetPrefInteger\n", true},
          {"a category name that climbs with ..\\",
           Text(Document("", kCanary +
                                 "<..\\..\\..\\Evil><A type=\"integer\">1</A></..\\..\\..\\Evil>"
                                 "</PerUserRoam>")),
           kImportError, false},
          {"a category name made of dots",
           Text(Document("", kCanary +
                                 "<_.._.._Software><A type=\"integer\">1</A></_.._.._Software>"
                                 "</PerUserRoam>")),
           "", true},
      },
      kSmallDocument);
}

// Documents too big to check in, written straight to the file.
TEST(HostileImport, HugeDocumentsEndInAClearOutcome) {
  const std::string head = Document("", "").substr(0, Document("", "").find("<Corvane_5>"));
  RunCases(
      {
          {"elements nested 100,000 deep",
           [&](std::ofstream& out) {
             out << head << "<Corvane_5>" << kCanary << "<Deep>";
             for (int i = 0; i < 100000; ++i) out << "<d>";
             for (int i = 0; i < 100000; ++i) out << "</d>";
             out << "</Deep></PerUserRoam></Corvane_5></Corvane_5_Preferences>\n";
           },
           kImportError, false},
          {"100,000 attributes on one element",
           [&](std::ofstream& out) {
             out << head << "<Corvane_5>" << kCanary << "<Misc><Wide type=\"integer\"";
             for (int i = 0; i < 100000; ++i) out << " a" << i << "=\"\"";
             out << ">1</Wide></Misc></PerUserRoam></Corvane_5></Corvane_5_Preferences>\n";
           },
           kImportError, false},
          {"3,000 namespaces in scope of 200,000 elements",
           [&](std::ofstream& out) {
             out << head << "<Corvane_5>" << kCanary << "<Misc";
             for (int i = 0; i < 3000; ++i) out << " xmlns:p" << i << "=\"u\"";
             out << ">";
             for (int i = 0; i < 200000; ++i) out << "<p0:v/>";
             out << "</Misc></PerUserRoam></Corvane_5></Corvane_5_Preferences>\n";
           },
           kImportError, false},
          {"30,000 attribute defaults for an element that occurs 1,000 times",
           [&](std::ofstream& out) {
             out << "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences [";
             for (int i = 0; i < 30000; ++i) out << "<!ATTLIST v a" << i << " CDATA \"d\">";
             out << "]>\n<Corvane_5_Preferences><Corvane_5>" << kCanary << "<Misc>";
             for (int i = 0; i < 1000; ++i) out << "<v/>";
             out << "</Misc></PerUserRoam></Corvane_5></Corvane_5_Preferences>\n";
           },
           kImportError, false},
          {"an entity of 5,000 attributes referenced 1,000 times",
           [&](std::ofstream& out) {
             out << "<?xml version=\"1.0\"?>\n<!DOCTYPE Corvane_5_Preferences [<!ENTITY e \"<v";
             for (int i = 0; i < 5000; ++i) out << " a" << i << "=''";
             out << "/>\">]>\n<Corvane_5_Preferences><Corvane_5>" << kCanary << "<Misc>";
             for (int i = 0; i < 1000; ++i) out << "&e;";
             out << "</Misc></PerUserRoam></Corvane_5></Corvane_5_Preferences>\n";
           },
           kImportError, false},
          {"100 MB of comments around one value",
           [&](std::ofstream& out) {
             const std::string comment = "<!--" + std::string(1000, 'c') + "-->\n";
             out << head;
             for (int i = 0; i < 100000; ++i) out << comment;
             out << "<Corvane_5>" << kCanary
                 << "</PerUserRoam></Corvane_5></Corvane_5_Preferences>\n";
           },
           "", true},
      },
      kHugeDocument);
}

}  // namespace
}  // namespace regcorvex
