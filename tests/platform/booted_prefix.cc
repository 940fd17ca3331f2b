#include "tests/platform/booted_prefix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/wine_program.h"

namespace regcorvex::test {
namespace {

namespace fs = std::filesystem;

// A boot of a fresh prefix takes about 15 s on an idle machine; more than ten minutes were seen on
// a busy one where Wine ran under emulation.
constexpr std::chrono::seconds kBootDeadline{1200};
constexpr std::chrono::seconds kWineDeadline{600};

bool WineInstalled() {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && ::access((fs::path(folder) / "wineboot").c_str(), X_OK) == 0) {
      return true;
    }
  }
  return false;
}

// An exclusive lock on a file beside the template, so that parallel tests boot it only once.
class TemplateLock {
 public:
  explicit TemplateLock(const fs::path& path)
      : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0)
      throw std::runtime_error("cannot lock " + path.string());
  }
  ~TemplateLock() { ::close(fd_); }
  TemplateLock(const TemplateLock&) = delete;
  TemplateLock& operator=(const TemplateLock&) = delete;

 private:
  int fd_;
};

}  // namespace

std::optional<fs::path> BootedTemplatePrefix() {
  if (const char* given = std::getenv("REGCORVEX_WINE_TEMPLATE"); given != nullptr && *given) {
    return fs::path(given);
  }
  if (!WineInstalled()) return std::nullopt;
  const fs::path folder = fs::read_symlink("/proc/self/exe").parent_path();
  const fs::path prefix = folder / "wine-template";
  const fs::path ready = prefix / ".regcorvex-test-ready";
  const TemplateLock lock(folder / "wine-template.lock");
  if (!fs::exists(ready)) {
    fs::remove_all(prefix);
    const ProgramResult boot = RunWineTool(prefix, {"wineboot", "-i"}, kBootDeadline);
    if (boot.exit_code != 0 || !WaitForWineserver(prefix) || !fs::exists(prefix / "system.reg")) {
      throw std::runtime_error("wineboot failed to make " + prefix.string() + ":\n" + boot.err);
    }
    std::FILE* marker = std::fopen(ready.c_str(), "w");
    if (marker != nullptr) std::fclose(marker);
  }
  return prefix;
}

void CopyBootedPrefix(const fs::path& template_prefix, const fs::path& prefix) {
  fs::create_directories(prefix / "dosdevices");
  for (const char* name : {"system.reg", "user.reg", "userdef.reg", ".update-timestamp"}) {
    fs::copy_file(template_prefix / name, prefix / name, fs::copy_options::overwrite_existing);
  }
  fs::create_symlink(fs::absolute(template_prefix / "drive_c"), prefix / "dosdevices" / "c:");
  fs::create_symlink("/", prefix / "dosdevices" / "z:");
}

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

WineOutput RunWine(const fs::path& prefix, const std::string& arguments,
                   const std::string& loader) {
  const ProgramResult run = RunProgram({"/bin/sh", "-c", "exec " + loader + " " + arguments},
                                       WineEnvironment(prefix), "", kWineDeadline);
  WaitForWineserver(prefix);
  return {run.exit_code, run.out};
}

}  // namespace regcorvex::test
