#include "tests/registry/booted_prefix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace regcorvex::testing {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string WineEnvironment(const fs::path& prefix) {
  return "WINEPREFIX=" + Quoted(prefix) + " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' ";
}

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
  if (Shell("command -v wineboot >/dev/null 2>&1") != 0) return std::nullopt;
  const fs::path folder = fs::read_symlink("/proc/self/exe").parent_path();
  const fs::path prefix = folder / "wine-template";
  const fs::path ready = prefix / ".regcorvex-test-ready";
  const TemplateLock lock(folder / "wine-template.lock");
  if (!fs::exists(ready)) {
    fs::remove_all(prefix);
    const std::string env = WineEnvironment(prefix);
    if (Shell(env + "wineboot -i >/dev/null 2>&1 && " + env + "wineserver -w") != 0 ||
        !fs::exists(prefix / "system.reg")) {
      throw std::runtime_error("wineboot failed to make " + prefix.string());
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

WineOutput RunWine(const fs::path& prefix, const std::string& arguments) {
  const std::string env = WineEnvironment(prefix);
  WineOutput output;
  std::FILE* pipe = ::popen((env + "wine " + arguments + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
    output.text.append(buffer, count);
  const int status = ::pclose(pipe);
  output.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  Shell(env + "wineserver -w");
  return output;
}

}  // namespace regcorvex::testing
