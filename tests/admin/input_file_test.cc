// The companion's own input and output files: what is no regular file is refused without being
// read, a file past the limit is refused, and every failure carries the system's reason.
#include "admin/input_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_dir.h"

namespace regcorvex::test {
namespace {

TEST(InputFile, RefusesWhatIsNoRegularFileAndSaysWhy) {
  const TempDir folder;
  const std::string fifo = (folder.path() / "pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    std::size_t limit;
    const char* why;
  } cases[] = {
      {folder.path().string(), 100, "it is a folder, not a regular file"},
      {"/dev/zero", 100, "it is a device, not a regular file"},
      {fifo, 100, "it is a named pipe, not a regular file"},
      {(folder.path() / "missing").string(), 100, "No such file or directory"},
      {folder.Write("large", std::string(64, 'x')).string(), 63, "it is larger than"},
  };
  for (const auto& c : cases) {
    const InputFile file = ReadInputFile(c.path, c.limit);
    EXPECT_NE(file.error.find(c.why), std::string::npos) << c.path << ": " << file.error;
    EXPECT_EQ(file.bytes, "");
  }
  EXPECT_EQ(ReadInputFile(folder.Write("fits", std::string(64, 'x')).string(), 64).bytes.size(),
            64u);
  EXPECT_EQ(WriteOutputFile((folder.path() / "missing" / "x.xml").string(), "x"),
            "cannot write " + (folder.path() / "missing" / "x.xml").string() +
                ": No such file or directory");
}

}  // namespace
}  // namespace regcorvex::test
