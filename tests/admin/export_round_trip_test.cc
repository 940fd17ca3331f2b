// The export against the import: for every registry of the table, the document the export writes
// holds every value it does not list, the import of that document into an empty registry leaves
// exactly those values there, byte for byte, and the preview of it on the original registry finds
// every value unchanged. Once on the in-memory registry, once with the programs on Wine prefixes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "admin/export_command.h"
#include "import/import_configuration.h"
#include "import/store_receiver.h"
#include "platform/posix/wine_prefix.h"
#include "platform/posix/wine_registry/registry.h"
#include "prefs/config_base.h"
#include "tests/e2e/round_trip_cases.h"
#include "tests/support/memory_registry.h"
#include "tests/support/recording_message_boxes.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace regcorvex::test {
namespace {

class ExportRoundTripTest : public ::testing::Test {
 protected:
  ExportRoundTripTest() { setenv("WINEPREFIX", (folder_.path() / "empty").c_str(), 1); }

  TempDir folder_;
};

TEST_F(ExportRoundTripTest, InMemoryRegistries) {
  for (const RoundTripCase& c : RoundTripCases()) {
    SCOPED_TRACE(c.label);
    MemoryRegistry original;
    SeedRegistry(original, c);
    const ExportSource source = ReadExportSource(ExportRequest{}, original);
    ASSERT_EQ(source.error, "");
    const ExportResult result = ExportDocument(source.keys);
    EXPECT_EQ(ListedOmissions(c, result.omitted), ExpectedOmissions(c));
    for (const ExportOmission& omission : result.omitted) EXPECT_NE(omission.reason, "");
    const std::string path =
        platform::UnixToWindowsPath(folder_.Write("export.xml", result.document).string());

    MemoryRegistry empty;
    RecordingMessageBoxes boxes;
    {
      TConfigBase store(empty, boxes, platform::kNoWindow);
      StoreReceiver receiver(store);
      EXPECT_EQ(LoadAndWalk(path, platform::DefaultXmlParser(), receiver).kind,
                WalkOutcome::Kind::kWalked);
    }
    EXPECT_TRUE(boxes.boxes.empty());
    const ProductSnapshot carried = CarriedValues(c);
    EXPECT_EQ(result.exported, carried.size());
    EXPECT_TRUE(TakeProductSnapshot(empty) == carried);
    ExpectEveryValueUnchanged(path, original, carried.size());
  }
}

TEST_F(ExportRoundTripTest, ProgramsOnWinePrefixes) {
  for (const RoundTripCase& c : RoundTripCases()) {
    SCOPED_TRACE(c.label);
    const TempDir run;
    const std::string original_prefix = (run.path() / "original").string();
    const std::string empty_prefix = (run.path() / "empty").string();
    {
      const auto original = platform::OpenWinePrefixRegistry(original_prefix);
      SeedRegistry(*original, c);
      ASSERT_EQ(original->Persist(), "");
    }
    const std::string document = (run.path() / "export.xml").string();
    const ProgramResult exported =
        RunProgram({REGCORVEX_ADMIN, "export", "-o", document}, {{"WINEPREFIX", original_prefix}});
    const bool complete = ExpectedOmissions(c).empty();
    EXPECT_EQ(exported.exit_code, complete ? 0 : 1) << exported.out << exported.err;
    EXPECT_EQ(exported.err, "");

    const ProgramResult imported =
        RunProgram({REGCORVEX_PROGRAM, "/IC", platform::UnixToWindowsPath(document)},
                   {{"WINEPREFIX", empty_prefix}});
    EXPECT_EQ(imported.exit_code, 0);
    EXPECT_EQ(imported.err, "");
    const ProductSnapshot carried = CarriedValues(c);
    EXPECT_TRUE(TakeProductSnapshot(*platform::OpenWinePrefixRegistry(empty_prefix)) == carried);

    const auto original = platform::OpenWinePrefixRegistry(original_prefix);
    ExpectEveryValueUnchanged(platform::UnixToWindowsPath(document), *original, carried.size());
  }
}

}  // namespace
}  // namespace regcorvex::test
